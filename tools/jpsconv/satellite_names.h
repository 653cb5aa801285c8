// Satellite numbers of the KEL file as people read them: GPS PRNs 1-32 as
// G01-G32, GLONASS (45 plus the frequency channel) as R-7 to R+25, or by
// orbital slot where it is known.
#pragma once

#include <string>

#include "support/satellite_numbers.h"

namespace jpsconv {

// "G03", "R+5"; "?N" for a number that is neither.
std::string SatelliteName(int number);
// The same, but a GLONASS satellite whose orbital slot is known (1-24: from
// the EPP file's GLONASS blocks, or the receiver's [NN]) by its slot, as
// RINEX names it: "R05". Two satellites that share a channel get two names.
std::string SatelliteName(int number, int slot);

}  // namespace jpsconv
