// jpsconv simulate: writes the JPS file of a simulated receiver session.
#include <cstdio>

#include "tools/jpsconv/cli_common.h"
#include "tools/jpsconv/commands.h"
#include "tools/simulator/simulator.h"

namespace jpsconv {
namespace {

void PrintSimulateHelp() {
  std::printf(
      "Usage: jpsconv simulate -o FILE.jps [--minutes N] [--interval S] [--seed N] [--rm]\n"
      "                        [--gap FIRST:COUNT ...] [--code-error SAT:METRES]\n"
      "\n"
      "Writes the JPS file of a simulated session of a GPS/GLONASS receiver: satellites\n"
      "rising and setting, pseudoranges, carrier phases, Dopplers and signal strengths\n"
      "that agree with each other on C/A and P on L1 and L2, L2C and L5 (GPS) and C/A\n"
      "on L2 (GLONASS), ephemerides, occasional cycle slips and missing values, and the\n"
      "field work of an operator (antenna height, two sites saved, a walk in dynamic\n"
      "mode with camera pulses). The same seed gives the same bytes.\n"
      "\n"
      "  -o FILE       the JPS file to write\n"
      "  --minutes N   length of the session (default 10)\n"
      "  --interval S  seconds between epochs, a whole number of ms (default 1)\n"
      "  --seed N      chooses the start time, the noise and the events (default 1)\n"
      "  --rm          measurements as [rM] records instead of GREIS messages\n"
      "  --gap FIRST:COUNT\n"
      "                leave out COUNT epochs from epoch FIRST (the first epoch is 0),\n"
      "                as a receiver that stopped recording; may be repeated, in order\n"
      "  --code-error SAT:METRES\n"
      "                add noise of METRES deviation to every pseudorange of the\n"
      "                satellite with GREIS index SAT (GPS PRN, GLONASS 45 + channel)\n"
      "\n"
      "Exit status: 0 written; 2 bad options or the file could not be written.\n");
}

// "A:B" with two numbers.
bool ParsePair(const std::string& text, std::string* first, std::string* second) {
  size_t colon = text.find(':');
  if (colon == std::string::npos) return false;
  *first = text.substr(0, colon);
  *second = text.substr(colon + 1);
  return true;
}

std::string ParseGap(const std::string& text, jpssim::SimulatorOptions* options) {
  std::string a, b;
  long long first = 0, count = 0;
  if (!ParsePair(text, &a, &b) || !ParseInteger(a, 0, INT32_MAX, &first) ||
      !ParseInteger(b, 1, INT32_MAX, &count)) {
    return "--gap needs FIRST:COUNT, two whole numbers";
  }
  options->gaps.push_back({static_cast<int>(first), static_cast<int>(count)});
  return "";
}

std::string ParseCodeError(const std::string& text, jpssim::SimulatorOptions* options) {
  std::string a, b;
  long long satellite = 0;
  if (!ParsePair(text, &a, &b) || !ParseInteger(a, 1, 255, &satellite) ||
      !ParseNumber(b, &options->codeErrorRms)) {
    return "--code-error needs SAT:METRES, a satellite index and a number";
  }
  options->codeErrorSatellite = static_cast<int>(satellite);
  return "";
}

}  // namespace

int SimulateCommand(const Arguments& args) {
  jpssim::SimulatorOptions options;
  std::string output;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string value, error;
    long long seed = 0;
    if (args[i] == "-h" || args[i] == "--help") {
      PrintSimulateHelp();
      return kExitOk;
    } else if (args[i] == "--rm") {
      options.rm = true;
    } else if (TakeValue(args, &i, "-o", &value, &error) ||
               TakeValue(args, &i, "--output", &value, &error)) {
      output = value;
    } else if (TakeValue(args, &i, "--minutes", &value, &error)) {
      if (error.empty() && !ParseNumber(value, &options.minutes))
        error = "--minutes needs a number";
    } else if (TakeValue(args, &i, "--interval", &value, &error)) {
      if (error.empty() && !ParseNumber(value, &options.interval))
        error = "--interval needs a number";
    } else if (TakeValue(args, &i, "--seed", &value, &error)) {
      if (error.empty() && !ParseInteger(value, 0, INT64_MAX, &seed))
        error = "--seed needs a whole number";
      options.seed = static_cast<uint64_t>(seed);
    } else if (TakeValue(args, &i, "--gap", &value, &error)) {
      if (error.empty()) error = ParseGap(value, &options);
    } else if (TakeValue(args, &i, "--code-error", &value, &error)) {
      if (error.empty()) error = ParseCodeError(value, &options);
    } else {
      error = "unknown argument " + args[i] + " (see jpsconv simulate --help)";
    }
    if (!error.empty()) {
      Complain(error);
      return kExitFileError;
    }
  }
  if (output.empty()) {
    Complain("simulate needs -o FILE.jps (see jpsconv simulate --help)");
    return kExitFileError;
  }
  std::string problem = jpssim::CheckSimulatorOptions(options);
  if (!problem.empty()) {
    Complain(problem);
    return kExitFileError;
  }
  std::FILE* f = std::fopen(output.c_str(), "wb");
  if (f == nullptr) {
    Complain("cannot create " + Printable(output) + ": " + ErrnoText());
    return kExitFileError;
  }
  jpssim::SessionStats stats;
  bool written = jpssim::SimulateSession(
      options,
      [f](const uint8_t* data, size_t size) { return std::fwrite(data, 1, size, f) == size; },
      &stats);
  if (std::fclose(f) != 0) written = false;
  if (!written) {
    Complain("cannot write " + Printable(output) + ": " + ErrnoText());
    std::remove(output.c_str());
    return kExitFileError;
  }
  std::printf(
      "%s: %d epochs (%s), %d GPS and %d GLONASS ephemerides, %d sites saved, "
      "%d camera pulses, %d cycle slips, %llu bytes\n",
      Printable(output).c_str(), stats.epochs, options.rm ? "[rM] records" : "GREIS messages",
      stats.gpsEphemerides, stats.glonassEphemerides, stats.sitesSaved, stats.cameraPulses,
      stats.slips, static_cast<unsigned long long>(stats.bytes));
  return kExitOk;
}

}  // namespace jpsconv
