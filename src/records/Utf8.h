#pragma once
// Whether bytes are text in UTF-8, as what is shown or matched as text must be.

#include <string_view>

// A valid UTF-8 text (no overlong forms, no surrogates, nothing past U+10FFFF)?
bool IsUtf8(std::string_view bytes);
