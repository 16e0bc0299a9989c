#pragma once
// Keeping a record's validators with the copy they belong to, shared by the check and the add:
// the copy is named by its address, its page and the record's rules as they are now, so a
// change of rules makes the kept validators another copy's, never a reason to skip a comparison.

#include "platform/system/PageValidators.h"

#include <string>
#include <string_view>

// The key of the record's copy of that page; empty when the rules cannot be read (then nothing
// is kept or trusted).
std::string RecordCopyKey(const std::string& recordFileName, std::string_view url,
                          std::string_view page);

// Keeps the validators with the record's copy of that page, unless the file holds them already.
// A failure to keep them only costs the next check a whole page, so it is not reported.
void KeepCopyValidators(const std::string& recordFileName, const std::string& copyKey,
                        const PageValidators& validators);
