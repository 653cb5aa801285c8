// Calendar day numbers through the Modified Julian Day.
#pragma once

#include <cstdint>

namespace jps {

// Modified Julian Day of a date (four-digit year, month 1-12, day).
int32_t DateToMjd(int32_t year, int32_t month, int32_t day);
// a mod b for a >= 0, b > 0, guarded against 2.9999999 truncating to 2.
int32_t FloatRemainder(double a, double b);
// Day of week of an MJD, 0 = Sunday.
int32_t DayOfWeekFromMjd(int32_t mjd);
// Day of week of a date, 0 = Sunday ... 6 = Saturday.
int32_t DateToDayOfWeek(int32_t year, int32_t month, int32_t day);

}  // namespace jps
