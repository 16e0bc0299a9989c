#pragma once
// varnolt-cli: the window's add, check, browse and delete commands for the command line, on the
// same record, fetch and check code as the window, and the pages' rules. Its verbs are listed in
// one table (cli/Verb.h: check, add, list, remove, rules, show, report, help), each declaring its
// own options.
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
