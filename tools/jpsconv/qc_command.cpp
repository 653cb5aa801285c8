// jpsconv qc: the data-quality report of a KEL file.
#include "tools/jpsconv/qc_command.h"

#include <cstdio>

#include "tools/jpsconv/cli_common.h"
#include "tools/jpsconv/commands.h"
#include "tools/jpsconv/qc_input.h"
#include "tools/jpsconv/qc_writers.h"

namespace jpsconv {
namespace {

void PrintQcHelp() {
  std::printf(
      "Usage: jpsconv qc FILE.kel [--svg FILE.svg] [--json]\n"
      "\n"
      "Reports the quality of the data in a KEL raw observation file, with the EPP\n"
      "file (for the GPS week and so the calendar date, and the GLONASS slots) and\n"
      "the STA file (station marks, mode changes, camera pulses) beside it when they\n"
      "are there:\n"
      "  - the session: first and last epoch, interval, epochs present and expected,\n"
      "    gaps, re-acquisitions of every satellite, static and kinematic spans,\n"
      "    station marks;\n"
      "  - per satellite (G = GPS PRN; R = GLONASS slot, R05, or frequency channel,\n"
      "    R+2, where no EPP file tells the slot): epochs, the share of them with L1\n"
      "    code, L1 phase, Doppler, L2 code and L2 phase, cycle slips (jumps of the\n"
      "    geometry-free or Melbourne-Wuebbena combination, whatever the lock count\n"
      "    says), outliers, the longest arc of continuous phase, and the code\n"
      "    multipath MP1 and MP2 (code minus both phases, mean removed per arc, RMS\n"
      "    in metres; arcs of fewer than %ld epochs are left out);\n"
      "  - totals and the worst satellites first.\n"
      "\n"
      "  --svg FILE   also draw every satellite's tracking into FILE (SVG): time\n"
      "               across, one row per satellite, bars where it was observed\n"
      "               (L1+L2 phase, L1 phase only, code only), a tick at every cycle\n"
      "               slip, missing epochs shaded, station marks along the top\n"
      "  --json       the report as one JSON document\n"
      "\n"
      "Exit status: 0 reported; 1 the file is damaged (the report covers the epochs\n"
      "before the damage) or not a KEL file; 2 it could not be opened, the picture\n"
      "could not be written, or bad usage.\n",
      kMultipathMinArcEpochs);
}

bool WriteWhole(const std::string& path, const std::string& text) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int PrintQcReport(const QcRequest& request) {
  QcReport report;
  bool cannotOpen = false;
  std::string error = ReadQcReport(request.kel, &report, &cannotOpen);
  if (!error.empty()) {
    Complain(Printable(error));
    return cannotOpen ? kExitFileError : kExitRejected;
  }
  if (report.present == 0 && report.damage.empty()) {
    Complain(Printable(request.kel) + ": no epochs");
    return kExitRejected;
  }
  std::string out = request.json ? QcJson(report, request.compact) : QcText(report);
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fflush(stdout);
  if (!request.svg.empty() && !WriteWhole(request.svg, QcSvg(report))) {
    Complain("cannot write " + Printable(request.svg) + ": " + ErrnoText());
    return kExitFileError;
  }
  if (!report.damage.empty()) {
    Complain(Printable(request.kel) + ": " + Printable(report.damage));
    return kExitRejected;
  }
  return kExitOk;
}

int QcCommand(const Arguments& args) {
  QcRequest request;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string value, error;
    if (args[i] == "-h" || args[i] == "--help") {
      PrintQcHelp();
      return kExitOk;
    } else if (args[i] == "--json") {
      request.json = true;
    } else if (TakeValue(args, &i, "--svg", &value, &error)) {
      if (!error.empty() || value.empty()) {
        Complain("--svg needs a file name");
        return kExitFileError;
      }
      request.svg = value;
    } else if (args[i].size() > 1 && args[i][0] == '-') {
      Complain("unknown option " + args[i] + " (see jpsconv qc --help)");
      return kExitFileError;
    } else if (request.kel.empty()) {
      request.kel = args[i];
    } else {
      Complain("qc reads one file (see jpsconv qc --help)");
      return kExitFileError;
    }
  }
  if (request.kel.empty()) {
    Complain("no KEL file (see jpsconv qc --help)");
    return kExitFileError;
  }
  return PrintQcReport(request);
}

}  // namespace jpsconv
