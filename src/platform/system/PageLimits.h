#pragma once
// The limits every fetch and every record keep to, each written once: the layer, the fetches,
// the records and both programs take them from here.

#include <cstdint>

// A page's body is read, counted and timed in reads of this many bytes.
inline constexpr std::int64_t kReadChunkBytes = 1024;
// The largest page a fetch accepts.
inline constexpr std::int64_t kPageByteLimit = std::int64_t{256} * 1024 * 1024;
// At most this many fetches to one host at once, as browsers open.
inline constexpr int kMostPerHost = 6;
