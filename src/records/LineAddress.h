#pragma once
// The address a line of the page list names: status lines carry the address after a leading
// word ("UPDATE ", "Page Error ", "Error "), so everything before the first "http" (letter case as
// written) is dropped; a line without "http" is taken whole.

#include <string_view>

std::string_view AddressInLine(std::string_view line);

// True for an "http://" or "https://" address: the only kind the browser is ever handed, so no
// other text from a list line (a local file name, say) reaches the desktop's opener.
bool IsWebAddress(std::string_view address);
