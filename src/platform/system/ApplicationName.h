#pragma once
// The program's application name: its executable's file name without directory or extension
// ("varnolt"). Used as message box caption and as the HTTP agent name.

#include <string>

const std::string& ApplicationName();
