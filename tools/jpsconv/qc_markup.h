// Pieces shared by the report's pictures (SVG) and its page (HTML): text
// made safe for markup, the shapes the pictures draw, and the colour scales
// of C/N0 and multipath.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace jpsconv {

// Text of the file or the marks for markup: control characters shown as
// \xNN, bytes that are not UTF-8 as "?", and the special characters escaped.
std::string Escape(const std::string& raw);

// <text> at x, y with extra attributes.
std::string SvgText(double x, double y, const std::string& text, const char* extra = "");
// A filled box as a path piece.
std::string SvgBox(double x0, double x1, double y, double height);
// A <path> of the pieces d (nothing when d is empty).
std::string SvgPath(const std::string& d, const std::string& style);
// Intervals [x0, x1) drawn at least one pixel wide, touching ones merged, as
// boxes from y down by height.
std::string MergedBoxes(std::vector<std::pair<double, double>> spans, double y, double height);

// Values in classes by limits, each class with its colour.
struct ColourScale {
  const char* title;               // "C/N0 on L1 (dB-Hz)"
  const char* id;                  // for class names: "cnr", "mp"
  std::vector<double> limits;      // class k holds values below limits[k] (the last: the rest)
  std::vector<const char*> colours;  // limits.size() + 1
  int decimals;                    // of the limits in the legend

  int ClassOf(double value) const;
  // "below 30", "30-35", "50 and more".
  std::string Label(int k) const;
};
const ColourScale& CnrScale();
const ColourScale& MultipathScale();
// The legend of a scale: its title and a swatch per class, from x, y across
// at most width; the height it takes in *height.
std::string ScaleLegend(const ColourScale& scale, double x, double y, double width,
                        double* height);

}  // namespace jpsconv
