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

}  // namespace

std::string RinexSummaryText(const RinexResult& r) {
  std::string kel = Printable(r.kel);
  std::string status = RinexStatusName(r.status);
  if (r.obs.empty()) return kel + ": " + status + ": " + Printable(r.message) + "\n";
  std::string out = kel + " -> " + Printable(r.obs) + ", " + Printable(r.nav) + ": " + status;
  if (!r.message.empty()) out += " (" + Printable(r.message) + ")";
  out += "\n";
  out += Format("  %lld epochs from GPS week %lld (%lld left out), ", r.epochs, r.week,
                r.epochsLeftOut);
  out += Format("%lld satellites (%lld GPS, %lld GLONASS), %lld blank values\n",
                r.gpsSatellites + r.glonassSatellites, r.gpsSatellites, r.glonassSatellites,
                r.blankValues);
  out += Format("  %lld GPS and %lld GLONASS navigation records", r.gpsRecords, r.glonassRecords);
  out += "\n";
  for (const auto& [why, count] : r.recordsLeftOut) {
    out += Format("  navigation records left out: %lld, ", count) + why + "\n";
  }
  if (r.valuesOutOfRange > 0) {
    out += Format("  %lld values too large for their field, written blank\n", r.valuesOutOfRange);
  }
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
      Format("\"satellites\":%lld,\"gps_satellites\":%lld,\"glonass_satellites\":%lld,",
             r.gpsSatellites + r.glonassSatellites, r.gpsSatellites, r.glonassSatellites) +
      Format("\"blank_values\":%lld,\"values_out_of_range\":%lld,\"satellites_left_out\":%lld,",
             r.blankValues, r.valuesOutOfRange,
             static_cast<long long>(r.satellitesLeftOut.size())) +
      Format("\"gps_records\":%lld,\"glonass_records\":%lld,\"records_left_out\":%lld,",
             r.gpsRecords, r.glonassRecords, RecordsLeftOut(r));
  char seconds[64];
  std::snprintf(seconds, sizeof seconds, "\"seconds\":%.3f", r.seconds);
  return "{\"kel\":" + JsonString(r.kel) + ",\"obs\":" + JsonString(r.obs) +
         ",\"nav\":" + JsonString(r.nav) + ",\"status\":" + JsonString(RinexStatusName(r.status)) +
         "," + counts + "\"left_out\":" + JsonList(r.satellitesLeftOut) + "," + seconds +
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
