// The "<0x..>" notation for characters that cannot be typed or shown, and the
// lenient base64 of the presets.
#pragma once

#include <string>
#include <string_view>

// Every character outside 32..126 becomes "<0x" + upper-case hex (at least two
// digits) + ">".
std::u16string EscapeText(std::u16string_view AText);

// Every "<0x...>" escape found in the input (letter case ignored) replaced by
// the character of its low 16 bits. Raises EComponentError
// "'$<digits>' is not a valid integer value" for a value beyond 32 bits.
std::u16string UnescapeText(std::u16string_view AText);

// Base64 decoding that never fails: characters outside the alphabet (padding
// included) are skipped, trailing bits that do not fill a byte dropped.
std::string DecodeBase64Lenient(std::u16string_view AText);
