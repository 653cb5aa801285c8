// The navigation records of the EPP file's blocks, for the RINEX writer's
// navigation file: one GPS record per GpsEph block and one GLONASS record
// per GlnEph block. The EPP file keeps no health, accuracy, codes on L2, L2
// P data flag nor fit interval: those fields are 0.
#pragma once

#include <cstdint>

#include "support/epp_blocks.h"
#include "tools/rinex/glonass_dates.h"
#include "tools/rinex/navigation_records.h"

namespace jpsconv {

// messageWeek is the full GPS week of the block's message time (its El1
// week made full). The record's week goes with toe and its transmission time
// counts from that week, so both move with a toe across the week's end.
jpsrinex::GpsNavRecord GpsRecordOfBlock(const jps::EppGpsBlock& block, int32_t messageWeek);

// A block that UsableGlonassBlock accepts, with its times.
jpsrinex::GlonassNavRecord GlonassRecordOfBlock(const jps::EppGlonassBlock& block,
                                                const jpsrinex::GlonassTimes& times);

}  // namespace jpsconv
