// The report as an SVG picture: time across with clock labels, one row per
// satellite (GPS, then GLONASS), bars where it was observed coloured by what
// it had, a tick at every cycle slip, the session's missing epochs hatched,
// and the STA file's marks and the survey mode along the top; in a report
// from the receiver's stream, a strip under each bar coloured by the
// satellite's multipath over time. Plain SVG: no script, nothing external.
//
// The bars are drawn per pixel column, not per epoch: a column takes the kind
// of observation that covers most of it, and neighbouring columns of one kind
// become one bar, so a day of 1-second data draws as few shapes as an hour.
#include <algorithm>
#include <array>
#include <cmath>

#include "tools/jpsconv/cli_common.h"
#include "tools/jpsconv/qc_markup.h"
#include "tools/jpsconv/qc_time.h"
#include "tools/jpsconv/qc_writers.h"
#include "tools/jpsconv/satellite_names.h"

namespace jpsconv {
namespace {

// Layout, in pixels.
constexpr double kWidth = 1200;
constexpr double kLeft = 64;   // row labels
constexpr double kRight = 56;  // slip counts
constexpr double kPlot = kWidth - kLeft - kRight;
constexpr double kTitleHeight = 52;
constexpr double kMarkLines = 3;  // station labels are staggered over this many lines
constexpr double kMarkLineHeight = 12;
constexpr double kModeStrip = 8;
constexpr double kPulseTick = 5;  // above the mode strip
constexpr double kAxisHeight = 18;
constexpr double kRowHeight = 14;
constexpr double kBarHeight = 10;
constexpr double kStreamRowHeight = 20;  // a report from the stream: the bar and a multipath strip
constexpr double kStripHeight = 5;
constexpr double kSystemSpace = 8;  // between GPS and GLONASS
constexpr double kLegendHeight = 44;
constexpr double kCovered = 0.5;   // a column shows a bar when at least this much is covered

// Clock label steps, seconds; the first that gives at most kMostLabels labels.
constexpr double kLabelSteps[] = {1,   2,   5,    10,   15,   30,    60,    120,   300,
                                  600, 900, 1800, 3600, 7200, 10800, 21600, 43200, 86400};
constexpr double kMostLabels = 12;

const char* const kKindColours[kTrackingKinds] = {"#2e7d32", "#f9a825", "#90a4ae"};
// Class of each kind's bars, for whoever reads the picture as data.
const char* const kKindClasses[kTrackingKinds] = {"dual-phase", "l1-phase", "code-only"};
const char* const kKindNames[kTrackingKinds] = {"L1 and L2 phase", "L1 phase only",
                                                "no phase (code only)"};
constexpr const char* kSlipColour = "#d32f2f";
constexpr const char* kMarkColour = "#1565c0";
constexpr const char* kStaticColour = "#b0bec5";
constexpr const char* kKinematicColour = "#ef6c00";
constexpr const char* kGridColour = "#e6e6e6";
constexpr const char* kHatch = "url(#missing)";

// Where time goes across: the session from its first epoch to the end of its last.
struct Frame {
  double t0 = 0, t1 = 1;
  double step = 1;  // the time an epoch covers: the interval, or 1 s when there is none
  double X(double t) const { return kLeft + (t - t0) / (t1 - t0) * kPlot; }
};

std::string Title(const QcReport& r) {
  QcTotals t = Totals(r);
  std::string when = r.present == 0
                         ? std::string("no epochs")
                         : QcDateTime(r, r.first) + " to " + QcDateTime(r, r.last) + " GPS time" +
                               (r.hasWeek ? Formatted(" (week %d)", r.week) : "");
  std::string figures =
      Formatted("every %s, %ld of %ld epochs, %zu gaps, %d satellites, %ld cycle slips",
                QcDuration(r.interval).c_str(), r.present, r.expected, r.gaps.size(),
                t.gps + t.glonass + t.other, t.slips);
  if (!r.damage.empty()) figures += "; DAMAGED: " + r.damage;
  return SvgText(kLeft, 20, BaseName(r.kel), " font-size=\"15\" font-weight=\"bold\"") +
         SvgText(kLeft, 38, when + " \u2014 " + figures);
}

double LabelStep(const Frame& f) {
  for (double step : kLabelSteps) {
    if ((f.t1 - f.t0) / step <= kMostLabels) return step;
  }
  return kLabelSteps[sizeof kLabelSteps / sizeof kLabelSteps[0] - 1];
}

// Clock labels above the rows and grid lines through them.
std::string Axis(const Frame& f, double top, double bottom) {
  double step = LabelStep(f);
  std::string labels, grid;
  for (double t = std::ceil(f.t0 / step) * step; t <= f.t1 + 1e-9; t += step) {
    double x = f.X(t);
    labels += SvgText(x, top - 5, QcClock(t, step < 60), " text-anchor=\"middle\"");
    grid += Formatted("M%.1f %.1fV%.1f", x, top, bottom);
  }
  return SvgPath(grid, Formatted("stroke=\"%s\" fill=\"none\"", kGridColour).c_str()) + labels;
}

// The marks band: station lines and mode changes of the STA file (labels
// staggered), camera pulses as ticks on the mode strip, the strip coloured
// by the epochs' survey mode.
std::string Marks(const QcReport& r, const Frame& f, double top, double rowsTop,
                  double rowsBottom) {
  double strip = top + kMarkLines * kMarkLineHeight + 4;
  std::string out, lines, pulses, statics, kinematics;
  for (const QcSpan& s : r.spans) {
    (s.kinematic ? kinematics : statics) +=
        SvgBox(f.X(s.start), f.X(s.end + f.step), strip, kModeStrip);
  }
  out += SvgPath(statics, Formatted("fill=\"%s\"", kStaticColour).c_str());
  out += SvgPath(kinematics, Formatted("fill=\"%s\"", kKinematicColour).c_str());
  int line = 0;
  for (const QcMark& m : r.marks) {
    if (!m.hasTime || m.time < f.t0 || m.time > f.t1) continue;
    double x = f.X(m.time);
    if (m.kind == QcMarkKind::kCameraPulse) {
      pulses += Formatted("M%.1f %.1fv%.1f", x, strip - kPulseTick, kPulseTick);
      continue;
    }
    std::string label = m.kind == QcMarkKind::kStation ? m.name
                        : m.kinematic                  ? "\u25b6 kinematic"
                                                       : "\u25a0 static";
    double y = top + kMarkLineHeight * (1 + line);
    line = (line + 1) % static_cast<int>(kMarkLines);
    out += SvgText(x + 2, y - 2, label, Formatted(" fill=\"%s\"", kMarkColour).c_str());
    lines += Formatted("M%.1f %.1fV%.1f", x, y - kMarkLineHeight + 2,
                       m.kind == QcMarkKind::kStation ? rowsBottom : rowsTop);
  }
  out += SvgPath(pulses, "class=\"pulses\" stroke=\"#000\" fill=\"none\"");
  out += SvgPath(lines, Formatted("class=\"marks\" stroke=\"%s\" fill=\"none\" "
                               "stroke-dasharray=\"3,2\"",
                               kMarkColour)
                         .c_str());
  return out;
}

// One satellite's bars: the runs spread over pixel columns, each column
// taking the kind that covers most of it.
void Bars(const QcSatellite& s, const Frame& f, double interval, double y,
          std::string (&paths)[kTrackingKinds]) {
  size_t columns = static_cast<size_t>(kPlot);
  std::vector<std::array<double, kTrackingKinds>> cover(columns, {0, 0, 0});
  for (const QcRun& run : s.runs) {
    double x0 = f.X(run.start) - kLeft, x1 = f.X(run.end + interval) - kLeft;
    for (size_t c = static_cast<size_t>(std::max(0.0, std::floor(x0)));
         c < columns && static_cast<double>(c) < x1; ++c) {
      double from = std::max(x0, static_cast<double>(c)), to = std::min(x1, c + 1.0);
      cover[c][static_cast<size_t>(run.kind)] += std::max(0.0, to - from);
    }
  }
  int open = -1;
  size_t start = 0;
  for (size_t c = 0; c <= columns; ++c) {
    int kind = -1;
    if (c < columns) {
      const auto& k = cover[c];
      size_t best = static_cast<size_t>(std::max_element(k.begin(), k.end()) - k.begin());
      if (k[0] + k[1] + k[2] >= kCovered) kind = static_cast<int>(best);
    }
    if (kind == open) continue;
    if (open >= 0) paths[open] += SvgBox(kLeft + start, kLeft + c, y, kBarHeight);
    open = kind;
    start = c;
  }
}

// A satellite's multipath over time: a strip under its bar, each bin of its
// track coloured by its MP1 class (merged where neighbours share one).
// A bin covers its length, or an interval when that is longer.
void MultipathStrip(const QcSatellite& s, const Frame& f, double binSeconds,
                    std::vector<std::vector<std::pair<double, double>>>& spans) {
  const ColourScale& scale = MultipathScale();
  double covers = std::max(binSeconds, f.step);
  for (const QcTrackPoint& p : s.stream.track) {
    if (!p.hasMultipath) continue;
    double x0 = std::max(f.X(p.time - covers / 2), kLeft);
    double x1 = std::min(f.X(p.time + covers / 2), kLeft + kPlot);
    spans[static_cast<size_t>(scale.ClassOf(p.multipath))].push_back({x0, x1});
  }
}

std::string Rows(const QcReport& r, const Frame& f, double top, double* bottom) {
  std::string out, labels, slips;
  std::string paths[kTrackingKinds];
  bool strips = r.stream.present;
  double rowHeight = strips ? kStreamRowHeight : kRowHeight;
  const ColourScale& scale = MultipathScale();
  std::vector<std::string> stripPaths(scale.colours.size());
  double y = top;
  for (size_t i = 0; i < r.satellites.size(); ++i) {
    const QcSatellite& s = r.satellites[i];
    if (i > 0 && jps::IsGpsNumber(r.satellites[i - 1].number) && !jps::IsGpsNumber(s.number)) {
      y += kSystemSpace;
    }
    labels += SvgText(kLeft - 6, y + kBarHeight, s.name,
                   " text-anchor=\"end\" font-family=\"monospace\"");
    if (!s.slips.empty()) {
      labels += SvgText(kWidth - kRight + 6, y + kBarHeight, Formatted("%zu", s.slips.size()),
                     Formatted(" fill=\"%s\"", kSlipColour).c_str());
    }
    Bars(s, f, f.step, y + (kRowHeight - kBarHeight) / 2, paths);
    if (strips) {
      std::vector<std::vector<std::pair<double, double>>> spans(scale.colours.size());
      MultipathStrip(s, f, r.stream.binSeconds, spans);
      double stripTop = y + (kRowHeight - kBarHeight) / 2 + kBarHeight + 1;
      for (size_t k = 0; k < spans.size(); ++k) {
        stripPaths[k] += MergedBoxes(spans[k], stripTop, kStripHeight);
      }
    }
    for (double t : s.slips) slips += Formatted("M%.1f %.1fv%.1f", f.X(t), y, rowHeight);
    y += rowHeight;
  }
  for (int k = 0; k < kTrackingKinds; ++k) {
    out += SvgPath(paths[k],
                Formatted("class=\"%s\" fill=\"%s\"", kKindClasses[k], kKindColours[k]).c_str());
  }
  for (size_t k = 0; k < stripPaths.size(); ++k) {
    out += SvgPath(stripPaths[k],
                   Formatted("class=\"mp-%zu\" fill=\"%s\"", k, scale.colours[k]));
  }
  out += SvgPath(slips, Formatted("class=\"slips\" stroke=\"%s\" stroke-width=\"1.5\" fill=\"none\"",
                               kSlipColour)
                         .c_str());
  *bottom = y;
  return out + labels;
}

std::string Gaps(const QcReport& r, const Frame& f, double top, double bottom) {
  std::vector<std::pair<double, double>> spans;
  for (const QcGap& g : r.gaps) spans.push_back({f.X(g.start), f.X(g.start + g.seconds)});
  return SvgPath(MergedBoxes(spans, top, bottom - top),
              Formatted("class=\"gaps\" fill=\"%s\"", kHatch).c_str());
}

std::string Legend(double y) {
  std::string out;
  double x = kLeft;
  auto item = [&](const std::string& swatch, const std::string& label) {
    out += swatch + SvgText(x + 18, y + 10, label);
    x += 18 + 7.0 * static_cast<double>(label.size()) + 24;
  };
  for (int k = 0; k < kTrackingKinds; ++k) {
    item(SvgPath(SvgBox(x, x + 14, y + 1, kBarHeight), Formatted("fill=\"%s\"", kKindColours[k]).c_str()),
         kKindNames[k]);
  }
  item(SvgPath(Formatted("M%.1f %.1fv%.1f", x + 7, y - 1, kRowHeight),
            Formatted("stroke=\"%s\" stroke-width=\"1.5\"", kSlipColour).c_str()),
       "cycle slip (count at right)");
  item(SvgPath(SvgBox(x, x + 14, y, kRowHeight - 2), Formatted("fill=\"%s\"", kHatch).c_str()),
       "epochs missing");
  x = kLeft;
  y += 20;
  item(SvgPath(SvgBox(x, x + 14, y + 2, kModeStrip), Formatted("fill=\"%s\"", kStaticColour).c_str()),
       "static");
  item(SvgPath(SvgBox(x, x + 14, y + 2, kModeStrip), Formatted("fill=\"%s\"", kKinematicColour).c_str()),
       "kinematic");
  item(SvgPath(Formatted("M%.1f %.1fv%.1f", x + 7, y, kRowHeight), "stroke=\"#000\""), "camera pulse");
  item(SvgPath(Formatted("M%.1f %.1fv%.1f", x + 7, y, kRowHeight),
            Formatted("stroke=\"%s\" stroke-dasharray=\"3,2\"", kMarkColour).c_str()),
       "station mark, mode change");
  return out;
}

}  // namespace

std::string QcSvg(const QcReport& report) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + QcTrackingPicture(report);
}

std::string QcTrackingPicture(const QcReport& report) {
  Frame f;
  if (report.present > 0) {
    f.step = report.interval > 0 ? report.interval : 1.0;
    f.t0 = report.first;
    f.t1 = report.last + f.step;
  }
  double marksTop = kTitleHeight;
  double rowsTop = marksTop + kMarkLines * kMarkLineHeight + 4 + kModeStrip + kAxisHeight;
  double rowsBottom = rowsTop;
  std::string rows = Rows(report, f, rowsTop, &rowsBottom);
  double scaleHeight = 0;
  std::string scaleLegend =
      report.stream.present
          ? ScaleLegend(MultipathScale(), kLeft, rowsBottom + 10 + kLegendHeight, kPlot,
                        &scaleHeight)
          : "";
  double height = rowsBottom + 10 + kLegendHeight + scaleHeight;
  std::string out = Formatted(
      "<svg xmlns=\"http://www.w3.org/2000/svg\" id=\"tracking\" width=\"%.0f\" "
      "height=\"%.0f\" "
      "viewBox=\"0 0 %.0f %.0f\" font-family=\"sans-serif\" font-size=\"11\">\n"
      "<defs><pattern id=\"missing\" width=\"6\" height=\"6\" patternUnits=\"userSpaceOnUse\">"
      "<rect width=\"6\" height=\"6\" fill=\"#f4f4f4\"/>"
      "<path d=\"M0 6L6 0\" stroke=\"#9e9e9e\"/></pattern></defs>\n"
      "<rect width=\"100%%\" height=\"100%%\" fill=\"#fff\"/>\n",
      kWidth, height, kWidth, height);
  out += Title(report);
  if (report.present > 0) {
    out += Gaps(report, f, rowsTop, rowsBottom);
    out += Axis(f, rowsTop, rowsBottom);
    out += Marks(report, f, marksTop, rowsTop, rowsBottom);
  }
  out += rows;
  out += Legend(rowsBottom + 10);
  out += scaleLegend;
  return out + "</svg>\n";
}

}  // namespace jpsconv
