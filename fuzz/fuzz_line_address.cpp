// The address in a list line: a suffix of the line that starts at its first "http" (or the whole
// line); only http:// and https:// addresses count as web addresses.
#include "FuzzCheck.h"
#include "records/LineAddress.h"
#include "records/TextCase.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const std::string_view address = AddressInLine(line);
    FUZZ_CHECK(address.data() + address.size() == line.data() + line.size());
    const std::size_t http = line.find("http");
    FUZZ_CHECK(http == std::string_view::npos ? address.size() == line.size()
                                              : address.size() == line.size() - http);
    if (IsWebAddress(address)) {
        const bool plain =
            address.size() > 7 && EqualsIgnoringCase(address.substr(0, 7), "http://");
        const bool secure =
            address.size() > 8 && EqualsIgnoringCase(address.substr(0, 8), "https://");
        FUZZ_CHECK(plain || secure);
    }
    FUZZ_CHECK(AddressInLine(address) == address);
    return 0;
}
