#include "CliProcess.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// This process's environment for a child, changed as asked. Proxy settings of the machine must
// not send loopback traffic elsewhere.
std::vector<std::string>
ChildEnvironment(const std::map<std::string, std::optional<std::string>>& changes) {
    std::map<std::string, std::optional<std::string>> wanted;
    for (char** variable = environ; *variable != nullptr; ++variable) {
        const std::string text = *variable;
        const std::size_t equals = text.find('=');
        if (equals != std::string::npos) {
            wanted[text.substr(0, equals)] = text.substr(equals + 1);
        }
    }
    for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy",
                             "ALL_PROXY", "no_proxy", "NO_PROXY"}) {
        wanted.erase(name);
    }
    for (const auto& [name, value] : changes) {
        wanted[name] = value;
    }
    std::vector<std::string> variables;
    for (const auto& [name, value] : wanted) {
        if (value) {
            variables.push_back(name + "=" + *value);
        }
    }
    return variables;
}

} // namespace

CliProcess::CliProcess(const std::vector<std::string>& arguments,
                       const std::map<std::string, std::optional<std::string>>& environment,
                       const CliWrapper& wrapper)
    : CliProcess(VNT_CLI_PROGRAM, arguments, environment, wrapper) {}

CliProcess::CliProcess(const std::string& program, const std::vector<std::string>& arguments,
                       const std::map<std::string, std::optional<std::string>>& environment,
                       const CliWrapper& wrapper) {
    // Everything the child needs is made here: between fork and exec the child of this threaded
    // process may call nothing that allocates, since another thread may have held the
    // allocator's lock at the fork.
    std::vector<std::string> copies = wrapper;
    copies.push_back(program);
    copies.insert(copies.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : copies) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    std::vector<std::string> variables = ChildEnvironment(environment);
    std::vector<char*> envp;
    for (std::string& variable : variables) {
        envp.push_back(variable.data());
    }
    envp.push_back(nullptr);

    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "no pipe";
        return;
    }
    m_pid = ::fork();
    if (m_pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(err[1], STDERR_FILENO);
        ::close(out[0]);
        ::close(out[1]);
        ::close(err[0]);
        ::close(err[1]);
        ::execvpe(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    m_out = out[0];
    m_err = err[0];
}

CliProcess::~CliProcess() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    if (m_out >= 0) {
        ::close(m_out);
    }
    if (m_err >= 0) {
        ::close(m_err);
    }
}

// Reads what is there (waiting up to timeoutMs); false once both pipes are closed.
bool CliProcess::Pump(int timeoutMs) {
    pollfd fds[2] = {{m_out, POLLIN, 0}, {m_err, POLLIN, 0}};
    if (m_out < 0 && m_err < 0) {
        return false;
    }
    if (::poll(fds, 2, timeoutMs) <= 0) {
        return true;
    }
    for (int i = 0; i < 2; ++i) {
        if (fds[i].fd < 0 || fds[i].revents == 0) {
            continue;
        }
        char buffer[65536];
        const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
        if (got > 0) {
            (i == 0 ? m_run.out : m_run.err).append(buffer, static_cast<std::size_t>(got));
        } else if (got == 0 || errno != EINTR) {
            ::close(fds[i].fd);
            (i == 0 ? m_out : m_err) = -1;
        }
    }
    return m_out >= 0 || m_err >= 0;
}

bool CliProcess::WaitForOutput(const std::string& text, std::chrono::seconds bound) {
    const auto giveUp = std::chrono::steady_clock::now() + bound;
    while (m_run.out.find(text) == std::string::npos) {
        if (std::chrono::steady_clock::now() > giveUp || !Pump(50)) {
            return m_run.out.find(text) != std::string::npos;
        }
    }
    return true;
}

void CliProcess::Signal(int signalNumber) {
    ::kill(m_pid, signalNumber);
}

CliRun CliProcess::Finish(std::chrono::seconds bound) {
    const auto giveUp = std::chrono::steady_clock::now() + bound;
    while (Pump(100)) {
        if (std::chrono::steady_clock::now() > giveUp) {
            ADD_FAILURE() << "varnolt-cli did not end in time";
            ::kill(m_pid, SIGKILL);
        }
    }
    int status = 0;
    rusage usage{};
    ::wait4(m_pid, &status, 0, &usage);
    m_pid = -1;
    m_run.peakKiB = usage.ru_maxrss;
    m_run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return m_run;
}

CliRun RunCliProgram(const std::vector<std::string>& arguments,
                     const std::map<std::string, std::optional<std::string>>& environment,
                     const CliWrapper& wrapper) {
    CliProcess process(arguments, environment, wrapper);
    return process.Finish();
}

CliRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                  const std::map<std::string, std::optional<std::string>>& environment) {
    CliProcess process(program, arguments, environment);
    return process.Finish();
}

std::string NextHeldStep() {
    const int fd = ::open("hold/reached", O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    std::string line;
    pollfd wanted{fd, POLLIN, 0};
    char c = 0;
    while (::poll(&wanted, 1, 20000) == 1 && ::read(fd, &c, 1) == 1 && c != '\n') {
        line += c;
    }
    ::close(fd);
    return line;
}
