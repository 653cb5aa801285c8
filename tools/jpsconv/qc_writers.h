// The data-quality report written out: as text for people, as one JSON
// document for scripts, as an SVG picture of every satellite's tracking, and
// as one self-contained HTML page with the text's figures as tables and
// every picture inline (for a report from the receiver's stream also the sky
// plots and C/N0 against elevation).
#pragma once

#include <string>

#include "tools/jpsconv/qc_figures.h"

namespace jpsconv {

// Satellites named in the "worst" lines, at most, for each figure.
constexpr size_t kQcWorstShown = 3;

std::string QcText(const QcReport& report);
// The text's session section alone (gaps, re-acquisitions, modes, marks).
std::string QcSessionText(const QcReport& report);
// compact: on one line (for the JSON lines of convert --json).
std::string QcJson(const QcReport& report, bool compact);
std::string QcSvg(const QcReport& report);
std::string QcHtml(const QcReport& report);

// The pictures as <svg> elements, for a page (QcSvg is the first with its
// XML declaration): the tracking of every satellite (id "tracking"), a sky
// plot of every track coloured by C/N0 (id "sky-plot") or by multipath (id
// "sky-plot-multipath"), and C/N0 against elevation (id "cnr-elevation").
enum class SkyColours { kCnr, kMultipath };
std::string QcTrackingPicture(const QcReport& report);
std::string QcSkyPicture(const QcReport& report, SkyColours colours);
std::string QcCnrPicture(const QcReport& report);

}  // namespace jpsconv
