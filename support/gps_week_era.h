// GPS week numbers are broadcast modulo 1024 and so name one week in every
// 19.6 years. A recording is never younger than the moment it is looked at,
// which picks the era.
#pragma once

#include <cstdint>

namespace jps {

// The latest whole week number with the same remainder modulo 1024 as week
// whose first second is not after reference (GPS seconds since 1980-01-06);
// week itself modulo 1024 when even that one begins after reference.
int32_t WholeGpsWeek(int32_t week, double reference);

// GPS seconds since 1980-01-06 of a UTC calendar time (month from 0, year
// since 1900); leap seconds are not counted.
double CalendarToGpsSeconds(int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute,
                            int32_t second);

}  // namespace jps
