// Satellite numbers of the KEL file as people read them: GPS PRNs 1-32 as
// G01-G32, GLONASS (45 plus the frequency channel) as R-7 to R+25.
#pragma once

#include <string>

#include "support/satellite_numbers.h"

namespace jpsconv {

// "G03", "R+5"; "?N" for a number that is neither.
std::string SatelliteName(int number);

}  // namespace jpsconv
