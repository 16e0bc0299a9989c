#pragma once
// varnolt-cli: the window's add, check, browse and delete commands for the command line, on the
// same record, fetch and check rules as the window.
//
//     varnolt-cli [-C DIR] check [--jobs N] [--timeout SECONDS] [--quiet] [--diff] [--notify]
//     varnolt-cli [-C DIR] add [--timeout SECONDS] URL...
//     varnolt-cli [-C DIR] list
//     varnolt-cli [-C DIR] remove URL|NUMBER...
//
// Exit status as diff(1): 0 nothing changed, 1 a page changed, 2 trouble; 130 when stopped by
// SIGINT or SIGTERM.

#include <string>
#include <vector>

constexpr int kExitSame = 0;
constexpr int kExitChanged = 1;
constexpr int kExitTrouble = 2;
constexpr int kExitStopped = 130;

// Runs the program with its arguments (without the program's name).
int RunCli(const std::vector<std::string>& arguments);
