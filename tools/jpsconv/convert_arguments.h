// The command line of "jpsconv convert".
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "context/host_records.h"
#include "tools/rinex/rinex_text.h"

namespace jpsconv {

struct ConvertArguments {
  std::vector<std::string> inputs;
  std::string output;    // -o: the KEL file, or a folder for several inputs
  std::string log;       // --log: converter messages into this file
  int jobs = 1;          // -j: conversions at a time
  bool json = false;     // summaries as JSON lines
  bool qc = false;       // a data-quality report of each file converted
  bool quiet = false;    // no converter messages, no progress
  bool progress = true;  // progress bar on a terminal
  bool worker = false;   // run as a worker of a parent jpsconv
  bool rinex = false;    // --rinex: RINEX files too, in the same pass
  jpsrinex::RinexVersion rinexVersion = jpsrinex::RinexVersion::k304;
  bool help = false;
  jps::ConversionOptions options{};      // factory defaults plus the flags
  std::vector<std::string> optionFlags;  // the conversion flags as given
};

// "" on success, else what is wrong with the command line.
std::string ParseConvertArguments(const std::vector<std::string>& args, ConvertArguments* out);
void PrintConvertHelp(std::FILE* out);

// The option word written by the worker's parent; not for people.
constexpr const char* kWorkerFlag = "--worker";

}  // namespace jpsconv
