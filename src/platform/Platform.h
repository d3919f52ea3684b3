// The thin layer over what the operating system provides. One implementation
// for Win32 (the shipped DLL), one for POSIX (the native build of the portable
// core and its tests).
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Equality under the user's locale collation, letter case significant.
bool SameTextLocale(std::u16string_view a, std::u16string_view b);

// Equality under the user's locale rules, letter case ignored (Cyrillic included).
bool SameTextIgnoreCase(std::u16string_view a, std::u16string_view b);

// The process's decimal separator, read from the user's locale once; tests may override it.
char16_t DecimalSeparator();
void SetDecimalSeparator(char16_t separator);

// A day-count date-time (days since 1899-12-30, time as the fraction) as the
// user's locale writes a date followed by a time.
std::u16string DateTimeToText(double dateTime);

}  // namespace platform
