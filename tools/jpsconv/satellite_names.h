// Satellite numbers of the KEL file as people read them: GPS PRNs 1-32 as
// G01-G32, GLONASS (45 plus the frequency channel) as R-7 to R+6.
#pragma once

#include <string>

namespace jpsconv {

constexpr int kLastGpsSatellite = 32;
constexpr int kGlonassSatelliteBase = 45;  // GLONASS: 45 + frequency channel

bool IsGpsSatellite(int number);
bool IsGlonassSatellite(int number);
// The GLONASS frequency channel of a satellite number above 32.
int GlonassChannel(int number);
// "G03", "R+5"; "?N" for a number that is neither.
std::string SatelliteName(int number);

}  // namespace jpsconv
