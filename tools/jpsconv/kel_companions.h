// What the commands that read a KEL file back (qc, rinex) take from beside
// it: the EPP and STA files the converter wrote with it, and the GPS week in
// which its header says it was written.
#pragma once

#include <cstdint>
#include <string>

#include "support/kel_records.h"

namespace jpsconv {

// The file beside the KEL file with this extension, as the converter writes
// it (".epp", ".STA") or in the other case; "" when neither exists.
std::string FileBeside(const std::string& kel, const std::string& extension);

// The full GPS week in which the KEL file was written, from its creation
// stamp; this week when the stamp is not a date. A recording is older.
int32_t WeekWritten(const jps::KelHeader& header);

// The full GPS week of a week number that the receiver sent with the data of
// the KEL file (ten bits, or the full week), as every tool that reads a KEL
// file back dates it: a ten-bit week goes to the era that puts it nearest to,
// and not after, the file's creation (its week or the next: the stamp is the
// converting computer's local time). A full week stays; -1 for a negative one.
int32_t RecordingWeek(int32_t week, const jps::KelHeader& header);

}  // namespace jpsconv
