#pragma once
// Runs the built varnolt-cli as a process of its own, with its standard output and standard
// error captured separately.

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

struct CliRun {
    int exitStatus = -1; // the exit code, or 128 + the signal that ended it
    std::string out;
    std::string err;
    long peakKiB = 0; // the process's largest resident size
};

// A command that runs varnolt-cli on its own terms (a limit set first, faults injected), given
// the program and its arguments after its own; empty runs it directly.
using CliWrapper = std::vector<std::string>;

class CliProcess {
public:
    // Starts varnolt-cli with the arguments; `environment` entries are set (an empty optional
    // removes the variable).
    explicit CliProcess(const std::vector<std::string>& arguments,
                        const std::map<std::string, std::optional<std::string>>& environment = {},
                        const CliWrapper& wrapper = {});
    // The same for another program of the package, started by its path.
    CliProcess(const std::string& program, const std::vector<std::string>& arguments,
               const std::map<std::string, std::optional<std::string>>& environment,
               const CliWrapper& wrapper = {});
    ~CliProcess();
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    // Reads output until `text` has appeared on standard output (true) or the process ended.
    bool WaitForOutput(const std::string& text, std::chrono::seconds bound);
    void Signal(int signalNumber);
    // Reads the rest of the output and waits for the process to end (killed after the bound).
    CliRun Finish(std::chrono::seconds bound = std::chrono::seconds(60));

private:
    bool Pump(int timeoutMs);

    int m_pid = -1;
    int m_out = -1;
    int m_err = -1;
    CliRun m_run;
};

// Runs varnolt-cli to its end.
CliRun RunCliProgram(const std::vector<std::string>& arguments,
                     const std::map<std::string, std::optional<std::string>>& environment = {},
                     const CliWrapper& wrapper = {});
// Runs another program of the package, by its path, to its end.
CliRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                  const std::map<std::string, std::optional<std::string>>& environment = {});

// The step a rewrite held by VARNOLT_TEST_HOLD_DIR=hold reports on the FIFO "hold/reached", or
// empty when none comes in time. The FIFO is opened for reading and writing, so that opening it
// never waits for the program.
std::string NextHeldStep();
