// The record split: any text splits into views that lie inside it, in order, with the page at
// its end; a header that was found is "URL|title|date*" with a well-formed date.
#include "FuzzCheck.h"
#include "records/RecordRead.h"
#include "records/RecordText.h"

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

bool Inside(std::string_view part, std::string_view whole) {
    return part.empty() || (part.data() >= whole.data() &&
                            part.data() + part.size() <= whole.data() + whole.size());
}

bool IsDate(std::string_view date) {
    int colons = 0;
    bool digitBefore = false;
    for (const char c : date) {
        if (c == ':') {
            if (!digitBefore) {
                return false;
            }
            ++colons;
            digitBefore = false;
        } else if (std::isdigit(static_cast<unsigned char>(c)) != 0) {
            digitBefore = true;
        } else {
            return false;
        }
    }
    return colons == 2 && digitBefore;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const RecordFields fields = SplitRecord(text);
    for (const std::string_view part : {fields.url, fields.title, fields.date, fields.page}) {
        FUZZ_CHECK(Inside(part, text));
    }
    FUZZ_CHECK(fields.url.find('|') == std::string_view::npos);
    FUZZ_CHECK(text.substr(text.size() - fields.page.size()) == fields.page);
    if (fields.hasHeader) {
        FUZZ_CHECK(IsDate(fields.date));
        const std::size_t headerSize =
            fields.url.size() + fields.title.size() + fields.date.size() + 3;
        FUZZ_CHECK(headerSize + fields.page.size() == text.size());
        FUZZ_CHECK(text.substr(0, fields.url.size() + 1) == std::string(fields.url) + "|");
    }
    // The file rule agrees with the split on where the URL ends.
    if (LooksLikeRecord(text)) {
        FUZZ_CHECK(text.substr(0, fields.url.size()).find('\n') == std::string_view::npos);
    }
    return 0;
}
