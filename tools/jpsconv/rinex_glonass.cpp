#include "tools/jpsconv/rinex_glonass.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "support/satellite_numbers.h"
#include "support/gps_time.h"

namespace jpsconv {
namespace {

constexpr double kLowestOrbitKm = 20000.0;  // GLONASS orbits: 25500 km, nearly circular
constexpr double kHighestOrbitKm = 30000.0;

}  // namespace

bool UsableGlonassBlock(const jps::EppGlonassBlock& block) {
  return block.slot >= kFirstGlonassSlot && block.slot <= kLastGlonassSlot &&
         block.channel >= kFirstGlonassChannel && block.channel <= kLastGlonassChannel &&
         block.number == jps::GlonassNumber(block.channel);
}

bool GlonassOrbitInKilometres(const jps::EppGlonassBlock& block) {
  const double* p = block.position;
  double radius = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
  return radius >= kLowestOrbitKm && radius <= kHighestOrbitKm;
}

jpsrinex::GlonassTimes GlonassTimes(const jps::EppGlonassBlock& block, int64_t referenceUtc) {
  // The EPP file keeps no four-year period number.
  return jpsrinex::DateGlonassEphemeris(block.dayNumber, 0, block.tk, block.tb, referenceUtc);
}

void GlonassSlots::Add(int channel, int slot, double gpsTime) {
  std::vector<Entry>& entries = byChannel_[channel];
  Entry entry{gpsTime, slot};
  auto at = std::upper_bound(entries.begin(), entries.end(), entry,
                             [](const Entry& a, const Entry& b) { return a.time < b.time; });
  entries.insert(at, entry);
}

int GlonassSlots::SlotAt(int channel, double gpsTime) const {
  auto found = byChannel_.find(channel);
  if (found == byChannel_.end() || found->second.empty()) return 0;
  const std::vector<Entry>& entries = found->second;
  auto after = std::upper_bound(entries.begin(), entries.end(), gpsTime,
                                [](double t, const Entry& e) { return t < e.time; });
  return after == entries.begin() ? entries.front().slot : std::prev(after)->slot;
}

std::vector<std::pair<int, int>> GlonassSlots::SlotChannels() const {
  std::map<int, std::pair<double, int>> latest;  // slot -> (time, channel)
  for (const auto& [channel, entries] : byChannel_) {
    for (const Entry& e : entries) {
      auto it = latest.find(e.slot);
      if (it == latest.end() || e.time >= it->second.first) latest[e.slot] = {e.time, channel};
    }
  }
  std::vector<std::pair<int, int>> out;
  for (const auto& [slot, timeChannel] : latest) out.emplace_back(slot, timeChannel.second);
  return out;
}

}  // namespace jpsconv
