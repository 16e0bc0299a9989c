#pragma once
// A small, nearly full disk for tests: a tmpfs of a given size mounted on a fresh folder inside
// the working directory, which becomes the working directory while the object lives. Mounting
// needs root (or a mount namespace); where it is not allowed, Mounted() is false and Why() says
// why, so the test can skip with that message.

#include <cstddef>
#include <string>

class SmallDisk {
public:
    explicit SmallDisk(std::size_t bytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool Mounted() const { return m_mounted; }
    const std::string& Why() const { return m_why; }

private:
    std::string m_previous;
    std::string m_path;
    bool m_mounted = false;
    std::string m_why;
};
