#include "tools/jpsconv/kel_companions.h"

#include <cctype>
#include <ctime>

#include "support/file64.h"
#include "support/gps_weeks.h"
#include "tools/jpsconv/cli_common.h"
#include "tools/jpsconv/platform.h"

namespace jpsconv {
namespace {

// KEL creation years (since 1900) that can be a real date.
constexpr int kFirstStampYear = 80;
constexpr int kLastStampYear = 200;
constexpr int kMonthsPerYear = 12;
constexpr int kLongestMonth = 31;

}  // namespace

std::string FileBeside(const std::string& kel, const std::string& extension) {
  std::string other = extension;
  for (char& c : other) {
    unsigned char u = static_cast<unsigned char>(c);
    c = static_cast<char>(std::isupper(u) ? std::tolower(u) : std::toupper(u));
  }
  for (const std::string& e : {extension, other}) {
    std::string beside = WithExtension(kel, e);
    if (jps::IsRegularFile(beside.c_str())) return beside;
  }
  return "";
}

int32_t WeekWritten(const jps::KelHeader& h) {
  jps::CalendarTime c{
      h.createSecond, h.createMinute, h.createHour, h.createDay, h.createMonth, h.createYear, 0};
  bool date = h.createYear >= kFirstStampYear && h.createYear <= kLastStampYear &&
              h.createMonth >= 0 && h.createMonth < kMonthsPerYear && h.createDay >= 1 &&
              h.createDay <= kLongestMonth;
  if (!date) {
    std::time_t now = std::time(nullptr);
    std::tm utc = platform::UtcTime(now);
    c = {utc.tm_sec, utc.tm_min, utc.tm_hour, utc.tm_mday, utc.tm_mon, utc.tm_year, 0};
  }
  return jps::FullWeekOfCalendar(c);
}

int32_t RecordingWeek(int32_t week, const jps::KelHeader& header) {
  return jps::FullWeekNotAfter(week, WeekWritten(header) + 1);
}

}  // namespace jpsconv
