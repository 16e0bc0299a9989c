#pragma once
// The limits and deadlines every fetch, every record and both programs keep to, each written
// once: the layer, the fetches, the records, the window and the command line take them from here.

#include <cstdint>

// A page's body is read, counted and timed in reads of this many bytes.
inline constexpr std::int64_t kReadChunkBytes = 1024;
// The largest page a fetch accepts.
inline constexpr std::int64_t kPageByteLimit = std::int64_t{256} * 1024 * 1024;
// The largest page that rules are applied to: parsing a page takes several times its size.
inline constexpr std::int64_t kRuledPageByteLimit = std::int64_t{64} * 1024 * 1024;

// At most this many fetches to one host at once, as browsers open.
inline constexpr int kMostPerHost = 6;
// Pages the window's check and add fetch at once.
inline constexpr int kWindowFetchesAtOnce = 8;
// Pages `varnolt-cli check` and `add` fetch at once, unless --jobs says otherwise.
inline constexpr int kCommandLineFetchesAtOnce = 20;

// The window's timer ticks this often; its check and add count time in these ticks.
inline constexpr std::int64_t kTickMs = 100;
// A page whose body receives nothing for this long once its answer has begun is "Time Out".
inline constexpr std::int64_t kReadTimeOutMs = 27000;
// The same rule in the window's ticks.
inline constexpr std::int64_t kReadTimeOutTicks = kReadTimeOutMs / kTickMs;
// The window's ticks in a second, for saying a time counted in ticks in seconds.
inline constexpr std::int64_t kTicksPerSecond = 1000 / kTickMs;
// The longest one page of the command line may take in all, by default, in seconds.
inline constexpr int kDefaultTimeoutSeconds = 120;

// The most earlier versions of a page its history may be set to keep, and the highest version
// number a verb accepts.
inline constexpr int kMostKeptVersions = 1000000;
