// A RINEX file's epochs go forward in time: an epoch whose time is not after
// the last one written (two files joined in the wrong order, a receiver
// clock set back) is left out, and each run of such epochs is told once,
// with how many and from when to when.
#pragma once

#include <cstdint>
#include <string>

namespace jpsrinex {

class TimeOrder {
 public:
  // Whether an epoch at gpsTime (s since the GPS time origin) may be
  // written; one that may not joins the run of those left out.
  bool Takes(double gpsTime);
  // The epoch at gpsTime is written: it closes the run, whose text Written
  // returns ("" when there was none).
  std::string Written(double gpsTime);
  // At the end: the text of the run still open, or "".
  std::string Finish() { return CloseRun(); }

 private:
  std::string CloseRun();

  bool hasLast_ = false;
  double last_ = 0;  // the last epoch written
  int64_t runCount_ = 0;
  double runFirst_ = 0, runLast_ = 0;
};

// "2014-08-29 20:02:22.000" of GPS seconds since 1980-01-06.
std::string GpsTimeText(double gpsTime);

}  // namespace jpsrinex
