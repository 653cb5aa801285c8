// The UTC times of a GLONASS ephemeris. The satellite gives its frame start
// (tk) and reference time (tb) in seconds of the Moscow day (UTC + 3 h),
// and the Moscow date as the day in the four-year period that starts with a
// leap year (NT), with the period's number from 1996 (N4) when it sends one.
#pragma once

#include <cstdint>

namespace jpsrinex {

constexpr int64_t kMoscowAheadOfUtc = 3 * 3600;
constexpr int kDaysPerFourYears = 1461;

// UTC seconds since 1980-01-06 00:00 (UTC's own count) of tk and tb.
struct GlonassTimes {
  int64_t frameUtc;
  int64_t referenceUtc;
};

// The Moscow date: day dayNumber of period n4 when both are usable (n4 from 1,
// dayNumber 1-1461); else day dayNumber of the period nearest nearUtc; else,
// without a usable day number, the Moscow day that puts tb nearest nearUtc.
GlonassTimes DateGlonassEphemeris(int dayNumber, int n4, int32_t tk, int32_t tb, int64_t nearUtc);

}  // namespace jpsrinex
