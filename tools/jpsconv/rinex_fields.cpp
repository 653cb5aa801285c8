#include "tools/jpsconv/rinex_fields.h"

#include <cmath>
#include <cstdio>

namespace jpsconv {
namespace {

constexpr int kNavDecimals = 12;
constexpr int kNavWidth = 19;
constexpr double kNavSmallest = 1e-99;  // two exponent digits: 1e-99 to 9.99e+99
constexpr double kNavLargest = 1e100;

}  // namespace

std::string HeaderLine(const std::string& content, const std::string& label) {
  return TextField(content, kRinexContentColumns) + TextField(label, kRinexLabelColumns) + "\n";
}

std::string SatelliteId(char system, int number) {
  char id[16];
  std::snprintf(id, sizeof id, "%c%02d", system, number);
  return id;
}

std::string TextField(const std::string& text, size_t width) {
  std::string out = text.substr(0, width);
  out.resize(width, ' ');
  return out;
}

bool FixedField(double value, int width, int decimals, std::string* out) {
  if (!std::isfinite(value)) return false;
  char text[64];
  int n = std::snprintf(text, sizeof text, "%*.*f", width, decimals, value);
  if (n < 0 || n > width) return false;
  *out = text;
  return true;
}

std::string NavNumber(double value) {
  if (!(std::fabs(value) >= kNavSmallest && std::fabs(value) < kNavLargest)) value = 0.0;
  char text[64];
  std::snprintf(text, sizeof text, "%*.*E", kNavWidth, kNavDecimals, value);
  return text;
}

std::string EpochTimeFields(const jps::DateTime& t) {
  char text[64];
  std::snprintf(text, sizeof text, " %4d %02d %02d %02d %02d%11.7f", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return text;
}

std::string NavTimeFields(const jps::DateTime& t) {
  char text[64];
  std::snprintf(text, sizeof text, " %4d %02d %02d %02d %02d %02d", t.year, t.month, t.day, t.hour,
                t.minute, static_cast<int>(std::lround(t.second)));
  return text;
}

std::string HeaderTimeFields(const jps::DateTime& t) {
  char text[64];
  std::snprintf(text, sizeof text, "%6d%6d%6d%6d%6d%13.7f     GPS", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return text;
}

}  // namespace jpsconv
