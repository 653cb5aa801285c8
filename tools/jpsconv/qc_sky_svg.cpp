// The pictures of a report from the receiver's stream:
//   - the sky plot: every satellite's track over the session on a polar
//     chart (north up, east right, the horizon the outer ring, the zenith the
//     centre), each stretch coloured by the C/N0 on L1 or the multipath MP1 of
//     the bin it ends in, the satellite named where its track ends, the
//     elevation mask dashed;
//   - C/N0 against elevation: per signal, the mean of every satellite's
//     values in each elevation bin, with the span from the least to the
//     largest value shaded.
// Plain SVG: no script, nothing external.
#include <algorithm>
#include <cmath>

#include "tools/jpsconv/cli_common.h"
#include "tools/jpsconv/qc_markup.h"
#include "tools/jpsconv/qc_writers.h"
#include "tools/simulator/sim_vector.h"

namespace jpsconv {
namespace {

using jpssim::kDegree;

// Sky plot layout, in pixels.
constexpr double kSkyWidth = 520;
constexpr double kSkyRadius = 210;
constexpr double kSkyCentreX = kSkyWidth / 2, kSkyCentreY = 62 + kSkyRadius;
constexpr double kCompassOut = 12;  // the N E S W labels lie this far outside the horizon
constexpr double kSkyLegendTop = kSkyCentreY + kSkyRadius + 24;
constexpr double kRingStep = 30;     // degrees of elevation between rings
constexpr double kSpokeStep = 30;    // degrees of azimuth between spokes
constexpr double kTrackGapBins = 2.5;  // a track breaks across more than this many bins (or epochs)
constexpr const char* kGrid = "#c8c8c8";
constexpr const char* kNoValue = "#9e9e9e";

// C/N0 against elevation layout.
constexpr double kCnrWidth = 520;
constexpr double kCnrLeft = 52, kCnrRight = 16, kCnrTop = 44, kCnrPlotHeight = 250;
constexpr double kCnrStep = 5;  // dB-Hz between grid lines
constexpr double kLowestCnr = 0, kHighestCnr = 70;
const char* const kCurveColours[] = {"#1f77b4", "#ff7f0e", "#2ca02c", "#d62728", "#9467bd",
                                     "#8c564b", "#e377c2", "#7f7f7f", "#bcbd22", "#17becf"};
constexpr size_t kCurveColourCount = sizeof kCurveColours / sizeof kCurveColours[0];

std::string Open(const char* id, double width, double height) {
  return Formatted(
      "<svg xmlns=\"http://www.w3.org/2000/svg\" id=\"%s\" width=\"%.0f\" height=\"%.0f\" "
      "viewBox=\"0 0 %.0f %.0f\" font-family=\"sans-serif\" font-size=\"11\">\n"
      "<rect width=\"100%%\" height=\"100%%\" fill=\"#fff\"/>\n",
      id, width, height, width, height);
}

struct SkyPoint {
  double x, y;
};

SkyPoint Place(double elevation, double azimuth) {
  double r = kSkyRadius * (90.0 - std::max(0.0, std::min(90.0, elevation))) / 90.0;
  return {kSkyCentreX + r * std::sin(azimuth * kDegree), kSkyCentreY - r * std::cos(azimuth * kDegree)};
}

std::string SkyGrid() {
  std::string rings, spokes, labels;
  for (double e = 0; e < 90; e += kRingStep) {
    double r = kSkyRadius * (90.0 - e) / 90.0;
    rings += Formatted("M%.1f %.1fa%.1f %.1f 0 1 0 %.1f 0a%.1f %.1f 0 1 0 %.1f 0", kSkyCentreX - r,
                       kSkyCentreY, r, r, 2 * r, r, r, -2 * r);
    if (e > 0) labels += SvgText(kSkyCentreX + 3, kSkyCentreY - r - 2, Formatted("%.0f\u00b0", e),
                                 " fill=\"#777\"");
  }
  for (double a = 0; a < 360; a += kSpokeStep) {
    SkyPoint p = Place(0, a);
    spokes += Formatted("M%.1f %.1fL%.1f %.1f", kSkyCentreX, kSkyCentreY, p.x, p.y);
  }
  static const char* const kCompass[] = {"N", "E", "S", "W"};
  for (int k = 0; k < 4; ++k) {
    double a = 90.0 * k * kDegree, r = kSkyRadius + kCompassOut;
    SkyPoint p{kSkyCentreX + r * std::sin(a), kSkyCentreY - r * std::cos(a)};
    labels += SvgText(p.x, p.y + 4, kCompass[k],
                      " text-anchor=\"middle\" font-weight=\"bold\" font-size=\"12\"");
  }
  double mask = kSkyRadius * (90.0 - kElevationMask) / 90.0;
  std::string out = SvgPath(rings + spokes, Formatted("stroke=\"%s\" fill=\"none\"", kGrid));
  out += Formatted(
      "<circle class=\"mask\" cx=\"%.1f\" cy=\"%.1f\" r=\"%.1f\" fill=\"none\" stroke=\"#555\" "
      "stroke-dasharray=\"4,3\"/>\n",
      kSkyCentreX, kSkyCentreY, mask);
  return out + labels;
}

// A satellite's track as the pictures draw it: its stretches appended to the
// path of their class (the last: no value). A stretch runs from one drawn
// point to the next at least kVertexPixels away (or to the end of a run of
// the track), so that the receiver's whole degrees do not draw a staircase;
// it takes the class of the bin it ends in.
class TrackDrawing {
 public:
  TrackDrawing(const ColourScale& scale, bool byCnr, std::vector<std::string>& paths)
      : scale_(scale), byCnr_(byCnr), paths_(paths), open_(paths.size()) {}

  // The next bin of the track; a new run when it follows the last after a gap.
  void Add(const QcTrackPoint& p, bool newRun) {
    if (newRun) Flush();
    SkyPoint at = Place(p.elevation, p.azimuth);
    if (newRun || !started_) {
      started_ = true;
      drawn_ = at;
      open_ = paths_.size();
      tail_ = nullptr;
      return;
    }
    tail_ = &p;
    tailAt_ = at;
    if (std::hypot(at.x - drawn_.x, at.y - drawn_.y) >= kVertexPixels) Flush();
  }
  // Draws the run's last stretch.
  void Flush() {
    if (tail_ == nullptr) return;
    const QcTrackPoint& p = *tail_;
    bool has = byCnr_ ? p.hasCnr : p.hasMultipath;
    size_t k = has ? static_cast<size_t>(scale_.ClassOf(byCnr_ ? p.cnr : p.multipath))
                   : paths_.size() - 1;
    if (k != open_) paths_[k] += Formatted("M%.1f %.1f", drawn_.x, drawn_.y);
    paths_[k] += Formatted("L%.1f %.1f", tailAt_.x, tailAt_.y);
    open_ = k;
    drawn_ = tailAt_;
    tail_ = nullptr;
  }

 private:
  static constexpr double kVertexPixels = 6;
  const ColourScale& scale_;
  bool byCnr_;
  std::vector<std::string>& paths_;
  size_t open_;  // the path whose polyline ends at the last point drawn
  bool started_ = false;
  SkyPoint drawn_{0, 0}, tailAt_{0, 0};
  const QcTrackPoint* tail_ = nullptr;  // the last bin, not drawn yet
};

void Track(const QcSatellite& s, const ColourScale& scale, bool byCnr, double gap,
           std::vector<std::string>& paths, std::string& labels) {
  TrackDrawing drawing(scale, byCnr, paths);
  const QcTrackPoint* last = nullptr;
  for (const QcTrackPoint& p : s.stream.track) {
    if (!p.hasSky) continue;
    drawing.Add(p, last != nullptr && p.time - last->time > gap);
    last = &p;
  }
  drawing.Flush();
  if (last == nullptr) return;
  SkyPoint end = Place(last->elevation, last->azimuth);
  labels += Formatted("<circle cx=\"%.1f\" cy=\"%.1f\" r=\"2.5\" fill=\"#222\"/>\n", end.x, end.y);
  labels += SvgText(end.x + 4, end.y - 4, s.name,
                    " class=\"satellite\" font-size=\"10\" paint-order=\"stroke\" stroke=\"#fff\" "
                    "stroke-width=\"3\"");
}

// The bins of one curve as y values of the picture: least, mean, largest.
double CnrY(double cnr, double low, double high) {
  return kCnrTop + kCnrPlotHeight * (high - cnr) / (high - low);
}

double ElevationX(double elevation) {
  return kCnrLeft + (kCnrWidth - kCnrLeft - kCnrRight) * elevation / 90.0;
}

std::string CnrAxes(double low, double high) {
  std::string grid, labels;
  for (double c = low; c <= high + 1e-9; c += kCnrStep) {
    double y = CnrY(c, low, high);
    grid += Formatted("M%.1f %.1fH%.1f", kCnrLeft, y, kCnrWidth - kCnrRight);
    labels += SvgText(kCnrLeft - 6, y + 4, Formatted("%.0f", c), " text-anchor=\"end\"");
  }
  for (double e = 0; e <= 90; e += 15) {
    double x = ElevationX(e);
    grid += Formatted("M%.1f %.1fV%.1f", x, kCnrTop, kCnrTop + kCnrPlotHeight);
    labels += SvgText(x, kCnrTop + kCnrPlotHeight + 16, Formatted("%.0f\u00b0", e),
                      " text-anchor=\"middle\"");
  }
  labels += SvgText(kCnrLeft + (kCnrWidth - kCnrLeft - kCnrRight) / 2,
                    kCnrTop + kCnrPlotHeight + 32, "elevation", " text-anchor=\"middle\"");
  labels += SvgText(14, kCnrTop + kCnrPlotHeight / 2, "C/N0 (dB-Hz)",
                    Formatted(" text-anchor=\"middle\" transform=\"rotate(-90 14 %.1f)\"",
                              kCnrTop + kCnrPlotHeight / 2)
                        .c_str());
  double mask = ElevationX(kElevationMask);
  grid += Formatted("M%.1f %.1fV%.1f", mask, kCnrTop, kCnrTop + kCnrPlotHeight);
  return SvgPath(grid, Formatted("stroke=\"%s\" fill=\"none\"", kGrid)) + labels;
}

std::string Curve(const QcCnrCurve& c, const char* colour, bool dashed, double low, double high) {
  std::string line, upper, lower, dots;
  for (int b = 0; b < kElevationBins; ++b) {
    const QcStatistic& s = c.bins[b];
    if (s.values == 0) continue;
    double x = ElevationX((b + 0.5) * kElevationBinDegrees);
    double y = CnrY(s.Mean(), low, high);
    line += Formatted("%c%.1f %.1f", line.empty() ? 'M' : 'L', x, y);
    upper += Formatted("%c%.1f %.1f", upper.empty() ? 'M' : 'L', x, CnrY(s.max, low, high));
    lower = Formatted("L%.1f %.1f", x, CnrY(s.min, low, high)) + lower;
    dots += Formatted("M%.1f %.1fh0.01", x, y);
  }
  std::string out = SvgPath(upper + lower + "Z", Formatted("fill=\"%s\" fill-opacity=\"0.12\"", colour));
  out += SvgPath(line, Formatted("class=\"cnr-curve\" stroke=\"%s\" stroke-width=\"2\" fill=\"none\"%s",
                                 colour, dashed ? " stroke-dasharray=\"6,3\"" : ""));
  out += SvgPath(dots, Formatted("stroke=\"%s\" stroke-width=\"5\" stroke-linecap=\"round\"", colour));
  return out;
}

}  // namespace

std::string QcSkyPicture(const QcReport& report, SkyColours colours) {
  bool byCnr = colours == SkyColours::kCnr;
  const ColourScale& scale = byCnr ? CnrScale() : MultipathScale();
  double step = std::max(report.stream.binSeconds, report.interval);
  std::vector<std::string> paths(scale.colours.size() + 1);
  std::string labels;
  std::vector<std::string> unplaced;
  for (const QcSatellite& s : report.satellites) {
    bool placed = std::any_of(s.stream.track.begin(), s.stream.track.end(),
                              [](const QcTrackPoint& p) { return p.hasSky; });
    if (!placed) unplaced.push_back(s.name);
    Track(s, scale, byCnr, kTrackGapBins * step, paths, labels);
  }
  double legendHeight = 0;
  std::string legend = ScaleLegend(scale, 12, kSkyLegendTop, kSkyWidth - 24, &legendHeight);
  double bottom = kSkyLegendTop + legendHeight;
  std::string note;
  if (!unplaced.empty()) {
    std::string names;
    for (const std::string& n : unplaced) names += (names.empty() ? "" : " ") + n;
    note = SvgText(12, bottom + 12, "not placed (no azimuth from the receiver, no ephemeris): " + names,
                   " fill=\"#555\"");
    bottom += 18;
  }
  std::string out = Open(byCnr ? "sky-plot" : "sky-plot-multipath", kSkyWidth, bottom + 6);
  out += SvgText(12, 20, byCnr ? "Sky plot: tracks by C/N0 on L1" : "Sky plot: tracks by multipath MP1",
                 " font-size=\"14\" font-weight=\"bold\"");
  out += SvgText(12, 36, Formatted("elevation mask %.0f\u00b0 dashed; satellite named where its track ends",
                                   kElevationMask),
                 " fill=\"#555\"");
  out += SkyGrid();
  for (size_t k = 0; k < paths.size(); ++k) {
    const char* colour = k < scale.colours.size() ? scale.colours[k] : kNoValue;
    out += SvgPath(paths[k], Formatted("class=\"track %s-%zu\" stroke=\"%s\" stroke-width=\"3\" "
                                       "fill=\"none\" stroke-linecap=\"round\" stroke-linejoin=\"round\"",
                                       scale.id, k, colour));
  }
  return out + labels + legend + note + "</svg>\n";
}

std::string QcCnrPicture(const QcReport& report) {
  double low = kHighestCnr, high = kLowestCnr;
  for (const QcCnrCurve& c : report.stream.cnrByElevation) {
    for (const QcStatistic& s : c.bins) {
      if (s.values == 0) continue;
      low = std::min(low, s.min);
      high = std::max(high, s.max);
    }
  }
  low = std::max(kLowestCnr, std::floor(low / kCnrStep) * kCnrStep);
  high = std::min(kHighestCnr, std::ceil(high / kCnrStep) * kCnrStep);
  if (high <= low) {
    low = kLowestCnr;
    high = kHighestCnr;
  }
  std::string curves, legend;
  double x = kCnrLeft, y = kCnrTop + kCnrPlotHeight + 52;
  for (size_t i = 0; i < report.stream.cnrByElevation.size(); ++i) {
    const QcCnrCurve& c = report.stream.cnrByElevation[i];
    const char* colour = kCurveColours[i % kCurveColourCount];
    bool dashed = c.system != jps::GnssSystem::kGps;
    curves += Curve(c, colour, dashed, low, high);
    std::string label = Formatted("%s %s (%s)", SystemName(c.system), SignalName(c.system, c.slot),
                                  jps::Signal(c.system, static_cast<jps::SignalSlot>(c.slot)).rinexCode);
    double width = 30 + 6.5 * static_cast<double>(label.size()) + 14;
    if (x + width > kCnrWidth - kCnrRight) {
      x = kCnrLeft;
      y += 18;
    }
    legend += SvgPath(Formatted("M%.1f %.1fh22", x, y - 4),
                      Formatted("stroke=\"%s\" stroke-width=\"2\"%s", colour,
                                dashed ? " stroke-dasharray=\"6,3\"" : ""));
    legend += SvgText(x + 28, y, label);
    x += width;
  }
  std::string out = Open("cnr-elevation", kCnrWidth, y + 14);
  out += SvgText(12, 20, "C/N0 against elevation", " font-size=\"14\" font-weight=\"bold\"");
  out += SvgText(12, 36,
                 Formatted("mean per %.0f\u00b0 bin of every satellite, least to largest shaded; "
                           "mask %.0f\u00b0",
                           kElevationBinDegrees, kElevationMask),
                 " fill=\"#555\"");
  out += CnrAxes(low, high) + curves + legend;
  return out + "</svg>\n";
}

}  // namespace jpsconv
