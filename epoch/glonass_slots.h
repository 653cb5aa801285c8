// The orbital slots of the GLONASS satellites, which RINEX numbers them by,
// while the receiver's satellite list names them by frequency channel. [NN]
// gives the slot of each GLONASS entry of the latest satellite list (255: not
// known); where it does not know one, the latest GLONASS ephemeris [NE] on
// the channel names it. Slots above 24 occur and are kept.
#pragma once

#include <cstdint>

#include "context/conversion_context.h"

namespace jps {

class GlonassSlots {
 public:
  explicit GlonassSlots(ConversionContext& context) : context_(context) {}

  // Forgets every slot and the reports made.
  void Reset();
  // [NN]: one byte per GLONASS entry (indices 38-70) of the satellite list,
  // in its order. A list of another length is ignored.
  void OnSlotList(const uint8_t* slots, int count, const uint8_t* list, int listCount);
  // [NE]: the ephemeris of the satellite in that slot on that channel.
  void OnEphemeris(int slot, int channel);
  // The slot of the satellite on the channel; 0 when not known yet, which
  // is told to the host once per channel (the time tags the text).
  int SlotOf(int channel, double time);

 private:
  static constexpr int kFirstChannel = -7;
  static constexpr int kChannels = 32;   // -7 to 24
  static bool ChannelOk(int channel) {
    return channel >= kFirstChannel && channel < kFirstChannel + kChannels;
  }

  ConversionContext& context_;
  uint8_t listed_[kChannels] = {};      // from [NN]; 0 not known
  uint8_t ephemeris_[kChannels] = {};   // from [NE]; 0 not known
  bool reported_[kChannels] = {};
};

}  // namespace jps
