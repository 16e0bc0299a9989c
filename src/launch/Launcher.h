#pragma once
// varnolt, the command people type and the desktop entry starts: it makes the Varnolt folder (or
// takes the one given) and starts the window program in it. The window program itself takes no
// arguments and works in the folder it is started in.
//
//     varnolt [-C DIR]
//     varnolt --help | --version

#include <string>
#include <vector>

// Runs the launcher with its arguments (without the program's name). Returns only when the window
// program was not started: 0 after --help or --version, otherwise 2 with the reason on standard
// error.
int RunLauncher(const std::vector<std::string>& arguments);
