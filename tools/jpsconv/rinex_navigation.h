// The RINEX 3.04 navigation file (mixed GPS and GLONASS): a header, one
// GPS record per GpsEph block and one GLONASS record per GlnEph block of the
// EPP file.
#pragma once

#include <cstdint>
#include <string>

#include "support/epp_blocks.h"
#include "tools/jpsconv/rinex_glonass.h"

namespace jpsconv {

struct NavHeader {
  std::string program;  // "jpsconv 1.0"
  std::string runDate;  // "yyyymmdd hhmmss UTC"
  bool hasLeapSeconds = false;
  int leapSeconds = 0;
};

std::string FormatNavHeader(const NavHeader& header);

// messageWeek is the full GPS week of the block's message time (its El1
// week made full). The record's week goes with toe and its transmission time
// counts from that week, so both move with a toe across the week's end.
std::string FormatGpsRecord(const jps::EppGpsBlock& block, int32_t messageWeek);

// A block that UsableGlonassBlock accepts, with its times.
std::string FormatGlonassRecord(const jps::EppGlonassBlock& block,
                                const GlonassEphemerisTimes& times);

}  // namespace jpsconv
