#pragma once
// A hint for a large buffer that is about to be filled: the system maps the memory of the given
// bytes in one step, instead of taking a page fault for every page as the writes reach it. The
// contents are left as they are and a failure is ignored, so a caller may give any bytes it owns.

#include <cstddef>

void PrepareForWriting(char* begin, std::size_t length);
