#pragma once
// Whether bytes are text in UTF-8, as what is shown or matched as text must be.

#include <string>
#include <string_view>

// A valid UTF-8 text (no overlong forms, no surrogates, nothing past U+10FFFF)?
bool IsUtf8(std::string_view bytes);

// The bytes as UTF-8 text: as they are where they are valid UTF-8, otherwise each byte as its
// Latin-1 character, so that no text is lost and none is invalid.
std::string Utf8OrLatin1(std::string_view bytes);
