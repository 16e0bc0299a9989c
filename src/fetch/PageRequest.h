#pragma once
// Opening the request of a page fetch, shared by the single fetch (PageFetch) and the concurrent
// one (ConcurrentPageFetch), so both ask the server for a page in exactly the same way: the
// root, connection and request handles opened in order with the same values, and the two header
// lines added (and, for a copy the caller holds, its validators, so the server may answer "not
// modified"). The request is not sent.

#include "platform/inet/WinInet.h"
#include "platform/system/PageValidators.h"

#include <memory>
#include <string>
#include <string_view>

// The context value every handle of a page fetch carries.
constexpr DWORD_PTR kPageFetchContext = 1;

struct PageRequestHandleCloser {
    void operator()(HINTERNET handle) const;
};
using ScopedInternetHandle = std::unique_ptr<InternetHandle, PageRequestHandleCloser>;

// Declared root first, so the handles close in the opposite order: the root last.
struct PageRequest {
    ScopedInternetHandle hRoot;
    ScopedInternetHandle hConnect;
    ScopedInternetHandle hRequest;
};

// Opens the page's request. A failure of the internet layer, a URL that cannot be split or one
// that names neither http nor https raises CInternetException.
PageRequest OpenPageRequest(const std::string& strUrl, const PageValidators& validators = {});

// Appends one read's bytes to the page text up to the first zero byte among them: the page text
// never holds a zero byte, and a read that holds one loses the rest of that read.
void AppendChunkText(std::string& strPage, std::string_view chunk);

// The page text of a whole body received at once: the body taken as the single fetch reads it,
// in consecutive reads of 1024 bytes, each kept up to its first zero byte.
std::string PageTextFromBody(std::string body);
