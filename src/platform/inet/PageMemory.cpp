#include "platform/inet/PageMemory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

void PrepareForWriting(char* begin, std::size_t length) {
#ifdef MADV_POPULATE_WRITE
    static const auto pageSize = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    // Whole pages inside the range only, so no memory outside it is touched.
    const auto first = (reinterpret_cast<std::uintptr_t>(begin) + pageSize - 1) & ~(pageSize - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(begin) + length) & ~(pageSize - 1);
    if (end > first) {
        ::madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_WRITE);
    }
#else
    (void)begin;
    (void)length;
#endif
}
