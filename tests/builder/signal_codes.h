// The RINEX 3 code of each system's signal in each of the receiver's six
// signal slots, as the receiver's documentation lists them, written out here
// for the tests to check the converter's own table and name its values by.
#pragma once

#include "support/gnss_signals.h"

namespace jpstest {

// By system (G R E S J C), then slot (c 1 2 3 5 l); null: no signal.
inline constexpr const char* kSignalCodes[jps::kGnssSystemCount][jps::kSignalSlotCount] = {
    {"1C", "1W", "2W", "2X", "5X", "1X"},           // GPS
    {"1C", "1P", "2P", "2C", "3X", nullptr},        // GLONASS
    {"1X", "8X", "7X", "6X", "5X", nullptr},        // Galileo
    {"1C", nullptr, nullptr, nullptr, "5X", nullptr},  // SBAS
    {"1C", "1Z", "6X", "2X", "5X", "1X"},           // QZSS
    {"2I", nullptr, nullptr, nullptr, "7I", nullptr},  // BeiDou
};

inline const char* SignalCode(jps::GnssSystem system, int slot) {
  return kSignalCodes[static_cast<int>(system)][slot];
}

}  // namespace jpstest
