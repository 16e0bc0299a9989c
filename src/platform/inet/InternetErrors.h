#pragma once
// The one table of the layer's error numbers and the texts shown to the user for them, and the
// per-thread record of the last failure that the calls of WinInet.h leave behind.

#include "platform/inet/WinInet.h"

#include <cstddef>
#include <string>
#include <string_view>

// The most characters an internet failure's message holds, the transfer library's words included.
constexpr std::size_t kInternetMessageLimit = 511;

// The text for an error number, naming the URL concerned (shortened when it is very long); at
// most kInternetMessageLimit characters. A number that is no InternetError gives "No error
// message is available.".
std::string InternetErrorText(DWORD dwError, std::string_view url);

// Records a failure of this thread: its number and, when known, the transfer library's own
// words for it (what InternetGetLastResponseInfoA gives back).
void InternetSetLastFailure(DWORD dwError, std::string_view detail);
std::string InternetLastFailureDetail();
