#pragma once
// Environment variables changed for a scope and put back as they were afterwards.

#include <map>
#include <optional>
#include <string>

class ScopedEnvironment {
public:
    ScopedEnvironment() = default;
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    ~ScopedEnvironment();

    // Sets the variable, or removes it for std::nullopt; the first change saves the old value.
    void Set(const std::string& name, const std::optional<std::string>& value);

private:
    std::map<std::string, std::optional<std::string>> m_saved;
};

// No proxy variable (http_proxy, https_proxy, all_proxy, no_proxy, in both cases) for the scope,
// so traffic to a test's own server goes straight to it, in this process and in any child it
// starts. Set can still give one for a test of the proxy setting.
class WithoutProxyVariables : public ScopedEnvironment {
public:
    WithoutProxyVariables();
};
