// Satellite numbers of the KEL file as people read them: GPS PRNs 1-32 as
// G01-G32, GLONASS (45 plus the frequency channel) as R-7 to R+25.
#pragma once

#include <string>

#include "support/satellite_numbers.h"

namespace jpsconv {

inline bool IsGpsSatellite(int number) { return jps::IsGpsNumber(number); }
inline bool IsGlonassSatellite(int number) { return jps::IsGlonassNumber(number); }
// "G03", "R+5"; "?N" for a number that is neither.
std::string SatelliteName(int number);

}  // namespace jpsconv
