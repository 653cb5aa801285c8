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

}  // namespace jpsconv
