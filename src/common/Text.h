// UTF-16 <-> UTF-8 conversion and small text helpers shared by every module.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Unpaired surrogates and malformed UTF-8 become U+FFFD; nothing is dropped silently.
std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);

// ASCII-only widening for literals and numbers built with the C library.
std::u16string Widen(std::string_view ascii);

std::u16string IntToText(int64_t value);

// Decimal integer with optional blanks around it and an optional sign; false when
// the text is not a number or does not fit in 32 bits.
bool TryTextToInt(std::u16string_view text, int32_t& value);

// Decimal number using `separator` as the decimal mark; false when it does not parse.
bool TryTextToDouble(std::u16string_view text, char16_t separator, double& value);

// Shortest general form with up to 15 significant digits; integral values have no fraction.
std::u16string DoubleToText(double value, char16_t separator);
