#pragma once
// The record-number counter "name.ini": the decimal text of the last number handed out, with no
// line end. Numbers are 64-bit, so the counter never runs out in practice; one stored at the
// largest value (only by editing the file) hands out nothing, rather than wrapping to a negative
// or already used number.

#include <cstdint>
#include <optional>
#include <string_view>

// The number the counter hands out next: its value plus one, so a negative counter such as -5
// gives -4; a missing, empty, unreadable or non-numeric counter gives 1. None when the counter
// has no number left. Nothing is stored: the writer leaves the number in "name.ini" with
// StoreRecordCounter once its record is stored, so a failed add uses up no number.
std::optional<std::int64_t> NextRecordNumber();

// Leaves number in "name.ini".
void StoreRecordCounter(std::int64_t number);

// The number after this one, or none past the largest.
std::optional<std::int64_t> NextNumberAfter(std::int64_t number);

// The leading decimal integer of text: white space skipped, an optional sign, then digits; 0 when
// the text does not start that way. Saturates at the 64-bit limits.
std::int64_t LeadingInteger(std::string_view text);
