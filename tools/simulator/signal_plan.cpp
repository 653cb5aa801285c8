#include "tools/simulator/signal_plan.h"

#include <algorithm>
#include <iterator>

#include "support/satellite_numbers.h"
#include "tools/simulator/receiver_model.h"
#include "tools/simulator/sim_random.h"

namespace jpssim {
namespace {

// GPS PRNs without L2C, and those with L5 (the older generations have neither).
constexpr int kGpsWithoutL2c[] = {2, 13, 16, 19, 20, 21, 22};
constexpr int kGpsWithL5[] = {1,  3,  4,  6,  8,  9,  10, 11, 14,
                              18, 23, 24, 25, 26, 27, 28, 30, 32};

bool Listed(const int* first, const int* last, int prn) {
  return std::find(first, last, prn) != last;
}

// By slot: code and phase noise factors, signal strength (offset, extra loss
// at the horizon, noise), phase offset, chances of a missing value. The P
// codes are weakest: GPS tracks them without knowing the code.
constexpr SlotTraits kGpsP1{1.3, 1.5, -9.0, 5.0, 1.0, 0.25, 0.003, 0.03};
constexpr SlotTraits kGpsP2{kL2CodeNoiseFactor, 1.0, -11.0, 5.0, 1.0, 0.0, 0.003, 0.02};
constexpr SlotTraits kGpsL2c{1.1, 1.0, -4.0, 2.0, 0.7, -0.25, 0.002, 0.01};
constexpr SlotTraits kGpsL5{0.6, 1.0, 3.0, 1.0, 0.7, 0.0, 0.002, 0.01};
constexpr SlotTraits kGlonassP1{1.2, 1.0, -3.0, 2.0, 0.8, 0.25, 0.002, 0.02};
constexpr SlotTraits kGlonassP2{kL2CodeNoiseFactor, 1.0, -6.0, 3.0, 0.8, 0.0, 0.003, 0.02};
constexpr SlotTraits kGlonassCa2{1.1, 1.0, -5.0, 2.0, 0.7, -0.25, 0.002, 0.015};
constexpr SlotTraits kNotSent{0, 0, 0, 0, 0, 0, 1, 1};

constexpr uint64_t kDelaySeed = 20240613;  // satellite properties: not from --seed
constexpr Spread kInterSignalDelay{-1.5e-9, 1.5e-9};  // s

}  // namespace

bool SendsSignal(uint8_t index, SignalSlot slot) {
  bool glonass = jps::IsGlonassNumber(index);
  int prn = index;
  switch (slot) {
    case SignalSlot::kCa:
    case SignalSlot::kP1:
    case SignalSlot::kP2:
      return true;
    case SignalSlot::kCa2:
      return glonass || !Listed(std::begin(kGpsWithoutL2c), std::end(kGpsWithoutL2c), prn);
    case SignalSlot::kL5:
      return !glonass && Listed(std::begin(kGpsWithL5), std::end(kGpsWithL5), prn);
    case SignalSlot::kL1c:
      return false;
  }
  return false;
}

const SlotTraits& TraitsOf(bool glonass, SignalSlot slot) {
  switch (slot) {
    case SignalSlot::kP1:
      return glonass ? kGlonassP1 : kGpsP1;
    case SignalSlot::kP2:
      return glonass ? kGlonassP2 : kGpsP2;
    case SignalSlot::kCa2:
      return glonass ? kGlonassCa2 : kGpsL2c;
    case SignalSlot::kL5:
      return glonass ? kNotSent : kGpsL5;
    case SignalSlot::kCa:
    case SignalSlot::kL1c:
      break;
  }
  return kNotSent;
}

double InterSignalDelay(uint8_t index, SignalSlot slot) {
  if (slot == SignalSlot::kCa || slot == SignalSlot::kP2) return 0.0;
  uint64_t label = static_cast<uint64_t>(index) * jps::kSignalSlotCount + static_cast<uint64_t>(slot);
  Random r(StreamSeed(kDelaySeed, label));
  return r.In(kInterSignalDelay);
}

}  // namespace jpssim
