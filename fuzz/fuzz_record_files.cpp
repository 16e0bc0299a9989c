// The record file readers on any file content: the page list, the lookup and the check's reader
// agree on which files are records and on their fields, and never fail on a readable file.
#include "FuzzCheck.h"
#include "records/Catalogue.h"
#include "records/RecordRead.h"
#include "records/RecordText.h"
#include "records/TextCase.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

// Every input runs in one private folder, made once.
const bool g_inFolder = [] {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        ("vnt-fuzz-records-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder);
    std::filesystem::current_path(folder);
    return true;
}();

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FUZZ_CHECK(g_inFolder);
    const std::string content(reinterpret_cast<const char*>(data), size);
    {
        std::ofstream file("1.vnt", std::ios::binary | std::ios::trunc);
        file << content;
    }
    std::vector<std::string> lines;
    const std::vector<std::string> errors =
        FillPageList([&](const std::string& line) { lines.push_back(line); });
    FUZZ_CHECK(errors.empty());
    const std::optional<StoredRecord> record = ReadRecordForCheck("1.vnt").value;
    FUZZ_CHECK(lines.size() == (record ? 1u : 0u));
    if (record) {
        FUZZ_CHECK(record->text == content);
        FUZZ_CHECK(lines[0] == record->fields.url);
        const RecordFields fields = SplitRecord(content);
        FUZZ_CHECK(record->fields.page == fields.page);
        // The lookup finds the record by its address when the address is all it needs to read.
        std::string file, title, date;
        if (content.size() <= 1999 && lines[0].find("http") == 0) {
            FUZZ_CHECK(FindRecordByUrl(lines[0], file, title, date));
            FUZZ_CHECK(file == "1.vnt");
            FUZZ_CHECK(title == fields.title && date == fields.date);
        }
    }
    return 0;
}
