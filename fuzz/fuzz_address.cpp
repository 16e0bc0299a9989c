// Address canonicalisation and cracking, as the fetch uses them: the size protocol holds, a
// canonical address cracks, and canonicalising it again changes nothing.
#include "FuzzCheck.h"
#include "platform/inet/WinInet.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

bool Canonical(const std::string& url, std::string& canonical) {
    DWORD length = 1;
    char probe[1];
    if (InternetCanonicalizeUrlA(url.c_str(), probe, &length, ICU_BROWSER_MODE)) {
        canonical.clear();
        return true; // only an empty canonical form fits in one byte
    }
    if (InternetGetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        return false;
    }
    FUZZ_CHECK(length > 1);
    std::string buffer(length, '\0');
    DWORD size = length;
    FUZZ_CHECK(InternetCanonicalizeUrlA(url.c_str(), buffer.data(), &size, ICU_BROWSER_MODE));
    FUZZ_CHECK(size == length - 1);
    canonical.assign(buffer.data(), size);
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string url(reinterpret_cast<const char*>(data), size);
    if (url.find('\0') != std::string::npos) {
        return 0; // addresses are texts
    }
    std::string canonical;
    if (!Canonical(url, canonical)) {
        return 0;
    }
    // The fetch takes only http and https addresses: for them the canonical form is stable.
    const bool web = canonical.rfind("http://", 0) == 0 || canonical.rfind("https://", 0) == 0;
    std::string again;
    FUZZ_CHECK(Canonical(canonical, again) || !web);
    FUZZ_CHECK(again == canonical || !web);

    std::string scheme(64, '\0'), host(canonical.size() + 1, '\0'),
        user(canonical.size() + 1, '\0'), password(canonical.size() + 1, '\0'),
        path(canonical.size() + 2, '\0');
    URL_COMPONENTSA parts;
    parts.lpszScheme = scheme.data();
    parts.dwSchemeLength = static_cast<DWORD>(scheme.size());
    parts.lpszHostName = host.data();
    parts.dwHostNameLength = static_cast<DWORD>(host.size());
    parts.lpszUserName = user.data();
    parts.dwUserNameLength = static_cast<DWORD>(user.size());
    parts.lpszPassword = password.data();
    parts.dwPasswordLength = static_cast<DWORD>(password.size());
    parts.lpszUrlPath = path.data();
    parts.dwUrlPathLength = static_cast<DWORD>(path.size());
    if (InternetCrackUrlA(canonical.c_str(), 0, 0, &parts)) {
        FUZZ_CHECK(parts.dwHostNameLength <= canonical.size());
        FUZZ_CHECK(parts.dwUrlPathLength <= canonical.size() + 1);
        // For the schemes the fetch takes, the host it connects to is the one in the address.
        // (A "%" in a host is escaped in the canonical form but cracked as it is; such a host
        // names no machine, so it is left out here.)
        const std::string_view cracked(host.data(), parts.dwHostNameLength);
        if ((parts.nScheme == INTERNET_SCHEME_HTTP || parts.nScheme == INTERNET_SCHEME_HTTPS) &&
            cracked.find('%') == std::string_view::npos) {
            FUZZ_CHECK(canonical.find(std::string(host.data(), parts.dwHostNameLength)) !=
                       std::string::npos);
        }
    }
    return 0;
}
