// What the RINEX export takes from the files beside the KEL file: from the
// EPP file the full GPS weeks, the GLONASS slots, the leap seconds and the
// navigation records; from the STA file the site.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "support/kel_records.h"
#include "tools/jpsconv/rinex_glonass.h"
#include "tools/rinex/navigation_file.h"
#include "tools/rinex/rinex_time.h"

namespace jpsconv {

using jpsrinex::BoundTime;
using jpsrinex::GpsSeconds;
using jpsrinex::kHalfWeek;
using jpsrinex::ParseTimeBound;
using jpsrinex::TimeBound;
using jpsrinex::WeekFinder;

struct RinexOptions {
  std::string outputFolder;  // "" = beside the input
  std::string epp, sta;      // "" = the files beside the KEL file, when there are any
  TimeBound from, to;
  double interval = 0;  // s; 0 = every epoch
  int32_t week = -1;    // --week: the GPS week of the first epoch; -1 = from the EPP file
  jpsrinex::RinexVersion version = jpsrinex::RinexVersion::k304;
};

struct RinexSession {
  WeekFinder weeks;        // from the GPS ephemerides, or from --week
  int32_t fixedWeek = -1;  // --week made full; -1 without it
  GlonassSlots slots;
  bool hasLeapSeconds = false;
  int leapSeconds = 0;
  std::string eppPath;     // "" when no EPP file was read
  // Every navigation record, in the order of the EPP file: 3.04 one mixed
  // file; 2.11 a GPS file and a GLONASS file (each takes its own records).
  std::vector<std::unique_ptr<jpsrinex::NavigationFile>> navs;
  std::map<std::string, int> recordsLeftOut;  // why -> how many blocks
  // The site: the first site saved in the STA file, else the KEL file's name.
  std::string markerName;
  std::string antennaType;
  double antennaHeight = 0;
  bool slantHeight = false;
};

// Why a session could not be loaded: a file that cannot be read (exit 2), or
// one that holds the wrong thing or too little (exit 1).
struct SessionFailure {
  bool fileError = false;
  std::string message;
};

// Loads what goes with the KEL file kel (whose header is given). false, with
// *failure filled, when the export cannot go on.
bool LoadRinexSession(const std::string& kel, const jps::KelHeader& header,
                      const RinexOptions& options, RinexSession* session, SessionFailure* failure);

}  // namespace jpsconv
