#include "platform/Platform.h"

#include <atomic>
#include <cmath>
#include <cstdio>

namespace platform {
namespace {

std::atomic<char16_t> gDecimalSeparator{u'.'};

// Simple case folding for the scripts the component meets in names: Latin-1,
// Latin Extended-A pairs, Greek and Cyrillic.
char16_t FoldCase(char16_t c) {
    if (c >= u'A' && c <= u'Z') return c + 32;
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 32;
    if (c >= 0x100 && c <= 0x17F && (c % 2) == 0) return c + 1;
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;
    if (c >= 0x410 && c <= 0x42F) return c + 32;
    if (c >= 0x400 && c <= 0x40F) return c + 80;
    return c;
}

void CivilFromDays(int64_t days, int& year, int& month, int& day) {
    // Howard Hinnant's days-to-civil, shifted from 1970-01-01 to 1899-12-30.
    int64_t z = days - 25569 + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

}  // namespace

bool SameTextLocale(std::u16string_view a, std::u16string_view b) { return a == b; }

bool SameTextIgnoreCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    }
    return true;
}

char16_t DecimalSeparator() { return gDecimalSeparator.load(); }
void SetDecimalSeparator(char16_t separator) { gDecimalSeparator.store(separator); }

std::u16string DateTimeToText(double dateTime) {
    const double dayPart = std::floor(dateTime);
    int64_t ms = std::llround((dateTime - dayPart) * 86400000.0);
    int64_t days = static_cast<int64_t>(dayPart);
    if (ms >= 86400000) ++days, ms -= 86400000;
    int year = 0, month = 0, day = 0;
    CivilFromDays(days, year, month, day);
    const int64_t seconds = ms / 1000;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%02d.%02d.%04d %02d:%02d:%02d", day, month, year,
                  static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    return std::u16string(buffer, buffer + std::char_traits<char>::length(buffer));
}

}  // namespace platform
