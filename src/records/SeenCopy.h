#pragma once
// What a check's comparison saw of a record's stored copy under its rules, kept beside the record
// ("N.vnt.seen" for "N.vnt") so that the next check need not apply the rules to the stored copy
// again. It is a shortcut only, never the truth: it names what made it (the rules engine, the
// rules and the page, by their SHA-256 digests), and a reading that finds any of them different,
// or the file missing, short, damaged or unreadable, finds nothing, so the rules are applied
// again. Written whole through a temporary like every file of the folder (but not synced: a crash
// can at worst leave a file that a reading passes over); its name never matches
// the record pattern, so the page list passes it over; it goes with its record.

#include <optional>
#include <string>
#include <string_view>

// The seen file of a record file.
std::string SeenFileName(const std::string& recordFileName);

// What a seen text is made from: the engine's name (its output version and the libraries'), the
// rules' text and the page. Empty when a digest could not be worked out: then nothing is read
// or kept.
std::string SeenCopyKey(std::string_view engine, std::string_view rulesText, std::string_view page);

// What was seen of the page of that key, when the record's seen file holds exactly that, whole.
std::optional<std::string> ReadSeenCopy(const std::string& recordFileName, const std::string& key);

// Keeps what was seen of the page of that key beside the record, replacing what was kept. Yields
// 0 or the error number of the failed write (which leaves the old file, or none); a failure only
// means the next check applies the rules again.
int WriteSeenCopy(const std::string& recordFileName, const std::string& key, std::string_view seen);
