// GLONASS for RINEX: the UTC times of a broadcast ephemeris, and the orbital
// slot (the RINEX name, R01 to R24) that a frequency channel (the KEL
// satellite number, 45 + channel) stands for over time. Two satellites in
// opposite slots of one plane share a channel; they are never in view
// together, so at any time a channel names one slot.
#pragma once

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "support/epp_blocks.h"
#include "tools/rinex/glonass_dates.h"

namespace jpsconv {

constexpr int kFirstGlonassSlot = 1;
constexpr int kLastGlonassSlot = 24;
constexpr int kFirstGlonassChannel = -7;  // the channels a GLONASS satellite broadcasts on
constexpr int kLastGlonassChannel = 13;

// True when the block names a slot and a channel a RINEX record can carry,
// and its satellite number agrees with its channel.
bool UsableGlonassBlock(const jps::EppGlonassBlock& block);

// True when the block's position lies on a GLONASS orbit (about 25500 km from
// the Earth's centre) counted in kilometres, as the receiver sends it; a
// position in other units would make a record that puts the satellite
// elsewhere.
bool GlonassOrbitInKilometres(const jps::EppGlonassBlock& block);

// The UTC times of a block's frame start (tk) and reference time (tb), both
// given in seconds of the Moscow day. The Moscow date is the block's day
// number in the period nearest referenceUtc (UTC seconds since 1980-01-06); a
// block without a usable day number is placed on the Moscow day that puts tb
// nearest referenceUtc.
jpsrinex::GlonassTimes GlonassTimes(const jps::EppGlonassBlock& block, int64_t referenceUtc);

class GlonassSlots {
 public:
  // An ephemeris of slot on channel whose frame started at gpsTime (GPS
  // seconds since 1980-01-06).
  void Add(int channel, int slot, double gpsTime);
  // The slot of the channel at gpsTime: that of the latest ephemeris on the
  // channel whose frame started at or before it, else that of the channel's
  // earliest; 0 when no ephemeris was on the channel.
  int SlotAt(int channel, double gpsTime) const;
  // Every slot with its channel (from the slot's latest ephemeris), by slot.
  std::vector<std::pair<int, int>> SlotChannels() const;

 private:
  struct Entry {
    double time;
    int slot;
  };
  std::map<int, std::vector<Entry>> byChannel_;  // each kept in time order
};

}  // namespace jpsconv
