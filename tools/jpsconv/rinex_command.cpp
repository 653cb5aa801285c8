// jpsconv rinex: KEL files (with their EPP and STA files) into RINEX 3.04
// observation and navigation files; several at a time in child processes.
#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "plugin/jav_dll.h"
#include "tools/jpsconv/cli_common.h"
#include "tools/jpsconv/commands.h"
#include "tools/jpsconv/interrupt.h"
#include "tools/jpsconv/report.h"
#include "tools/jpsconv/platform.h"
#include "tools/jpsconv/rinex_report.h"
#include "tools/jpsconv/stream_rinex.h"

namespace jpsconv {
namespace {

constexpr long long kLastWeek = 9999;
constexpr int kPollMilliseconds = 100;
// Given to each child process of -j: its summary goes to the standard output
// whatever its status, where this process reads it and prints it as its own.
constexpr const char* kChildFlag = "--child-summary";

struct RinexArguments {
  std::vector<std::string> inputs;
  RinexOptions options;
  int jobs = 1;
  bool json = false;
  bool quiet = false;
  bool help = false;
  bool child = false;  // run by another jpsconv rinex -j
  Arguments exportOptions;  // the options as given, but -j: what each child process is given
};

// What a KEL file cannot give, said once when one is exported.
constexpr const char* kKelFileNote =
    "note: a KEL file holds no satellite health, no C/N0, no signal but C/A and P on L2 and no "
    "system but GPS and GLONASS; jpsconv rinex FILE.jps writes them from the receiver's file";

// A receiver's file goes straight from its stream; anything else is taken
// for a KEL file.
bool IsJpsFile(const std::string& path) { return AutoDetect(path.c_str()) == 1; }

void PrintRinexHelp() {
  std::printf(
      "Usage: jpsconv rinex FILE.jps|FILE.kel [FILE2 ...] [-o FOLDER] [options]\n"
      "\n"
      "Writes RINEX observation and navigation files, beside each input or into\n"
      "FOLDER, for GNSS programs and online positioning services that read RINEX:\n"
      "FILE.obs and FILE.nav (RINEX 3.04), or FILE.obs, FILE.nav (GPS) and\n"
      "FILE.gnav (GLONASS) with --rinex-version 2.11.\n"
      "\n"
      "From a receiver's file (FILE.jps) the files hold every satellite of GPS,\n"
      "GLONASS (named by orbital slot), Galileo, SBAS, QZSS and BeiDou, every signal\n"
      "the receiver recorded with its code, phase, Doppler and C/N0 under its RINEX\n"
      "code, the loss-of-lock flags the receiver gave, and navigation records from\n"
      "the receiver's own ephemeris messages with the satellites' health and\n"
      "accuracy; an epoch whose time is not after the last one written is left out\n"
      "and said.\n"
      "\n"
      "From a KEL file, the view of what the post-processing host sees: GPS C1C L1C\n"
      "D1C C2W L2W and GLONASS C1C L1C D1C C2P L2P, with the EPP file (FILE.epp)\n"
      "and STA file (FILE.STA) beside it when present: the EPP file gives the\n"
      "navigation records, the GPS week (the KEL file holds seconds of the week\n"
      "only), the GLONASS slots and the leap seconds; the STA file the marker name\n"
      "and antenna height of the first site saved. A KEL file has no health, C/N0,\n"
      "other signals or other systems.\n"
      "\n"
      "Options:\n"
      "  -o, --output FOLDER  write the RINEX files into this existing folder\n"
      "      --rinex-version V  3.04 (the default) or 2.11\n"
      "      --from TIME      leave out the epochs before TIME\n"
      "      --to TIME        leave out the epochs after TIME\n"
      "      --interval S     keep only the epochs on a grid of S seconds\n"
      "      --epp FILE       the EPP file to use (one KEL file only)\n"
      "      --sta FILE       the STA file to use (one KEL file only)\n"
      "      --week N         the GPS week of the first epoch of a KEL file whose EPP\n"
      "                       file has no GPS ephemeris (below 1024: modulo 1024)\n"
      "  -j, --jobs N         export up to N files at the same time (default 1)\n"
      "      --json           print the summaries as JSON lines\n"
      "  -q, --quiet          no converter messages, only the summaries\n"
      "  -h, --help           this text\n"
      "\n"
      "TIME is seconds of the GPS week (504000, in the week nearest the first\n"
      "epoch) or a date and time in GPS time (\"2014-08-29 20:00:00\",\n"
      "2014-08-29T20:00).\n"
      "\n"
      "The files are written under temporary names and appear only when all of\n"
      "them are complete.\n"
      "\n"
      "Exit status: 0 every file exported; 1 bad data (not a JPS or KEL file; a\n"
      "damaged KEL file, whose epochs before the damage are written; no GPS week\n"
      "known; no epoch to write) or interrupted (Ctrl-C); 2 a file could not be\n"
      "opened or written, or bad usage.\n");
}

std::string ParseRinexArguments(const Arguments& args, RinexArguments* out) {
  bool onlyInputs = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    std::string value, error;
    size_t first = i;
    if (onlyInputs || arg.empty() || arg[0] != '-' || arg == "-") {
      out->inputs.push_back(arg);
      continue;
    } else if (arg == "--") {
      onlyInputs = true;
    } else if (arg == "-h" || arg == "--help") {
      out->help = true;
    } else if (arg == "--json") {
      out->json = true;
    } else if (arg == "-q" || arg == "--quiet") {
      out->quiet = true;
    } else if (arg == kChildFlag) {
      out->child = true;
    } else if (TakeRinexVersion(args, &i, &out->options.version, &error)) {
      if (!error.empty()) return error;
    } else if (TakeValue(args, &i, "-o", &value, &error) ||
               TakeValue(args, &i, "--output", &value, &error)) {
      if (!error.empty()) return error;
      out->options.outputFolder = value;
    } else if (TakeValue(args, &i, "--epp", &value, &error)) {
      if (!error.empty()) return error;
      out->options.epp = value;
    } else if (TakeValue(args, &i, "--sta", &value, &error)) {
      if (!error.empty()) return error;
      out->options.sta = value;
    } else if (TakeValue(args, &i, "--from", &value, &error) ||
               TakeValue(args, &i, "--to", &value, &error)) {
      if (!error.empty()) return error;
      bool from = arg.compare(0, 6, "--from") == 0;
      error = ParseTimeBound(value, from ? &out->options.from : &out->options.to);
      if (!error.empty()) return (from ? "--from: " : "--to: ") + error;
    } else if (TakeValue(args, &i, "--interval", &value, &error)) {
      if (!error.empty()) return error;
      if (!ParseNumber(value, &out->options.interval) || out->options.interval <= 0) {
        return "--interval needs a number of seconds above 0";
      }
    } else if (TakeValue(args, &i, "--week", &value, &error)) {
      if (!error.empty()) return error;
      long long week = 0;
      if (!ParseInteger(value, 0, kLastWeek, &week)) return "--week needs a GPS week number";
      out->options.week = static_cast<int32_t>(week);
    } else if (TakeJobCount(args, &i, &out->jobs, &error)) {
      if (!error.empty()) return error;
      continue;
    } else {
      return "unknown option " + arg + " (see jpsconv rinex --help)";
    }
    if (!onlyInputs) {
      out->exportOptions.insert(out->exportOptions.end(), args.begin() + first, args.begin() + i + 1);
    }
  }
  if (out->help) return "";
  if (out->inputs.empty()) return "no JPS or KEL file (see jpsconv rinex --help)";
  const RinexOptions& o = out->options;
  if (out->inputs.size() > 1 && (!o.epp.empty() || !o.sta.empty())) {
    return "--epp and --sta name the files of one KEL file: give one KEL file with them";
  }
  if (!o.outputFolder.empty() && !IsDirectory(o.outputFolder)) {
    return "-o must name an existing folder: " + o.outputFolder;
  }
  std::set<std::string> outputs;
  for (const std::string& input : out->inputs) {
    if (!outputs.insert(RinexOutputPath(input, o.outputFolder, "")).second) {
      return "two inputs would write the same RINEX files " +
             RinexOutputPath(input, o.outputFolder, ".obs");
    }
    bool kelOptions = !o.epp.empty() || !o.sta.empty() || o.week >= 0;
    if (kelOptions && IsJpsFile(input)) {
      return "--epp, --sta and --week are for KEL files; " + input + " is a receiver's file";
    }
  }
  return "";
}

// The RINEX files of one input: from its stream when it is a receiver's
// file, else from the KEL file and the files beside it.
RinexResult ExportInput(const std::string& input, const RinexArguments& args) {
  if (!IsJpsFile(input)) return ExportRinex(input, args.options);
  ConversionHooks hooks;
  if (!args.quiet) {
    hooks.message = [](double time, const char* text) { PrintConverterMessage("", time, text); };
  }
  RinexResult r = ExportRinexFromStream(input, args.options, hooks);
  FlushConverterMessages();
  return r;
}

// A summary on the standard output; why a file was not exported (or only in
// part) on the error output as well, or instead of the text.
void Print(const std::string& summary, int status, const RinexArguments& args) {
  bool trouble = status != kExitOk;
  std::FILE* out = trouble && !args.json && !args.child ? stderr : stdout;
  std::fputs(summary.c_str(), out);
  std::fflush(out);
}

RinexResult NotStarted(const std::string& kel) {
  RinexResult r;
  r.input = kel;
  r.status = RinexStatus::kInterrupted;
  r.message = "not exported: interrupted";
  return r;
}

// An export running in a child process: this program run again on one KEL
// file, which prints its summary.
struct Child {
  std::string kel;
  platform::ChildProcess process;
  std::string summary;
};

std::string StartChild(Child* c, const RinexArguments& args) {
  Arguments argv = {"rinex"};
  argv.insert(argv.end(), args.exportOptions.begin(), args.exportOptions.end());
  argv.insert(argv.end(), {kChildFlag, "--", c->kel});
  return platform::StartChild(argv, &c->process);
}

// Reads the child's summary; at its end waits for it and returns its status.
bool ReadChild(Child* c, int* status) {
  if (platform::ReadChild(&c->process, &c->summary)) return false;
  platform::ChildExit end = platform::ReapChild(&c->process);
  *status = end.exited ? end.code : kExitFileError;
  if (c->summary.empty()) {
    RinexResult r;
    r.input = c->kel;
    r.message = "the export process " + end.how + " without a result";
    c->summary = RinexSummary(r, false);
  }
  return true;
}

int RunInChildren(const RinexArguments& args) {
  int worst = kExitOk;
  std::vector<Child> running;
  size_t next = 0;
  while (next < args.inputs.size() || !running.empty()) {
    while (!Interrupted() && next < args.inputs.size() &&
           running.size() < static_cast<size_t>(args.jobs)) {
      Child c;
      c.kel = args.inputs[next++];
      std::string why = StartChild(&c, args);
      if (why.empty()) {
        running.push_back(c);
        continue;
      }
      RinexResult r;
      r.input = c.kel;
      r.message = "cannot start an export process: " + why;
      Print(RinexSummary(r, args.json), kExitFileError, args);
      worst = std::max(worst, kExitFileError);
    }
    for (; Interrupted() && next < args.inputs.size(); ++next) {
      Print(RinexSummary(NotStarted(args.inputs[next]), args.json), kExitRejected, args);
      worst = std::max(worst, kExitRejected);
    }
    if (running.empty()) continue;
    std::vector<const platform::ChildProcess*> children;
    for (const Child& c : running) children.push_back(&c.process);
    std::vector<bool> ready;
    platform::WaitForChildren(children, kPollMilliseconds, &ready);
    for (size_t i = running.size(); i-- > 0;) {
      int status = 0;
      if (!ready[i] || !ReadChild(&running[i], &status)) continue;
      Print(running[i].summary, status, args);
      worst = std::max(worst, status);
      running.erase(running.begin() + static_cast<std::ptrdiff_t>(i));
    }
  }
  return worst;
}

}  // namespace

int RinexCommand(const Arguments& argv) {
  RinexArguments args;
  std::string error = ParseRinexArguments(argv, &args);
  if (args.help) {
    PrintRinexHelp();
    return kExitOk;
  }
  if (!error.empty()) {
    Complain(error);
    return kExitFileError;
  }
  InstallInterruptHandler();
  for (size_t i = 0; !args.quiet && !args.child && i < args.inputs.size(); ++i) {
    const std::string& input = args.inputs[i];
    if (!IsDirectory(input) && FileSize(input) >= 0 && !IsJpsFile(input)) {
      std::fprintf(stderr, "%s\n", kKelFileNote);
      break;
    }
  }
  if (args.jobs > 1 && args.inputs.size() > 1) return RunInChildren(args);
  int worst = kExitOk;
  for (const std::string& kel : args.inputs) {
    RinexResult r = Interrupted() ? NotStarted(kel) : ExportInput(kel, args);
    Print(RinexSummary(r, args.json), RinexExitStatus(r.status), args);
    worst = std::max(worst, RinexExitStatus(r.status));
  }
  return worst;
}

}  // namespace jpsconv
