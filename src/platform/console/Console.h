#pragma once
// What a command-line program needs of the system: its folder, the terminal, and the signals
// that ask it to stop.

#include <optional>
#include <string>

// The Varnolt folder: "$XDG_DATA_HOME/varnolt", or "$HOME/.local/share/varnolt" when
// XDG_DATA_HOME is unset, empty or not an absolute path. Empty when neither is known.
std::string DefaultDataFolder();

// Varnolt's cache folder, for what can be made again at any time (the change reports):
// "$XDG_CACHE_HOME/varnolt", or "$HOME/.cache/varnolt" when XDG_CACHE_HOME is unset, empty or
// not an absolute path. Empty when neither is known.
std::string DefaultCacheFolder();

// The process's current directory; empty when it cannot be named.
std::string CurrentFolder();

// The folder a program of Varnolt works in: `given` (the DIR of its "-C DIR") when there is one,
// otherwise the Varnolt folder; empty when neither is known. The window's launcher and
// varnolt-cli both choose through this one rule, so they never pick different folders.
std::string ChosenFolder(const std::optional<std::string>& given);

// Makes the folder and every missing folder above it, each new one with mode 0700 (the user's
// alone, as the base directory rules ask); folders that exist are left as they are. Yields 0,
// or the system error number of the first folder that could not be made.
int MakePrivateFolder(const std::string& path);

// True when the path names something (a folder or not); false when nothing is there.
bool PathExists(const std::string& path);

// Makes the folder the process's current directory. Yields 0, or the system error number:
// ENOENT (missing), ENOTDIR, EACCES (it cannot be listed or entered) and so on.
int EnterFolder(const std::string& path);

// The folder holding the running program's own file, symbolic links resolved; empty if unknown.
std::string OwnProgramFolder();

// Replaces this process with the program at `path`, given no arguments but its own name. Returns
// only when that failed, with the system error number.
int ReplaceWithProgram(const std::string& path);

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
