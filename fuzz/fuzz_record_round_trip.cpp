// Write-then-read: a record composed from any URL, title, date stamp and page splits back into
// exactly what was stored, the page byte for byte; what is stored differs from what was given
// only where it had to (a "|" or line feed in the URL, a false date in the title). The title
// comes either from the input or, as the writer does it, from the page by the title rule.
#include "FuzzCheck.h"
#include "records/PageTitle.h"
#include "records/RecordRead.h"
#include "records/RecordText.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

// Takes the next field: up to a 0xFF byte, or the rest.
std::string_view Take(std::string_view& input) {
    const std::size_t end = input.find('\xff');
    const std::string_view field = input.substr(0, end);
    input = end == std::string_view::npos ? std::string_view() : input.substr(end + 1);
    return field;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) {
        return 0;
    }
    const bool titleFromPage = (data[0] & 1) != 0;
    const std::string date = std::to_string(1 + data[1] % 31) + ":" +
                             std::to_string(1 + data[2] % 12) + ":" +
                             std::to_string(1990 + data[3] * 7);
    std::string_view input(reinterpret_cast<const char*>(data) + 4, size - 4);
    const std::string url(Take(input));
    std::string title(Take(input));
    const std::string page(input);
    if (titleFromPage) {
        title = PageTitle(page);
    }

    const std::string storedUrl = StoredUrl(url);
    const std::string storedTitle = StoredTitle(title);
    const std::string record = ComposeRecord(url, title, date, page);
    const RecordFields fields = SplitRecord(record);
    FUZZ_CHECK(fields.hasHeader);
    FUZZ_CHECK(fields.url == storedUrl);
    FUZZ_CHECK(fields.title == storedTitle);
    FUZZ_CHECK(fields.date == date);
    FUZZ_CHECK(fields.page == page);
    FUZZ_CHECK(LooksLikeRecord(record));

    // The least change: nothing changes unless it had to, and a change only adds characters.
    if (url.find_first_of("|\n") == std::string::npos) {
        FUZZ_CHECK(storedUrl == url);
    }
    FUZZ_CHECK(storedUrl.find_first_of("|\n") == std::string::npos);
    if (title.find('|') == std::string::npos) {
        FUZZ_CHECK(storedTitle == title);
    }
    std::string withoutAddedSpaces;
    for (std::size_t i = 0; i < storedTitle.size(); ++i) {
        if (!(storedTitle[i] == ' ' && i + 1 < storedTitle.size() && storedTitle[i + 1] == '*' &&
              withoutAddedSpaces.size() < title.size() &&
              title[withoutAddedSpaces.size()] == '*')) {
            withoutAddedSpaces += storedTitle[i];
        }
    }
    FUZZ_CHECK(withoutAddedSpaces == title);
    // Storing is stable: a stored title is stored as it is.
    FUZZ_CHECK(StoredTitle(storedTitle) == storedTitle);

    // The same holds for a record that is moved about, as the check's reader does.
    StoredRecord stored(record);
    StoredRecord moved(std::move(stored));
    FUZZ_CHECK(moved.fields.page == page);
    FUZZ_CHECK(moved.fields.title == storedTitle);
    return 0;
}
