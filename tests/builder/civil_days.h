// Calendar arithmetic of the tests, independent of the converter's own.
#pragma once

namespace jpstest {

// Days from 1970-01-01 of a Gregorian date.
inline long DaysFromCivil(long y, long m, long d) {
  y -= m <= 2;
  long era = (y >= 0 ? y : y - 399) / 400;
  long yoe = y - era * 400;
  long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  return era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
}
// Days of a date since the GPS time origin, 1980-01-06.
inline long GpsDays(long y, long m, long d) {
  return DaysFromCivil(y, m, d) - DaysFromCivil(1980, 1, 6);
}

}  // namespace jpstest
