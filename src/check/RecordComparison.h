#pragma once
// A fresh page against a record's stored copy, as ComparePages compares them, with what the rules
// saw of the stored copy kept beside the record between checks (records/SeenCopy.h): an unchanged
// page is then not read as HTML at all, and a changed one once instead of twice.

#include "check/RuledPage.h"
#include "records/PageRules.h"

#include <string>
#include <string_view>

// ComparePages(rules, stored, fresh), taking what was seen of the stored copy from beside the
// record only when it was made by this engine from these rules and exactly these stored bytes.
// Afterwards what was seen of the page the record holds next is kept there: of the stored copy
// when the page is the same, of the fresh page when it changed (the record is rewritten with it;
// when it is not, the next check finds the kept text for other bytes and applies the rules again).
PageComparison CompareWithRecord(const std::string& recordFileName, const PageRules& rules,
                                 std::string_view stored, std::string_view fresh,
                                 const RuleDeadline& deadline = {});
