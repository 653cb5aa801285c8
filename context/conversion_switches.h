// Flags set from the host's options at the start of every conversion;
// decoding, epoch assembly and the EPP writers read these.
#pragma once

#include "context/host_records.h"

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

// On for every non-zero option.
inline ConversionSwitches SwitchesFrom(const ConversionOptions& o) {
  ConversionSwitches s{};
  s.gpsOnly = o.GpsOnly != 0;
  s.l1PhaseFromP1 = o.L1PhaseFromP1 != 0;
  s.dynamicMode = o.StartDynamic != 0;
  s.keepDamagedEpochs = o.KeepDamagedEpochs != 0;
  s.requireL2 = o.RequireL2 != 0;
  s.verbose = o.Verbose != 0;
  s.siteAwaitsSave = o.SiteAwaitsSave != 0;
  return s;
}

}  // namespace jps
