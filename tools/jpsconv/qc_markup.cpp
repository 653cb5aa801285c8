#include "tools/jpsconv/qc_markup.h"

#include <algorithm>
#include <cstring>

#include "tools/jpsconv/cli_common.h"

namespace jpsconv {
namespace {

constexpr double kThinnest = 1.0;  // a box is never drawn thinner
constexpr double kSwatch = 14, kSwatchGap = 6, kItemGap = 18, kCharWidth = 6.5;
constexpr double kLegendLine = 18;

}  // namespace

std::string Escape(const std::string& raw) {
  std::string out;
  for (char c : ValidUtf8(Printable(raw))) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string SvgText(double x, double y, const std::string& text, const char* extra) {
  return Formatted("<text x=\"%.1f\" y=\"%.1f\"%s>%s</text>\n", x, y, extra, Escape(text).c_str());
}

std::string SvgBox(double x0, double x1, double y, double height) {
  return Formatted("M%.1f %.1fh%.1fv%.1fh%.1fz", x0, y, x1 - x0, height, -(x1 - x0));
}

std::string SvgPath(const std::string& d, const std::string& style) {
  if (d.empty()) return "";
  return "<path " + style + " d=\"" + d + "\"/>\n";
}

std::string MergedBoxes(std::vector<std::pair<double, double>> spans, double y, double height) {
  std::string d;
  double from = 0, to = -1;
  for (auto& s : spans) {
    if (s.second - s.first < kThinnest) s.second = s.first + kThinnest;
    if (to >= from && s.first <= to) {
      to = std::max(to, s.second);
      continue;
    }
    if (to >= from) d += SvgBox(from, to, y, height);
    from = s.first;
    to = s.second;
  }
  if (to >= from) d += SvgBox(from, to, y, height);
  return d;
}

int ColourScale::ClassOf(double value) const {
  int k = 0;
  while (k < static_cast<int>(limits.size()) && value >= limits[static_cast<size_t>(k)]) ++k;
  return k;
}

std::string ColourScale::Label(int k) const {
  size_t n = limits.size(), i = static_cast<size_t>(k);
  if (k == 0) return Formatted("below %.*f", decimals, limits[0]);
  if (i == n) return Formatted("%.*f and more", decimals, limits[n - 1]);
  return Formatted("%.*f\u2013%.*f", decimals, limits[i - 1], decimals, limits[i]);
}

const ColourScale& CnrScale() {
  static const ColourScale scale{"C/N0 on L1 (dB-Hz)", "cnr", {30, 35, 40, 45, 50},
                                 {"#d73027", "#fc8d59", "#fee08b", "#d9ef8b", "#91cf60", "#1a9850"},
                                 0};
  return scale;
}

const ColourScale& MultipathScale() {
  static const ColourScale scale{"multipath MP1 (m)", "mp", {0.25, 0.5, 0.75, 1.0, 1.5},
                                 {"#1a9850", "#91cf60", "#fee08b", "#fc8d59", "#d73027", "#7f0000"},
                                 2};
  return scale;
}

std::string ScaleLegend(const ColourScale& scale, double x, double y, double width,
                        double* height) {
  std::string out = SvgText(x, y + 11, scale.title, " font-weight=\"bold\"");
  double left = x, at = x + kCharWidth * static_cast<double>(std::strlen(scale.title)) + kItemGap;
  double line = y;
  for (size_t k = 0; k < scale.colours.size(); ++k) {
    std::string label = scale.Label(static_cast<int>(k));
    double itemWidth = kSwatch + kSwatchGap + kCharWidth * static_cast<double>(label.size());
    if (at + itemWidth > left + width) {
      at = left;
      line += kLegendLine;
    }
    out += Formatted("<rect x=\"%.1f\" y=\"%.1f\" width=\"%.0f\" height=\"10\" fill=\"%s\"/>\n", at,
                     line + 2, kSwatch, scale.colours[k]);
    out += SvgText(at + kSwatch + kSwatchGap, line + 11, label);
    at += itemWidth + kItemGap;
  }
  *height = line - y + kLegendLine;
  return out;
}

}  // namespace jpsconv
