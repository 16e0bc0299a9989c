#include "records/SeenCopy.h"

#include "platform/system/ContentDigest.h"
#include "platform/system/PageLimits.h"
#include "platform/system/RecordsFolder.h"
#include "platform/system/ReplacingFile.h"
#include "records/RecordFiles.h"

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>

namespace {

constexpr std::string_view kFirstLine = "varnolt seen copy 1\n";
constexpr std::string_view kSeenWord = "seen ";
constexpr std::size_t kDigestDigits = 64;
// The seen text of the largest page rules apply to, in markup, stays well below the largest page
// a fetch accepts; a larger file is no seen file of ours.
constexpr auto kLargestSeenFile = static_cast<std::uintmax_t>(kPageByteLimit);

} // namespace

std::string SeenFileName(const std::string& recordFileName) {
    return SideFileName(recordFileName, SideFile::Seen);
}

std::string SeenCopyKey(std::string_view engine, std::string_view rulesText,
                        std::string_view page) {
    const std::string rulesDigest = Sha256Hex(rulesText);
    const std::string pageDigest = Sha256Hex(page);
    if (rulesDigest.size() != kDigestDigits || pageDigest.size() != kDigestDigits ||
        engine.find('\n') != std::string_view::npos) {
        return {};
    }
    std::string key(kFirstLine);
    key.append("engine ").append(engine).append("\n");
    key.append("rules ").append(rulesDigest).append("\n");
    key.append("page ").append(pageDigest).append("\n");
    return key;
}

std::optional<std::string> ReadSeenCopy(const std::string& recordFileName, const std::string& key) {
    if (key.empty()) {
        return std::nullopt;
    }
    std::FILE* file = OpenFileForReading(SeenFileName(recordFileName));
    if (file == nullptr) {
        return std::nullopt;
    }
    // One byte more than the largest seen file tells a larger file from one of that size.
    std::string text;
    bool failed = std::fseek(file, 0, SEEK_END) != 0;
    const long size = failed ? -1 : std::ftell(file);
    failed = failed || size < 0 || static_cast<std::uintmax_t>(size) > kLargestSeenFile ||
             std::fseek(file, 0, SEEK_SET) != 0;
    if (!failed) {
        text.resize(static_cast<std::size_t>(size) + 1);
        text.resize(std::fread(text.data(), 1, text.size(), file));
        failed = std::ferror(file) != 0 || text.size() != static_cast<std::size_t>(size);
    }
    std::fclose(file);
    if (failed) {
        return std::nullopt;
    }
    // The key, then "seen DIGEST LENGTH" and exactly that many bytes with that digest.
    if (text.compare(0, key.size(), key) != 0) {
        return std::nullopt;
    }
    std::string_view rest = std::string_view(text).substr(key.size());
    const std::size_t lineEnd = rest.find('\n');
    if (lineEnd == std::string_view::npos || rest.substr(0, kSeenWord.size()) != kSeenWord ||
        lineEnd < kSeenWord.size() + kDigestDigits + 2 ||
        rest[kSeenWord.size() + kDigestDigits] != ' ') {
        return std::nullopt;
    }
    const std::string_view digest = rest.substr(kSeenWord.size(), kDigestDigits);
    const std::string_view length = rest.substr(kSeenWord.size() + kDigestDigits + 1,
                                                lineEnd - (kSeenWord.size() + kDigestDigits + 1));
    std::size_t seenBytes = 0;
    const auto parsed = std::from_chars(length.data(), length.data() + length.size(), seenBytes);
    if (parsed.ec != std::errc() || parsed.ptr != length.data() + length.size()) {
        return std::nullopt;
    }
    const std::string_view seen = rest.substr(lineEnd + 1);
    if (seen.size() != seenBytes || Sha256Hex(seen) != digest) {
        return std::nullopt;
    }
    text.erase(0, text.size() - seen.size());
    return text;
}

int WriteSeenCopy(const std::string& recordFileName, const std::string& key,
                  std::string_view seen) {
    const std::string seenDigest = Sha256Hex(seen);
    if (key.empty() || seenDigest.size() != kDigestDigits) {
        return ENOMEM;
    }
    std::string text = key;
    text.reserve(key.size() + kSeenWord.size() + kDigestDigits + 24 + seen.size());
    text.append(kSeenWord).append(seenDigest).append(" ").append(std::to_string(seen.size()));
    text.append("\n").append(seen);
    // Written whole through a temporary, but not synced: a reading checks the length and digest,
    // so a file a crash cut short only costs a reading of the page.
    ReplacingFile file(SeenFileName(recordFileName));
    if (const int error = file.Open(); error != 0) {
        return error;
    }
    file.SkipSync();
    file.Write(text);
    return file.Commit(ReplaceMode::Replace).ErrorNumber();
}
