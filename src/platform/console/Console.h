#pragma once
// What a command-line program needs of the system: its folder, the terminal, and the signals
// that ask it to stop.

#include <string>

// The Varnolt folder: "$XDG_DATA_HOME/varnolt", or "$HOME/.local/share/varnolt" when
// XDG_DATA_HOME is unset, empty or not an absolute path. Empty when neither is known.
std::string DefaultDataFolder();

// Makes the folder the process's current directory. Yields 0, or the system error number:
// ENOENT (missing), ENOTDIR, EACCES (it cannot be listed or entered) and so on.
int EnterFolder(const std::string& path);

// The text for a system error number, as the system words it.
std::string SystemErrorWords(int error);

// True when standard error goes to a terminal.
bool StandardErrorIsTerminal();

// From now on SIGINT and SIGTERM only note that a stop was asked for (the first such signal);
// a second one ends the process at once, as the default action would.
void CatchStopSignals();
// The signal that asked for a stop, or 0.
int StopSignal();

// Raises the soft limit of open files to the hard limit, so that a large check is not starved of
// them. Yields the limit now in force.
long RaiseOpenFileLimit();
