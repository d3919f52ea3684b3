// Day-count date-times: days since 1899-12-30 as the integral part, the time
// of day as the fraction's magnitude (-1.25 is 1899-12-29 06:00).
#pragma once

#include <cstdint>

struct TCivilDateTime {
    int year, month, day, hour, minute, second, millisecond;
};

// Days since 1899-12-30 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day);

// The date and time of day of a day-count date-time, to the nearest millisecond.
TCivilDateTime SplitDayCount(double dateTime);
