// Reads what the data-quality report needs: the KEL file through the KEL
// reader, and the EPP file (for the GPS week) and the STA file (for the
// station marks) beside it when they are there.
#pragma once

#include <string>

#include "support/sta_lines.h"
#include "tools/jpsconv/qc_figures.h"

namespace jpsconv {

// "" when the KEL file could be opened and its header is sound (the report
// then holds the figures of every epoch read; report->damage says why the
// file could not be read to its end); else why not, with *cannotOpen telling
// a missing file from one that is not a KEL file.
std::string ReadQcReport(const std::string& kelPath, QcReport* report, bool* cannotOpen);

// The mark of a line of an STA file (or of the conversion's station lines);
// false for a line that is none.
bool QcMarkOf(const jps::StaLine& line, QcMark* mark);

}  // namespace jpsconv
