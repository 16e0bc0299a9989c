#include "platform/inet/InternetException.h"

#include "platform/inet/InternetErrors.h"

#include <utility>

CInternetException::CInternetException(DWORD_PTR dwContext, DWORD dwError, std::string strUrl,
                                       std::string strDetail)
    : m_dwContext(dwContext), m_dwError(dwError), m_strUrl(std::move(strUrl)),
      m_strDetail(std::move(strDetail)) {}

std::string CInternetException::GetErrorMessage() const {
    std::string message = InternetErrorText(m_dwError, m_strUrl);
    if (!m_strDetail.empty()) {
        message += "\n\n(" + m_strDetail + ")";
    }
    if (message.size() > kInternetMessageLimit) {
        message.resize(kInternetMessageLimit);
    }
    return message;
}

void AfxThrowInternetException(DWORD_PTR dwContext, const std::string& strUrl, DWORD dwError) {
    if (dwError != 0) {
        throw CInternetException(dwContext, dwError, strUrl, {});
    }
    throw CInternetException(dwContext, InternetGetLastError(), strUrl,
                             InternetLastFailureDetail());
}
