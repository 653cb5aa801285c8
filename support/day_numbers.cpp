#include "support/day_numbers.h"

namespace jps {

int32_t DateToMjd(int32_t year, int32_t month, int32_t day) {
  if (month < 3) {
    year -= 1;
    month += 12;
  }
  int32_t a = static_cast<int32_t>(year * 0.01);
  int32_t b = 2 - a + static_cast<int32_t>(a * 0.25);
  int32_t c = static_cast<int32_t>(year * 365.25);
  int32_t d = static_cast<int32_t>((month + 1) * 30.6001);
  return b + c + d + day - 679006;
}

int32_t FloatRemainder(double a, double b) {
  double x = a / b;
  double f = x - static_cast<double>(static_cast<int64_t>(x));
  return static_cast<int32_t>(b * f + 0.0001);
}

int32_t DayOfWeekFromMjd(int32_t mjd) { return FloatRemainder(mjd + 3.0, 7.0); }

int32_t DateToDayOfWeek(int32_t year, int32_t month, int32_t day) {
  return DayOfWeekFromMjd(DateToMjd(year, month, day));
}

}  // namespace jps
