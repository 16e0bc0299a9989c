#include "records/Utf8.h"

#include "platform/system/Utf8Step.h"

#include <cstddef>

bool IsUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t length = NextUtf8Step(bytes, i).length;
        if (length == 0) {
            return false;
        }
        i += length;
    }
    return true;
}
