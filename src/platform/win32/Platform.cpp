#include "platform/Platform.h"

#include <windows.h>

#include <atomic>
#include <cmath>

namespace platform {
namespace {

const wchar_t* Wide(std::u16string_view text) { return reinterpret_cast<const wchar_t*>(text.data()); }

char16_t ReadDecimalSeparator() {
    wchar_t buffer[8] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 8) > 0 && buffer[0] != 0) {
        return static_cast<char16_t>(buffer[0]);
    }
    return u'.';
}

std::atomic<char16_t>& DecimalSeparatorSlot() {
    static std::atomic<char16_t> separator{ReadDecimalSeparator()};
    return separator;
}

bool Compare(std::u16string_view a, std::u16string_view b, DWORD flags) {
    return CompareStringW(LOCALE_USER_DEFAULT, flags, Wide(a), static_cast<int>(a.size()), Wide(b),
                          static_cast<int>(b.size())) == CSTR_EQUAL;
}

std::u16string Format(int length, auto&& format) {
    std::u16string text(static_cast<size_t>(length > 0 ? length : 1), u'\0');
    const int written = format(reinterpret_cast<wchar_t*>(text.data()), length);
    text.resize(written > 0 ? static_cast<size_t>(written - 1) : 0);
    return text;
}

}  // namespace

bool SameTextLocale(std::u16string_view a, std::u16string_view b) { return Compare(a, b, 0); }

bool SameTextIgnoreCase(std::u16string_view a, std::u16string_view b) { return Compare(a, b, NORM_IGNORECASE); }

char16_t DecimalSeparator() { return DecimalSeparatorSlot().load(); }
void SetDecimalSeparator(char16_t separator) { DecimalSeparatorSlot().store(separator); }

std::u16string DateTimeToText(double dateTime) {
    SYSTEMTIME st{};
    // Day counts since 1899-12-30 are OLE automation dates; convert through FILETIME
    // arithmetic to stay free of oleaut32 for this one conversion.
    const double dayPart = std::floor(dateTime);
    int64_t ms = std::llround((dateTime - dayPart) * 86400000.0);
    const int64_t days = static_cast<int64_t>(dayPart);
    constexpr int64_t kDaysFrom1601To1899 = 109205;
    const int64_t ticks = ((days + kDaysFrom1601To1899) * 86400000LL + ms) * 10000LL;
    FILETIME ft{static_cast<DWORD>(ticks), static_cast<DWORD>(static_cast<uint64_t>(ticks) >> 32)};
    if (ticks < 0 || !FileTimeToSystemTime(&ft, &st)) return {};
    auto date = Format(GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, nullptr, 0),
                       [&](wchar_t* p, int n) { return GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, p, n); });
    auto time = Format(GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, nullptr, 0),
                       [&](wchar_t* p, int n) { return GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, p, n); });
    return date + u" " + time;
}

}  // namespace platform
