#pragma once
// A strong digest of bytes (SHA-256, through OpenSSL's libcrypto, which the fetches load
// already), for knowing content again: what was worked out from a text is only reused for a text
// with the same digest.

#include <string>
#include <string_view>

// The SHA-256 digest of the bytes, as 64 lower-case hexadecimal digits; empty when the library
// could not work it out (no memory), which matches no digest.
std::string Sha256Hex(std::string_view bytes);
