#include "platform/system/MemoryReturn.h"

#include <malloc.h>
#include <mutex>

namespace {

// Blocks of this size and more are mapped on their own: a page's text, a record, a transfer's
// buffer; never the many small strings of a list.
constexpr int kOwnMappingBytes = 1 << 20;

} // namespace

void KeepLargeBlocksReturnable() {
    static std::once_flag set;
    // Setting the bar at all also stops the C library from moving it.
    std::call_once(set, [] { ::mallopt(M_MMAP_THRESHOLD, kOwnMappingBytes); });
}
