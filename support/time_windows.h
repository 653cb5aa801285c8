// Time windows within the GPS week. A window whose start lies after its end
// runs over the end of the week (Saturday night into Sunday morning).
#pragma once

namespace jps {

// 1 when start <= t <= end. swap exchanges start and end first. With absolute
// set, or when start < end, the window is the plain interval; otherwise it
// wraps and holds t >= start or t <= end.
int InWeekWindow(double t, double start, double end, int swap, int absolute);
// The same with the upper bound excluded (t < end).
int InWeekWindowOpen(double t, double start, double end, int swap, int absolute);

// 1 when the intervals [start1, end1] and [start2, end2] overlap, with the
// overlap in *start and *end (either may be null). With absolute clear, the
// four times are reduced to times of week and an interval whose start lies
// after its end wraps over the end of the week; a wrapping interval counts
// only when it starts at 400000 s or later and ends at 200000 s or earlier.
int OverlapTimes(double start1, double end1, double start2, double end2, int absolute,
                 double* start, double* end);

}  // namespace jps
