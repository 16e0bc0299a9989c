#pragma once
// Running a program to its end from a benchmark, with its own figures from wait4.

#include <chrono>
#include <cstdio>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

struct ProcessFigures {
    double wall = 0;    // seconds
    double cpu = 0;     // seconds, user + system
    double peakMiB = 0; // peak resident memory
    int exitStatus = -1;
};

// Runs a program (looked up on PATH) to its end, its standard output into `output` (thrown away
// when empty) and its errors thrown away.
inline ProcessFigures RunForked(const std::vector<std::string>& arguments,
                                const std::string& output = {}) {
    const auto began = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::FILE* null = std::fopen("/dev/null", "w");
        std::FILE* out = output.empty() ? null : std::fopen(output.c_str(), "w");
        ::dup2(::fileno(out != nullptr ? out : null), STDOUT_FILENO);
        ::dup2(::fileno(null), STDERR_FILENO);
        std::vector<char*> argv;
        std::vector<std::string> copies = arguments;
        for (std::string& argument : copies) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    ProcessFigures figures;
    figures.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    figures.cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                  static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    figures.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    figures.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return figures;
}
