#include "records/LineAddress.h"

#include "records/TextCase.h"

std::string_view AddressInLine(std::string_view line) {
    const std::size_t http = line.find("http");
    return http == std::string_view::npos ? line : line.substr(http);
}

bool IsWebAddress(std::string_view address) {
    for (const std::string_view scheme : {"http://", "https://"}) {
        // A scheme's letter case carries no meaning.
        if (address.size() > scheme.size() &&
            EqualsIgnoringCase(address.substr(0, scheme.size()), scheme)) {
            return true;
        }
    }
    return false;
}
