#include "records/CopyValidators.h"

#include "platform/system/ContentDigest.h"
#include "platform/system/RecordsFolder.h"
#include "platform/system/ReplacingFile.h"
#include "records/RecordFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace {

constexpr std::string_view kFirstLine = "varnolt validators 1\n";
constexpr std::string_view kCopyWord = "copy ";
constexpr std::string_view kEtagWord = "etag ";
constexpr std::string_view kModifiedWord = "modified ";
constexpr std::string_view kLastLine = "end\n";
constexpr std::size_t kDigestDigits = 64;
// Header values are short; a larger file is none of ours.
constexpr std::size_t kLargestFile = 16 * 1024;

// A value a request header can carry: no control characters (a line end above all).
bool Sendable(std::string_view value) {
    return std::none_of(value.begin(), value.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}

// The rest of `text` after "WORD value\n", with the value; none when the line is not that.
std::optional<std::string_view> TakeLine(std::string_view& text, std::string_view word) {
    const std::size_t end = text.find('\n');
    if (end == std::string_view::npos || text.substr(0, word.size()) != word) {
        return std::nullopt;
    }
    const std::string_view value = text.substr(word.size(), end - word.size());
    text.remove_prefix(end + 1);
    return value;
}

} // namespace

std::string ValidatorsFileName(const std::string& recordFileName) {
    return SideFileName(recordFileName, SideFile::Validators);
}

std::string CopyKey(std::string_view url, std::string_view page, std::string_view rulesText) {
    const std::string pageDigest = Sha256Hex(page);
    const std::string rulesDigest = Sha256Hex(rulesText);
    if (pageDigest.size() != kDigestDigits || rulesDigest.size() != kDigestDigits) {
        return {};
    }
    std::string named(url);
    named.append("\npage ").append(pageDigest).append("\nrules ").append(rulesDigest);
    const std::string key = Sha256Hex(named);
    return key.size() == kDigestDigits ? key : std::string();
}

std::optional<KeptValidators> ReadCopyValidators(const std::string& recordFileName) {
    std::FILE* file = OpenFileForReading(ValidatorsFileName(recordFileName));
    if (file == nullptr) {
        return std::nullopt;
    }
    std::string text(kLargestFile + 1, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), file));
    const bool failed = std::ferror(file) != 0 || text.size() > kLargestFile;
    std::fclose(file);
    if (failed) {
        return std::nullopt;
    }
    std::string_view rest(text);
    if (rest.substr(0, kFirstLine.size()) != kFirstLine) {
        return std::nullopt;
    }
    rest.remove_prefix(kFirstLine.size());
    const auto key = TakeLine(rest, kCopyWord);
    const auto etag = key ? TakeLine(rest, kEtagWord) : std::nullopt;
    const auto modified = etag ? TakeLine(rest, kModifiedWord) : std::nullopt;
    // The last line tells a whole file from one a crash cut short.
    if (!modified || rest != kLastLine || key->size() != kDigestDigits || !Sendable(*etag) ||
        !Sendable(*modified)) {
        return std::nullopt;
    }
    KeptValidators kept{std::string(*key), {std::string(*etag), std::string(*modified)}};
    if (kept.validators.Empty()) {
        return std::nullopt;
    }
    return kept;
}

int WriteCopyValidators(const std::string& recordFileName, const std::string& copyKey,
                        const PageValidators& validators) {
    if (copyKey.size() != kDigestDigits || validators.Empty() || !Sendable(validators.etag) ||
        !Sendable(validators.lastModified)) {
        const int error = RemoveFileName(ValidatorsFileName(recordFileName));
        return error == ENOENT ? 0 : error;
    }
    std::string text(kFirstLine);
    text.append(kCopyWord).append(copyKey).append("\n");
    text.append(kEtagWord).append(validators.etag).append("\n");
    text.append(kModifiedWord).append(validators.lastModified).append("\n");
    text.append(kLastLine);
    return ReplaceFileContents(ValidatorsFileName(recordFileName), text).ErrorNumber();
}
