#pragma once
// What stands behind an HINTERNET. Each handle copies what it needs from its parent when it is
// opened, so handles can be closed in any order.

#include "platform/inet/InternetOptions.h"
#include "platform/inet/WinInet.h"

#include <cstddef>
#include <string>
#include <utility>

struct InternetHandle {
    enum class Kind { Root, Connection, Request };

    InternetHandle(Kind handleKind, DWORD_PTR handleContext)
        : kind(handleKind), context(handleContext) {}
    virtual ~InternetHandle() = default;
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;

    const Kind kind;
    const DWORD_PTR context;
};

struct RootHandle : InternetHandle {
    RootHandle(std::string agentName, InternetOptions limits)
        : InternetHandle(Kind::Root, 0), agent(std::move(agentName)), options(std::move(limits)) {}

    const std::string agent;
    const InternetOptions options;
};

struct ConnectionHandle : InternetHandle {
    ConnectionHandle(const RootHandle& root, std::string hostName, INTERNET_PORT hostPort,
                     DWORD_PTR handleContext)
        : InternetHandle(Kind::Connection, handleContext), agent(root.agent), options(root.options),
          host(std::move(hostName)), port(hostPort) {}

    const std::string agent;
    const InternetOptions options;
    const std::string host;
    const INTERNET_PORT port;
};

// Every handle the layer has given out and not yet closed, so that an unknown or closed handle
// is refused with ERROR_INVALID_HANDLE instead of being used.
void RegisterHandle(InternetHandle* handle);
InternetHandle* FindHandle(HINTERNET handle, InternetHandle::Kind kind);
bool UnregisterHandle(HINTERNET handle);
// How many handles are open in the whole process; tests check that a fetch leaves none.
std::size_t OpenHandleCount();
