// Reads an EPP ephemeris file back for one answer: the GPS week and the
// ephemeris reference time (toe) of the last GPS ephemeris in the file. Files
// that open with "$EPHREC" are read as keyword blocks ("GpsEph { ..."); any
// other file is read as six unlabelled lines per ephemeris, of which the
// first holds the week as its second number and the fifth holds toe.
#pragma once

#include <cstdint>

#include "support/gps_time.h"

namespace jps {

// The first line of a keyword EPP file begins with this.
constexpr const char* kEppHeaderMark = "$EPHREC";
// The name of a GPS ephemeris block.
constexpr const char* kEppGpsBlockName = "GpsEph";
constexpr int kEppListSize = 128;
constexpr int32_t kEppToeLimit = 604800;     // toe 0-604800 is usable
// Weeks below this are usable: a ten-bit week as broadcast, or a full week
// (the receiver's own count) up to the last one whose end an entry's 32-bit
// time still holds (year 2048). A negative week or a larger one is no week.
constexpr int32_t kEppWeekLimit = INT32_MAX / static_cast<int32_t>(kSecondsPerWeek);

struct EppEphemeris {
  int32_t week;
  int32_t toe;     // seconds
  int32_t time;    // GPS seconds of week and toe, filled by EppListTimes
};

struct EppEphemerisList {
  EppEphemeris entries[kEppListSize];
};

// 0 with the week and toe of the last GPS ephemeris (the last one in the file
// with a non-zero toe, or the last one of all when every toe is 0); 1 when
// the path is empty, the file cannot be read or holds no usable GPS ephemeris.
int EppLatestGpsWeek(const char* path, int32_t* week, double* toe);

// The usable GpsEph blocks of a keyword file, in file order, at most 128.
// -1 when the file cannot be opened, does not begin with "$EPHREC", or memory
// is short.
int EppScanKeywordFile(const char* path, EppEphemerisList* list);
// The usable ephemerides of a six-line file; -1 when it cannot be opened.
int EppScanOldFile(const char* path, EppEphemerisList* list);
// Fills the time of each entry; a toe of 0 belongs to the end of the week.
void EppListTimes(int count, EppEphemerisList* list);
// The last entry with a non-zero toe, or with acceptZeroToe the last entry;
// null when there is none.
const EppEphemeris* EppLastEntry(int count, const EppEphemerisList* list, int acceptZeroToe);

}  // namespace jps
