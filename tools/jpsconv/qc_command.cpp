// jpsconv qc: the data-quality report of a KEL file.
#include "tools/jpsconv/qc_command.h"

#include <cstdio>

#include "plugin/jav_dll.h"
#include "tools/jpsconv/cli_common.h"
#include "tools/jpsconv/commands.h"
#include "tools/jpsconv/conversion.h"
#include "tools/jpsconv/qc_input.h"
#include "tools/jpsconv/qc_stream.h"
#include "tools/jpsconv/qc_writers.h"

namespace jpsconv {
namespace {

void PrintQcHelp() {
  std::printf(
      "Usage: jpsconv qc FILE.kel|FILE.jps [--svg FILE.svg] [--html FILE.html] [--json]\n"
      "\n"
      "Reports the quality of the data in a KEL raw observation file, with the EPP\n"
      "file (for the GPS week and so the calendar date, and the GLONASS slots) and\n"
      "the STA file (station marks, mode changes, camera pulses) beside it when they\n"
      "are there; or straight from a receiver's JPS file, read once as a conversion\n"
      "reads it (no file is written but those asked for):\n"
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
      "From a JPS file also what a KEL file cannot hold: every system and signal\n"
      "with its C/N0 (mean and least) and its share of the epochs the satellite was\n"
      "tracked above %.0f degrees, elevations and azimuths (the receiver's, or worked\n"
      "out from the ephemerides and the receiver's position), C/N0 against\n"
      "elevation, and the satellites whose ephemerides say they are unhealthy.\n"
      "\n"
      "  --svg FILE    also draw every satellite's tracking into FILE (SVG): time\n"
      "                across, one row per satellite, bars where it was observed\n"
      "                (L1+L2 phase, L1 phase only, code only), a tick at every cycle\n"
      "                slip, missing epochs shaded, station marks along the top; from\n"
      "                a JPS file, each satellite's multipath over time under its bar\n"
      "  --html FILE   also write the report as one HTML page (no script, nothing\n"
      "                fetched): the summary, the tables and every picture, from a\n"
      "                JPS file also sky plots of every track coloured by C/N0 and by\n"
      "                multipath, and C/N0 against elevation\n"
      "  --json        the report as one JSON document\n"
      "\n"
      "Exit status: 0 reported; 1 the file is damaged (the report covers the epochs\n"
      "before the damage), is no KEL or JPS file, or holds no epoch; 2 it could not\n"
      "be opened, the picture or the page could not be written, or bad usage.\n",
      kMultipathMinArcEpochs, kElevationMask);
}

bool WriteWhole(const std::string& path, const std::string& text) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  return std::fclose(f) == 0 && ok;
}

// The report of a receiver's file, from its stream: the converter's pass
// with the report's sink alone (no KEL file is made). "" when there is a
// report, else why not with the exit status in *status.
std::string StreamReport(const std::string& jps, QcReport* report, int* status) {
  QcStreamSink sink(jps);
  ConversionJob job{jps, WithExtension(jps, ".kel")};  // the request takes a KEL path
  jps::ConversionOptions defaults{};
  SetFactoryDefaults(jps::kOptionsSize, &defaults);
  ConversionResult c = RunConversion(job, defaults, ConversionHooks{}, ExtraOutput{{&sink}, false});
  *status = ExitStatus(c.outcome);
  if (c.outcome == Outcome::kFailed || c.outcome == Outcome::kNotStarted) return c.message;
  if (sink.epochs() == 0) {
    *status = kExitRejected;
    return jps + ": no epochs of observations in the stream (a file of legacy rM records: "
                 "convert it and report on the KEL file)";
  }
  sink.Finish(report);
  if (c.outcome != Outcome::kConverted && report->damage.empty()) report->damage = c.message;
  return "";
}

// The file an option names; false (said) when it names none.
bool FileName(const char* option, const std::string& value, const std::string& error,
              std::string* out) {
  if (!error.empty() || value.empty()) {
    Complain(std::string(option) + " needs a file name");
    return false;
  }
  *out = value;
  return true;
}

bool WriteOutput(const std::string& path, const std::string& text) {
  if (path.empty()) return true;
  if (WriteWhole(path, text)) return true;
  Complain("cannot write " + Printable(path) + ": " + ErrnoText());
  return false;
}

}  // namespace

int PrintQcReport(const QcRequest& request) {
  QcReport report;
  bool cannotOpen = false;
  std::string error = ReadQcReport(request.kel, &report, &cannotOpen);
  if (!error.empty() && !cannotOpen && AutoDetect(request.kel.c_str()) == 1) {
    int status = kExitOk;
    report = QcReport{};
    error = StreamReport(request.kel, &report, &status);
    if (!error.empty()) {
      Complain(Printable(error));
      return status;
    }
  } else if (!error.empty()) {
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
  if (!WriteOutput(request.svg, request.svg.empty() ? "" : QcSvg(report)) ||
      !WriteOutput(request.html, request.html.empty() ? "" : QcHtml(report))) {
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
      if (!FileName("--svg", value, error, &request.svg)) return kExitFileError;
    } else if (TakeValue(args, &i, "--html", &value, &error)) {
      if (!FileName("--html", value, error, &request.html)) return kExitFileError;
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
    Complain("no KEL or JPS file (see jpsconv qc --help)");
    return kExitFileError;
  }
  return PrintQcReport(request);
}

}  // namespace jpsconv
