#pragma once
// The validators (ETag, Last-Modified) a server sent with a record's stored copy, kept beside the
// record ("N.vnt.validators" for "N.vnt") so that a check may ask the server "has it changed
// since?". They belong to one copy only: the file names that copy by a digest of the address,
// the page and the rules it was compared under, and a check sends them only for a stored copy
// with that digest. A record rewritten by another program, restored or edited by hand has another
// digest, so it never gets a "not modified" it did not earn. A file that is missing, damaged or
// of another copy is simply not used; the page is then fetched whole. Its name never matches the
// record pattern, so the page list passes it over; it goes with its record.

#include "platform/system/PageValidators.h"

#include <optional>
#include <string>
#include <string_view>

// The validators file of a record file.
std::string ValidatorsFileName(const std::string& recordFileName);

// The digest that names one copy: its address, its page and the text of its rules. Empty when it
// could not be worked out (no memory): then nothing is kept or sent.
std::string CopyKey(std::string_view url, std::string_view page, std::string_view rulesText);

struct KeptValidators {
    std::string copyKey; // the copy they came with
    PageValidators validators;
};

// What the record's validators file holds, when it is whole and names a copy.
std::optional<KeptValidators> ReadCopyValidators(const std::string& recordFileName);

// Keeps the validators of the copy named by `copyKey` beside the record, replacing what was kept;
// validators that are empty, or that a request could not carry, remove the file instead. Yields
// 0 or the error number of the failed write; a failure only means the page is fetched whole.
int WriteCopyValidators(const std::string& recordFileName, const std::string& copyKey,
                        const PageValidators& validators);
