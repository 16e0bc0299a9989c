#pragma once
// The framework's internet exception: a failure of an internet call, with the layer's error
// number, the context value of the handle concerned and the URL that was being fetched.

#include "platform/inet/WinInet.h"

#include <string>

class CInternetException {
public:
    CInternetException(DWORD_PTR dwContext, DWORD dwError, std::string strUrl,
                       std::string strDetail);

    // What went wrong with the URL, in plain words, followed by the transfer library's own
    // words when it gave any; at most kInternetMessageLimit characters (InternetErrors.h).
    std::string GetErrorMessage() const;

    DWORD_PTR m_dwContext;
    DWORD m_dwError;
    std::string m_strUrl;
    std::string m_strDetail;
};

// Throws the failure this thread's last internet call left behind (InternetGetLastError and
// InternetGetLastResponseInfoA), or dwError when it is not 0.
[[noreturn]] void AfxThrowInternetException(DWORD_PTR dwContext, const std::string& strUrl,
                                            DWORD dwError = 0);
