// GPS times as text, and the texts of a time of day and a date read back.
#pragma once

#include <cstddef>
#include <cstdint>

namespace jps {

// Absolute GPS time as "hh:mm:ss" with the given number of decimals (0-9, a
// value outside is held to that range; 2 gives "hh:mm:05.25") and as
// "mm/dd/yyyy". Either text may be null; each is cut to its capacity.
void FormatGpsTime(double gpsTime, int decimals, char* timeText, size_t timeCapacity,
                   char* dateText, size_t dateCapacity);

// "h:m:s" with hour below 256, minute and second 0-60 (second may carry a
// fraction). 0 on success, 1 on any failure.
int ParseTimeText(const char* text, int32_t* hour, int32_t* minute, double* second);
// "a/b/y": two integers and a year; a year below 50 is 20yy, one from 50 to
// 1899 gets 1900 added. 0 on success, 1 when a slash or a number is missing.
int ParseDateText(const char* text, int32_t* first, int32_t* second, int32_t* year);
// A time text and a month/day/year date text to an absolute GPS time. 0 on
// success, 1 when either text fails or the month or day is out of range.
int ParseDateTime(const char* timeText, const char* dateText, double* gpsTime);

// Today's date "m/d/yyyy" and the time "h:mm:ss", UTC, from the system clock.
void CurrentDateText(char* out, size_t capacity);
void CurrentTimeText(char* out, size_t capacity);

}  // namespace jps
