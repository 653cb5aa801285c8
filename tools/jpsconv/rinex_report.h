// What jpsconv rinex prints: one summary per KEL file on stdout, as text or
// as a JSON line.
#pragma once

#include <string>

#include "tools/jpsconv/rinex_export.h"

namespace jpsconv {

std::string RinexSummaryText(const RinexResult& r);
std::string RinexSummaryJson(const RinexResult& r);
// The summary as text or as a JSON line, ending in a line feed.
std::string RinexSummary(const RinexResult& r, bool json);

// jpsconv convert --rinex: exports a KEL file just converted (with the EPP and
// STA files beside it), prints the summary and returns the exit status.
int ExportAfterConversion(const std::string& kel, bool json);

}  // namespace jpsconv
