#include "common/DayCount.h"

#include <cmath>

namespace {

// Howard Hinnant's civil-date algorithms, shifted from 1970-01-01 to 1899-12-30.
constexpr int64_t kEpochShift = 719468 - 25569;

void CivilFromDays(int64_t days, TCivilDateTime& out) {
    const int64_t z = days + kEpochShift;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    out.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    out.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    out.year = static_cast<int>(yoe + era * 400 + (out.month <= 2 ? 1 : 0));
}

}  // namespace

int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yoe = year - era * 400;
    const int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - kEpochShift;
}

TCivilDateTime SplitDayCount(double dateTime) {
    const double whole = std::trunc(dateTime);
    int64_t days = static_cast<int64_t>(whole);
    int64_t ms = std::llround(std::fabs(dateTime - whole) * 86400000.0);
    if (ms >= 86400000) {
        // Rounded up to a whole day: the next day away from the epoch.
        ms -= 86400000;
        days += dateTime < 0 ? -1 : 1;
    }
    TCivilDateTime out{};
    CivilFromDays(days, out);
    out.hour = static_cast<int>(ms / 3600000);
    out.minute = static_cast<int>(ms / 60000 % 60);
    out.second = static_cast<int>(ms / 1000 % 60);
    out.millisecond = static_cast<int>(ms % 1000);
    return out;
}
