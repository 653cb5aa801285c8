// The data-quality report written out: as text for people, as one JSON
// document for scripts, and as an SVG picture of every satellite's tracking.
#pragma once

#include <string>

#include "tools/jpsconv/qc_figures.h"

namespace jpsconv {

// Satellites named in the "worst" lines, at most, for each figure.
constexpr size_t kQcWorstShown = 3;

std::string QcText(const QcReport& report);
// compact: on one line (for the JSON lines of convert --json).
std::string QcJson(const QcReport& report, bool compact);
std::string QcSvg(const QcReport& report);

}  // namespace jpsconv
