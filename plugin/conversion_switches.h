// Process-wide flags set from the host's options at the start of every
// conversion; decoding, epoch assembly and the EPP writers read these.
#pragma once

namespace jps {

struct ConversionSwitches {
  bool gpsOnly;            // GLONASS left out
  bool l1PhaseFromP1;      // L1 phase from the P1 phase messages
  bool dynamicMode;        // the kinematic switch; changed by STATIC/DYNAMIC events
  bool keepDamagedEpochs;  // an epoch with a failed message is kept
  bool requireL2;          // an epoch without L2 phases is refused
  bool verbose;            // extra diagnostics
  bool siteAwaitsSave;     // a SITE is held until saved
};

extern ConversionSwitches Switches;

}  // namespace jps
