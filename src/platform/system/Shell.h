#pragma once
// Opening an address with the desktop's default web browser: the desktop's opener (xdg-open) is
// started with the address as its one argument, never through a shell command line, and is not
// waited for.

#include <functional>
#include <string>

constexpr int SW_SHOW = 5;

// Asks the desktop to carry out the operation ("open") on the file or address. Yields a value
// above 32 when the opener was started, as callers of this call expect; the program does not
// look at it. The owner window, parameters and directory are not used here.
long ShellExecuteA(void* owner, const char* operation, const char* file, const char* parameters,
                   const char* directory, int showCommand);

// Tests replace the desktop's opener with one that records what it was given; an empty function
// restores the real one.
void SetShellOpenerForTesting(std::function<void(const std::string& address)> opener);
