#pragma once
// The program's own file and application name.

#include <string>

// The running program's own file, symbolic links resolved; empty when it cannot be known.
const std::string& OwnProgramPath();

// The program's application name: its executable's file name without directory or extension
// ("varnolt"). Used as message box caption and as the HTTP agent name.
const std::string& ApplicationName();
