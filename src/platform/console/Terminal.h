#pragma once
// Whether the command line's output goes to a person at a terminal, for colour.

// True when standard output goes to a terminal.
bool StandardOutputIsTerminal();
