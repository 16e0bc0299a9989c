#include "support/ScopedEnvironment.h"

#include <cstdlib>

ScopedEnvironment::~ScopedEnvironment() {
    for (const auto& [name, value] : m_saved) {
        if (value) {
            ::setenv(name.c_str(), value->c_str(), 1);
        } else {
            ::unsetenv(name.c_str());
        }
    }
}

void ScopedEnvironment::Set(const std::string& name, const std::optional<std::string>& value) {
    if (m_saved.count(name) == 0) {
        const char* old = std::getenv(name.c_str());
        m_saved[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
    } else {
        ::unsetenv(name.c_str());
    }
}

WithoutProxyVariables::WithoutProxyVariables() {
    for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy",
                             "ALL_PROXY", "no_proxy", "NO_PROXY"}) {
        Set(name, std::nullopt);
    }
}
