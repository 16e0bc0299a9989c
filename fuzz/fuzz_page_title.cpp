// The title rule: any page gives "untitle" or a stretch of the page that holds no "<" and
// follows one of the two title markers.
#include "FuzzCheck.h"
#include "records/PageTitle.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string page(reinterpret_cast<const char*>(data), size);
    const std::string title = PageTitle(page);
    if (title == "untitle") {
        return 0;
    }
    FUZZ_CHECK(title.find('<') == std::string::npos);
    const bool afterLower = page.find("<title>" + title + "<") != std::string::npos;
    const bool afterUpper = page.find("<TITLE>" + title + "<") != std::string::npos;
    FUZZ_CHECK(afterLower || afterUpper);
    return 0;
}
