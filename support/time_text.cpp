#include "support/time_text.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "support/gps_time.h"
#include "support/text_format.h"

namespace jps {
namespace {

constexpr int kMaxDecimals = 9;
constexpr long kHourLimit = 256;             // hours must stay below this
constexpr double kMinuteSecondLimit = 60.0;  // minutes and seconds up to this
constexpr int32_t kTwoDigitYearSplit = 50;   // below: 20yy
constexpr int32_t kCenturyYearEnd = 1900;    // 50 to 1899: 1900 added
constexpr size_t kParseBufferSize = 256;

// A whole number between begin and end, blanks allowed around it.
bool ParseWhole(const char* begin, const char* end, long* value) {
  while (begin < end && *begin == ' ') ++begin;
  while (end > begin && end[-1] == ' ') --end;
  if (begin == end) return false;
  long v = 0;
  for (const char* p = begin; p < end; ++p) {
    if (!std::isdigit(static_cast<unsigned char>(*p))) return false;
    if (v > 100000) return false;  // far beyond any field of a time or a date
    v = v * 10 + (*p - '0');
  }
  *value = v;
  return true;
}

}  // namespace

void FormatGpsTime(double gpsTime, int decimals, char* timeText, size_t timeCapacity,
                   char* dateText, size_t dateCapacity) {
  if (decimals < 0) decimals = 0;
  if (decimals > kMaxDecimals) decimals = kMaxDecimals;
  int32_t week = static_cast<int32_t>(std::trunc(gpsTime / kSecondsPerWeek));
  double tow = gpsTime - week * kSecondsPerWeek;
  int32_t hour, minute, month, day, year;
  double second;
  GpsToCalendar(week, tow, &hour, &minute, &second, &month, &day, &year);
  if (timeText != nullptr) {
    int width = decimals + (decimals > 0 ? 1 : 0) + 2;
    FormatText(timeText, timeCapacity, "%02d:%02d:%0*.*f", hour, minute, width, decimals, second);
  }
  if (dateText != nullptr) FormatText(dateText, dateCapacity, "%02d/%02d/%d", month, day, year);
}

int ParseTimeText(const char* text, int32_t* hour, int32_t* minute, double* second) {
  char copy[kParseBufferSize];
  std::strncpy(copy, text, sizeof copy - 1);
  copy[sizeof copy - 1] = '\0';
  char* colon1 = std::strchr(copy, ':');
  if (colon1 == nullptr) return 1;
  char* colon2 = std::strchr(colon1 + 1, ':');
  if (colon2 == nullptr) return 1;
  long h, m;
  if (!ParseWhole(copy, colon1, &h) || h >= kHourLimit) return 1;
  if (!ParseWhole(colon1 + 1, colon2, &m) || m > kMinuteSecondLimit) return 1;
  char* run = colon2 + 1;
  while (*run == ' ') ++run;
  size_t length = std::strspn(run, "0123456789.");
  if (length == 0) return 1;
  run[length] = '\0';
  char* parsed = nullptr;
  double s = std::strtod(run, &parsed);
  if (parsed != run + length || s > kMinuteSecondLimit) return 1;
  *hour = static_cast<int32_t>(h);
  *minute = static_cast<int32_t>(m);
  *second = s;
  return 0;
}

int ParseDateText(const char* text, int32_t* first, int32_t* second, int32_t* year) {
  const char* slash1 = std::strchr(text, '/');
  if (slash1 == nullptr) return 1;
  const char* slash2 = std::strchr(slash1 + 1, '/');
  if (slash2 == nullptr) return 1;
  long a, b, y;
  if (!ParseWhole(text, slash1, &a) || !ParseWhole(slash1 + 1, slash2, &b) ||
      !ParseWhole(slash2 + 1, slash2 + 1 + std::strlen(slash2 + 1), &y)) {
    return 1;
  }
  if (y < kTwoDigitYearSplit) y += 2000;
  else if (y < kCenturyYearEnd) y += 1900;
  *first = static_cast<int32_t>(a);
  *second = static_cast<int32_t>(b);
  *year = static_cast<int32_t>(y);
  return 0;
}

int ParseDateTime(const char* timeText, const char* dateText, double* gpsTime) {
  int32_t month, day, year, hour, minute;
  double second;
  if (ParseDateText(dateText, &month, &day, &year) != 0) return 1;
  if (ParseTimeText(timeText, &hour, &minute, &second) != 0) return 1;
  if (month < 1 || month > 12 || day < 1 || day > 31) return 1;
  int32_t week;
  double tow;
  CalendarToGps(hour, minute, second, month, day, year, &week, &tow);
  *gpsTime = WeekToSeconds(tow, week);
  return 0;
}

void CurrentDateText(char* out, size_t capacity) {
  const CalendarTime* c = SecondsToCalendar(static_cast<int64_t>(std::time(nullptr)));
  int32_t y = c->year;
  if (y <= 79) y += 2000;
  else if (y <= 199) y += 1900;
  FormatText(out, capacity, "%d/%d/%d", c->month + 1, c->day, y);
}

void CurrentTimeText(char* out, size_t capacity) {
  const CalendarTime* c = SecondsToCalendar(static_cast<int64_t>(std::time(nullptr)));
  FormatText(out, capacity, "%d:%02d:%02d", c->hours, c->minutes, c->seconds);
}

}  // namespace jps
