// jpsconv rinex: a KEL file, with the EPP and STA files that go with it, into
// a RINEX observation file (.obs, GPS and GLONASS) and navigation files
// (3.04: .nav; 2.11: .nav and .gnav); a JPS file straight from its stream
// (stream_rinex.h). The files are written under temporary names and put in
// place together at the end, so that a failed export leaves no file behind
// and never replaces one that was there.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "support/gnss_signals.h"
#include "tools/jpsconv/rinex_session.h"

namespace jpsconv {

enum class RinexStatus {
  kExported,     // both files written
  kRejected,     // the input is not what it should be (files written only for a damaged KEL file)
  kFailed,       // a file could not be opened or written
  kInterrupted,  // stopped by Ctrl-C; no files
};

// Why an ephemeris that came again gives no second navigation record.
constexpr const char* kRepeatedEphemeris = "the same ephemeris again";

struct RinexResult {
  std::string input;              // the KEL or JPS file
  std::string obs, nav, glonassNav;  // the files written; "" when none were
  RinexStatus status = RinexStatus::kFailed;
  std::string message;  // why, when not exported
  int32_t week = -1;    // full GPS week of the first epoch written
  int64_t epochs = 0;   // epochs written
  int64_t epochsLeftOut = 0;
  int satellites[jps::kGnssSystemCount] = {};  // distinct satellites written, by system
  int64_t blankValues = 0;
  int64_t valuesOutOfRange = 0;                // too large for their field: written blank
  std::vector<std::string> satellitesLeftOut;  // each with the reason
  std::vector<std::string> timeRuns;  // each run of epochs left out for their time
  int records[jps::kGnssSystemCount] = {};     // navigation records written, by system
  std::map<std::string, int> recordsLeftOut;  // why -> how many ephemerides
  double seconds = 0;
};

// The program as the RINEX headers name it: "jpsconv 1.0".
const char* RinexProgramName();

// Where the file with this extension goes: beside the input, or in folder.
std::string RinexOutputPath(const std::string& input, const std::string& folder,
                            const std::string& extension);
// The paths of the RINEX files of input: the observation file, then the
// navigation files (3.04: .nav; 2.11: .nav and .gnav).
std::vector<std::string> RinexOutputPaths(const std::string& input, const RinexOptions& options);
// The RINEX files of a KEL file.
RinexResult ExportRinex(const std::string& kel, const RinexOptions& options);

const char* RinexStatusName(RinexStatus status);
int RinexExitStatus(RinexStatus status);

}  // namespace jpsconv
