#pragma once
// The one table of the layer's error numbers and the texts shown to the user for them, and the
// per-thread record of the last failure that the calls of WinInet.h leave behind.

#include "platform/inet/WinInet.h"

#include <string>
#include <string_view>

// The text for an error number, naming the URL concerned (shortened when it is very long); at
// most 511 characters. An unknown number gives "No error message is available.".
std::string InternetErrorText(DWORD dwError, std::string_view url);

// Records a failure of this thread: its number and, when known, the transfer library's own
// words for it (what InternetGetLastResponseInfoA gives back).
void InternetSetLastFailure(DWORD dwError, std::string_view detail);
std::string InternetLastFailureDetail();
