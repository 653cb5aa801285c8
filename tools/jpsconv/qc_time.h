// Times of the data-quality report as text. A report time is seconds of the
// GPS week of the first epoch, counting on past its end (qc_figures.h).
#pragma once

#include <string>

#include "tools/jpsconv/qc_figures.h"

namespace jpsconv {

// "2015-07-23 19:06:00" when the report knows the week, else the day of
// the week and the time: "Thu 19:06:00". Fractions of a second only when
// there are any.
std::string QcDateTime(const QcReport& report, double t);
// "2015-07-23T19:06:00" with the week, else "" (for JSON).
std::string QcIsoTime(const QcReport& report, double t);
// The time of day: "19:06" (withSeconds false) or "19:06:30".
std::string QcClock(double t, bool withSeconds);
// "45 s", "12 min 30 s", "2 h 05 min".
std::string QcDuration(double seconds);

}  // namespace jpsconv
