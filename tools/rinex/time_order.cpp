#include "tools/rinex/time_order.h"

#include <cmath>
#include <cstdio>

#include "support/gps_weeks.h"

namespace jpsrinex {

bool TimeOrder::Takes(double gpsTime) {
  if (!hasLast_ || gpsTime > last_) return true;
  if (runCount_ == 0) runFirst_ = gpsTime;
  runLast_ = gpsTime;
  ++runCount_;
  return false;
}

std::string TimeOrder::Written(double gpsTime) {
  std::string text = CloseRun();
  hasLast_ = true;
  last_ = gpsTime;
  return text;
}

std::string TimeOrder::CloseRun() {
  if (runCount_ == 0) return "";
  char text[200];
  std::snprintf(text, sizeof text,
                "%lld epochs left out whose times (%s to %s) are not after the last epoch written (%s)",
                static_cast<long long>(runCount_), GpsTimeText(runFirst_).c_str(),
                GpsTimeText(runLast_).c_str(), GpsTimeText(last_).c_str());
  runCount_ = 0;
  return text;
}

std::string GpsTimeText(double gpsTime) {
  int32_t week = static_cast<int32_t>(std::floor(gpsTime / jps::kSecondsPerWeek));
  jps::DateTime t = jps::FullWeekToDateTime(week, gpsTime - week * jps::kSecondsPerWeek);
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%06.3f", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return text;
}

}  // namespace jpsrinex
