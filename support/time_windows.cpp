#include "support/time_windows.h"

#include <algorithm>
#include <utility>

#include "support/gps_time.h"

namespace jps {
namespace {

constexpr double kWrapStartFrom = 400000.0;  // a wrapping interval starts this late...
constexpr double kWrapEndBy = 200000.0;      // ...and ends this early, or it is refused

int InWindow(double t, double start, double end, int swap, int absolute, bool closedEnd) {
  if (swap) std::swap(start, end);
  bool beforeEnd = closedEnd ? t <= end : t < end;
  if (absolute || start < end) return (start <= t && beforeEnd) ? 1 : 0;
  return (t >= start || beforeEnd) ? 1 : 0;
}

bool IsTypicalWrap(double start, double end) { return start >= kWrapStartFrom && end <= kWrapEndBy; }

int Overlap(double s, double e, double* start, double* end) {
  if (start != nullptr) *start = s;
  if (end != nullptr) *end = e;
  return 1;
}

}  // namespace

int InWeekWindow(double t, double start, double end, int swap, int absolute) {
  return InWindow(t, start, end, swap, absolute, true);
}

int InWeekWindowOpen(double t, double start, double end, int swap, int absolute) {
  return InWindow(t, start, end, swap, absolute, false);
}

int OverlapTimes(double s1, double e1, double s2, double e2, int absolute, double* start,
                 double* end) {
  if (!absolute) {
    s1 = TimeOfWeek(s1);
    e1 = TimeOfWeek(e1);
    s2 = TimeOfWeek(s2);
    e2 = TimeOfWeek(e2);
  }
  bool wraps1 = !absolute && s1 > e1;
  bool wraps2 = !absolute && s2 > e2;
  if (!wraps1 && !wraps2) {
    if (s1 > e2 || s2 > e1) return 0;
    return Overlap(std::max(s1, s2), std::min(e1, e2), start, end);
  }
  if (wraps1 && wraps2) {
    if (!IsTypicalWrap(s1, e1) || !IsTypicalWrap(s2, e2)) return 0;
    return Overlap(std::max(s1, s2), std::min(e1, e2), start, end);
  }
  if (wraps1) {  // make the first interval the plain one
    std::swap(s1, s2);
    std::swap(e1, e2);
  }
  if (s1 == e1 || !IsTypicalWrap(s2, e2)) return 0;
  if (s1 >= e2) {
    if (e1 <= s2) return 0;
    return Overlap(std::max(s1, s2), e1, start, end);
  }
  return Overlap(s1, std::min(e1, e2), start, end);
}

}  // namespace jps
