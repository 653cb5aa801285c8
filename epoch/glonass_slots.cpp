#include "epoch/glonass_slots.h"

#include <cstring>

#include "support/gnss_signals.h"

namespace jps {
namespace {

constexpr uint8_t kSlotNotKnown = 255;   // [NN]

}  // namespace

void GlonassSlots::Reset() {
  std::memset(listed_, 0, sizeof listed_);
  std::memset(ephemeris_, 0, sizeof ephemeris_);
  std::memset(reported_, 0, sizeof reported_);
}

void GlonassSlots::OnSlotList(const uint8_t* slots, int count, const uint8_t* list, int listCount) {
  int glonass = 0;
  for (int i = 0; i < listCount; ++i) glonass += IsGlonassListEntry(list[i]) ? 1 : 0;
  if (glonass != count) return;
  int k = 0;
  for (int i = 0; i < listCount; ++i) {
    if (!IsGlonassListEntry(list[i])) continue;
    uint8_t slot = slots[k++];
    SatelliteIndex s = DecodeSatelliteIndex(list[i]);
    if (!s.valid || !ChannelOk(s.channel)) continue;
    listed_[s.channel - kFirstChannel] = slot == kSlotNotKnown ? 0 : slot;
  }
}

void GlonassSlots::OnEphemeris(int slot, int channel) {
  if (!ChannelOk(channel) || slot <= 0 || slot >= kSlotNotKnown) return;
  ephemeris_[channel - kFirstChannel] = static_cast<uint8_t>(slot);
}

int GlonassSlots::SlotOf(int channel, double time) {
  if (!ChannelOk(channel)) return 0;
  int i = channel - kFirstChannel;
  if (listed_[i] != 0) return listed_[i];
  if (ephemeris_[i] != 0) return ephemeris_[i];
  if (!reported_[i]) {
    reported_[i] = true;
    context_.Notify(time, "GLONASS satellite on channel %d left out: its orbital slot is not known yet",
                    channel);
  }
  return 0;
}

}  // namespace jps
