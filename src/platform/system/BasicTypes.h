#pragma once
// The few basic types that the framework and the HTTP layer both speak in.

#include <cstdint>

using BOOL = int;
using DWORD = std::uint32_t;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;
