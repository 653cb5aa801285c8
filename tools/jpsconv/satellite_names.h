// Satellite numbers of the KEL file as people read them: GPS PRNs 1-32 as
// G01-G32, GLONASS (45 plus the frequency channel) as R-7 to R+25, or by
// orbital slot where it is known.
#pragma once

#include <string>

#include "support/gnss_signals.h"
#include "support/satellite_numbers.h"

namespace jpsconv {

// The satellites of the receiver's stream that the KEL numbers have no place
// for (GPS PRNs above 32, Galileo, SBAS, QZSS, BeiDou) are numbered in the
// quality report kOtherSystemNumbers x (system + 1) + their RINEX number.
constexpr int kOtherSystemNumbers = 1000;
// The report's number of a stream satellite other than GPS 1-32 and GLONASS.
int OtherSystemNumber(jps::GnssSystem system, int number);

// "G03", "R+5", "E11" (a number of OtherSystemNumber); "?N" for another number.
std::string SatelliteName(int number);
// The same, but a GLONASS satellite whose orbital slot is known (1-24 from
// the EPP file's GLONASS blocks; up to 99 from the stream) by its slot, as
// RINEX names it: "R05". Two satellites that share a channel get two names.
std::string SatelliteName(int number, int slot);

}  // namespace jpsconv
