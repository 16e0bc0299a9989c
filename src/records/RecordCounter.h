#pragma once
// The record-number counter "name.ini": the decimal text of the last number handed out, with no
// line end. Numbers are 64-bit, so the counter never runs out in practice; one stored at the
// largest value (only by editing the file) hands out nothing, rather than wrapping to a negative
// or already used number.

#include <cstdint>
#include <optional>
#include <string_view>

// Reads the counter, stores the next number and yields it. A missing, empty, unreadable,
// non-numeric or negative counter starts again at 1. A counter that cannot be rewritten still
// yields the new number and keeps its old value.
std::optional<std::int64_t> AdvanceRecordCounter();

// The number the counter would hand out next, without storing it; none when it has none left.
std::optional<std::int64_t> PeekNextRecordNumber();

// Leaves number in "name.ini".
void StoreRecordCounter(std::int64_t number);

// The number after this one, or none past the largest.
std::optional<std::int64_t> NextNumberAfter(std::int64_t number);

// The leading decimal integer of text: white space skipped, an optional sign, then digits; 0 when
// the text does not start that way. Saturates at the 64-bit limits.
std::int64_t LeadingInteger(std::string_view text);
