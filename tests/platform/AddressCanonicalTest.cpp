// Canonical addresses: what the fetch sends, and a form that reading again leaves as it is.
#include "platform/inet/WinInet.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

namespace {

// The canonical form, or nothing when the address has none.
std::optional<std::string> Canonical(const std::string& url) {
    std::string buffer(INTERNET_MAX_URL_LENGTH, '\0');
    DWORD length = INTERNET_MAX_URL_LENGTH;
    if (!InternetCanonicalizeUrlA(url.c_str(), buffer.data(), &length, ICU_BROWSER_MODE)) {
        return std::nullopt;
    }
    buffer.resize(length);
    return buffer;
}

TEST(AddressCanonical, IsTheFormThatReadingAgainLeavesAsItIs) {
    const std::pair<std::string, std::string> cases[] = {
        {"HTTP://Host.Test/a/../b?q=1#f", "http://Host.Test/b?q=1#f"},
        {"http://host.test/my page.html", "http://host.test/my%20page.html"},
        // An escaped host reads as a number only once unescaped.
        {"http://%35/p\xcb/.?e", "http://0.0.0.5/p%cb/?e"},
        {"http://%31%32%37.1/", "http://127.0.0.1/"},
    };
    for (const auto& [typed, canonical] : cases) {
        SCOPED_TRACE(typed);
        EXPECT_EQ(Canonical(typed), canonical);
        EXPECT_EQ(Canonical(canonical), canonical);
    }
}

// Unescaped, these hosts hold characters no host may have: there is no form to fetch.
TEST(AddressCanonical, FailsForAnAddressWhoseUnescapedHostCannotBeRead) {
    for (const std::string url : {"http:/%7f\xf0:/%35/p", "http://%7f/", "http://a%0ab/"}) {
        SCOPED_TRACE(url);
        EXPECT_EQ(Canonical(url), std::nullopt);
        EXPECT_EQ(InternetGetLastError(), static_cast<DWORD>(ERROR_INTERNET_INVALID_URL));
    }
}

} // namespace
