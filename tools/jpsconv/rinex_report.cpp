#include "tools/jpsconv/rinex_report.h"

#include <cstdio>

#include "tools/jpsconv/cli_common.h"

namespace jpsconv {
namespace {

std::string Format(const char* format, long long a, long long b = 0, long long c = 0,
                   long long d = 0) {
  char text[256];
  std::snprintf(text, sizeof text, format, a, b, c, d);
  return text;
}

std::string JsonList(const std::vector<std::string>& items) {
  std::string out = "[";
  for (size_t i = 0; i < items.size(); ++i) out += (i > 0 ? "," : "") + JsonString(items[i]);
  return out + "]";
}

long long RecordsLeftOut(const RinexResult& r) {
  long long total = 0;
  for (const auto& entry : r.recordsLeftOut) total += entry.second;
  return total;
}

// The systems' keys in the JSON summaries, in the order of GnssSystem.
constexpr const char* kSystemKeys[jps::kGnssSystemCount] = {"gps",  "glonass", "galileo",
                                                            "sbas", "qzss",    "beidou"};

int Total(const int (&counts)[jps::kGnssSystemCount]) {
  int total = 0;
  for (int c : counts) total += c;
  return total;
}

// "14 GPS, 9 GLONASS": the systems with any, GPS and GLONASS always.
std::string BySystem(const int (&counts)[jps::kGnssSystemCount]) {
  std::string out;
  for (int s = 0; s < jps::kGnssSystemCount; ++s) {
    if (counts[s] == 0 && s > static_cast<int>(jps::GnssSystem::kGlonass)) continue;
    out += (out.empty() ? "" : ", ") + std::to_string(counts[s]) + " " + jps::SystemName(static_cast<jps::GnssSystem>(s));
  }
  return out;
}

std::string JsonBySystem(const int (&counts)[jps::kGnssSystemCount], const char* what) {
  std::string out;
  for (int s = 0; s < jps::kGnssSystemCount; ++s) {
    out += "\"" + std::string(kSystemKeys[s]) + "_" + what + "\":" + std::to_string(counts[s]) + ",";
  }
  return out;
}

std::string FilesWritten(const RinexResult& r) {
  std::string files = Printable(r.obs) + ", " + Printable(r.nav);
  if (!r.glonassNav.empty()) files += ", " + Printable(r.glonassNav);
  return files;
}

}  // namespace

std::string RinexSummaryText(const RinexResult& r) {
  std::string input = Printable(r.input);
  std::string status = RinexStatusName(r.status);
  if (r.obs.empty()) return input + ": " + status + ": " + Printable(r.message) + "\n";
  std::string out = input + " -> " + FilesWritten(r) + ": " + status;
  if (!r.message.empty()) out += " (" + Printable(r.message) + ")";
  out += "\n";
  out += Format("  %lld epochs from GPS week %lld (%lld left out), ", r.epochs, r.week,
                r.epochsLeftOut);
  out += Format("%lld satellites (", Total(r.satellites)) + BySystem(r.satellites) +
         Format("), %lld blank values\n", r.blankValues);
  out += "  navigation records: " + BySystem(r.records) + "\n";
  for (const auto& [why, count] : r.recordsLeftOut) {
    out += Format("  navigation records left out: %lld, ", count) + why + "\n";
  }
  if (r.valuesOutOfRange > 0) {
    out += Format("  %lld values too large for their field, written blank\n", r.valuesOutOfRange);
  }
  for (const std::string& run : r.timeRuns) out += "  " + run + "\n";
  if (!r.satellitesLeftOut.empty()) {
    out += "  satellites left out:\n";
    for (const std::string& s : r.satellitesLeftOut) out += "    " + Printable(s) + "\n";
  }
  return out;
}

std::string RinexSummaryJson(const RinexResult& r) {
  std::string counts =
      Format("\"exit\":%lld,\"week\":%lld,\"epochs\":%lld,\"epochs_left_out\":%lld,",
             RinexExitStatus(r.status), r.week, r.epochs, r.epochsLeftOut) +
      Format("\"satellites\":%lld,", Total(r.satellites)) + JsonBySystem(r.satellites, "satellites") +
      Format("\"blank_values\":%lld,\"values_out_of_range\":%lld,\"satellites_left_out\":%lld,",
             r.blankValues, r.valuesOutOfRange,
             static_cast<long long>(r.satellitesLeftOut.size())) +
      JsonBySystem(r.records, "records") +
      Format("\"records_left_out\":%lld,", RecordsLeftOut(r));
  char seconds[64];
  std::snprintf(seconds, sizeof seconds, "\"seconds\":%.3f", r.seconds);
  return "{\"input\":" + JsonString(r.input) + ",\"obs\":" + JsonString(r.obs) +
         ",\"nav\":" + JsonString(r.nav) + ",\"gnav\":" + JsonString(r.glonassNav) +
         ",\"status\":" + JsonString(RinexStatusName(r.status)) + "," + counts +
         "\"left_out\":" + JsonList(r.satellitesLeftOut) + ",\"time_order\":" +
         JsonList(r.timeRuns) + "," + seconds +
         ",\"message\":" + JsonString(r.message) + "}";
}

std::string RinexSummary(const RinexResult& r, bool json) {
  return json ? RinexSummaryJson(r) + "\n" : RinexSummaryText(r);
}

int ExportAfterConversion(const std::string& kel, bool json) {
  RinexResult r = ExportRinex(kel, RinexOptions{});
  std::fputs(RinexSummary(r, json).c_str(), stdout);
  std::fflush(stdout);
  return RinexExitStatus(r.status);
}

}  // namespace jpsconv
