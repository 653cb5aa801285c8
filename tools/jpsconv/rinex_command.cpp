// jpsconv rinex: KEL files (with their EPP and STA files) into RINEX 3.04
// observation and navigation files; several at a time in child processes.
#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "tools/jpsconv/cli_common.h"
#include "tools/jpsconv/commands.h"
#include "tools/jpsconv/interrupt.h"
#include "tools/jpsconv/platform.h"
#include "tools/jpsconv/rinex_report.h"

namespace jpsconv {
namespace {

constexpr long long kLastWeek = 9999;
constexpr int kPollMilliseconds = 100;

struct RinexArguments {
  std::vector<std::string> inputs;
  RinexOptions options;
  int jobs = 1;
  bool json = false;
  bool help = false;
  Arguments exportOptions;  // the options as given, but -j: what each child process is given
};

void PrintRinexHelp() {
  std::printf(
      "Usage: jpsconv rinex FILE.kel [FILE2.kel ...] [-o FOLDER] [options]\n"
      "\n"
      "Writes for a KEL file a RINEX 3.04 observation file (FILE.obs, GPS and\n"
      "GLONASS) and navigation file (FILE.nav), beside the KEL file or into FOLDER,\n"
      "for GNSS programs and online positioning services that read RINEX. The EPP\n"
      "file (FILE.epp) and STA file (FILE.STA) beside the KEL file are used when\n"
      "present: the EPP file gives the navigation records, the GPS week (the KEL\n"
      "file holds seconds of the week only), the GLONASS slots (RINEX names GLONASS\n"
      "satellites by slot, the KEL file by frequency channel) and the leap seconds;\n"
      "the STA file gives the marker name and antenna height of the first site\n"
      "saved. A GLONASS channel that no ephemeris gives a slot for is left out.\n"
      "\n"
      "Options:\n"
      "  -o, --output FOLDER  write the RINEX files into this existing folder\n"
      "      --epp FILE       the EPP file to use (one KEL file only)\n"
      "      --sta FILE       the STA file to use (one KEL file only)\n"
      "      --from TIME      leave out the epochs before TIME\n"
      "      --to TIME        leave out the epochs after TIME\n"
      "      --interval S     keep only the epochs on a grid of S seconds\n"
      "      --week N         the GPS week of the first epoch, when the EPP file has\n"
      "                       no GPS ephemeris (a week below 1024 is taken modulo 1024)\n"
      "  -j, --jobs N         export up to N files at the same time (default 1)\n"
      "      --json           print the summaries as JSON lines\n"
      "  -h, --help           this text\n"
      "\n"
      "TIME is seconds of the GPS week (504000, in the week nearest the first\n"
      "epoch) or a date and time in GPS time (\"2014-08-29 20:00:00\",\n"
      "2014-08-29T20:00).\n"
      "\n"
      "Observation types: GPS C1C L1C D1C C2W L2W, GLONASS C1C L1C D1C C2P L2P; a\n"
      "value the KEL file does not have is a blank field; the loss-of-lock flag\n"
      "marks the phases of a satellite in the epoch of a cycle slip. The files are\n"
      "written under temporary names and appear only when both are complete.\n"
      "\n"
      "Exit status: 0 every file exported; 1 bad data (not a KEL file; a damaged\n"
      "one, whose epochs before the damage are written; no GPS week known; no\n"
      "epoch to write) or interrupted (Ctrl-C); 2 a file could not be opened or\n"
      "written, or bad usage.\n");
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
  if (out->inputs.empty()) return "no KEL file (see jpsconv rinex --help)";
  const RinexOptions& o = out->options;
  if (out->inputs.size() > 1 && (!o.epp.empty() || !o.sta.empty())) {
    return "--epp and --sta name the files of one KEL file: give one KEL file with them";
  }
  if (!o.outputFolder.empty() && !IsDirectory(o.outputFolder)) {
    return "-o must name an existing folder: " + o.outputFolder;
  }
  std::set<std::string> outputs;
  for (const std::string& kel : out->inputs) {
    if (!outputs.insert(RinexOutputPath(kel, o.outputFolder, "")).second) {
      return "two KEL files would write the same RINEX files " +
             RinexOutputPath(kel, o.outputFolder, ".obs");
    }
  }
  return "";
}

void Print(const std::string& summary) {
  std::fputs(summary.c_str(), stdout);
  std::fflush(stdout);
}

RinexResult NotStarted(const std::string& kel) {
  RinexResult r;
  r.kel = kel;
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
  argv.insert(argv.end(), {"--", c->kel});
  return platform::StartChild(argv, &c->process);
}

// Reads the child's summary; at its end waits for it and returns its status.
bool ReadChild(Child* c, int* status) {
  if (platform::ReadChild(&c->process, &c->summary)) return false;
  platform::ChildExit end = platform::ReapChild(&c->process);
  *status = end.exited ? end.code : kExitFileError;
  if (c->summary.empty()) {
    RinexResult r;
    r.kel = c->kel;
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
      r.kel = c.kel;
      r.message = "cannot start an export process: " + why;
      Print(RinexSummary(r, args.json));
      worst = std::max(worst, kExitFileError);
    }
    for (; Interrupted() && next < args.inputs.size(); ++next) {
      Print(RinexSummary(NotStarted(args.inputs[next]), args.json));
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
      Print(running[i].summary);
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
  if (args.jobs > 1 && args.inputs.size() > 1) return RunInChildren(args);
  int worst = kExitOk;
  for (const std::string& kel : args.inputs) {
    RinexResult r = Interrupted() ? NotStarted(kel) : ExportRinex(kel, args.options);
    Print(RinexSummary(r, args.json));
    worst = std::max(worst, RinexExitStatus(r.status));
  }
  return worst;
}

}  // namespace jpsconv
