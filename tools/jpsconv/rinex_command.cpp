// jpsconv rinex: KEL files (with their EPP and STA files) into RINEX 3.04
// observation and navigation files; several at a time in child processes.
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
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
#include "tools/jpsconv/rinex_report.h"
#include "tools/jpsconv/stream_rinex.h"

namespace jpsconv {
namespace {

constexpr long long kLastWeek = 9999;
constexpr int kPollMilliseconds = 100;

struct RinexArguments {
  std::vector<std::string> inputs;
  RinexOptions options;
  int jobs = 1;
  bool json = false;
  bool quiet = false;
  bool help = false;
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
    if (onlyInputs || arg.empty() || arg[0] != '-' || arg == "-") {
      out->inputs.push_back(arg);
    } else if (arg == "--") {
      onlyInputs = true;
    } else if (arg == "-h" || arg == "--help") {
      out->help = true;
    } else if (arg == "--json") {
      out->json = true;
    } else if (arg == "-q" || arg == "--quiet") {
      out->quiet = true;
    } else if (TakeValue(args, &i, "--rinex-version", &value, &error)) {
      if (!error.empty()) return error;
      if (value == "3.04" || value == "3") {
        out->options.version = jpsrinex::RinexVersion::k304;
      } else if (value == "2.11" || value == "2") {
        out->options.version = jpsrinex::RinexVersion::k211;
      } else {
        return "--rinex-version takes 3.04 or 2.11";
      }
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
    } else {
      return "unknown option " + arg + " (see jpsconv rinex --help)";
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
void Print(const std::string& summary, int status, bool json) {
  bool trouble = status != kExitOk;
  std::FILE* out = trouble && !json ? stderr : stdout;
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

// An export running in a child process, which sends its summary through a pipe.
struct Child {
  std::string kel;
  pid_t pid = -1;
  int fd = -1;
  std::string summary;
};

bool StartChild(Child* c, const RinexArguments& args) {
  int fds[2];
  if (::pipe(fds) != 0) return false;
  std::fflush(stdout);
  c->pid = ::fork();
  if (c->pid < 0) {
    ::close(fds[0]);
    ::close(fds[1]);
    return false;
  }
  if (c->pid == 0) {
    ::close(fds[0]);
    RinexResult r = ExportInput(c->kel, args);
    std::string text = RinexSummary(r, args.json);
    for (size_t done = 0; done < text.size();) {
      ssize_t n = ::write(fds[1], text.data() + done, text.size() - done);
      if (n <= 0 && errno != EINTR) break;
      if (n > 0) done += static_cast<size_t>(n);
    }
    ::_exit(RinexExitStatus(r.status));
  }
  ::close(fds[1]);
  c->fd = fds[0];
  return true;
}

// Reads the child's summary; at its end waits for it and returns its status.
bool ReadChild(Child* c, int* status) {
  char buffer[4096];
  ssize_t n = ::read(c->fd, buffer, sizeof buffer);
  if (n < 0 && errno == EINTR) return false;
  if (n > 0) {
    c->summary.append(buffer, static_cast<size_t>(n));
    return false;
  }
  ::close(c->fd);
  int wait = 0;
  while (::waitpid(c->pid, &wait, 0) < 0 && errno == EINTR) {
  }
  *status = WIFEXITED(wait) ? WEXITSTATUS(wait) : kExitFileError;
  if (c->summary.empty()) {
    RinexResult r;
    r.input = c->kel;
    r.message = "the export process ended without a result";
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
      if (StartChild(&c, args)) {
        running.push_back(c);
        continue;
      }
      RinexResult r;
      r.input = c.kel;
      r.message = "cannot start an export process: " + ErrnoText();
      Print(RinexSummary(r, args.json), kExitFileError, args.json);
      worst = std::max(worst, kExitFileError);
    }
    for (; Interrupted() && next < args.inputs.size(); ++next) {
      Print(RinexSummary(NotStarted(args.inputs[next]), args.json), kExitRejected, args.json);
      worst = std::max(worst, kExitRejected);
    }
    std::vector<pollfd> fds;
    for (const Child& c : running) fds.push_back({c.fd, POLLIN, 0});
    if (fds.empty() || ::poll(fds.data(), fds.size(), kPollMilliseconds) <= 0) continue;
    for (size_t i = running.size(); i-- > 0;) {
      int status = 0;
      if (fds[i].revents == 0 || !ReadChild(&running[i], &status)) continue;
      Print(running[i].summary, status, args.json);
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
  bool anyKel = false;
  for (const std::string& input : args.inputs) {
    anyKel |= !IsDirectory(input) && FileSize(input) >= 0 && !IsJpsFile(input);
  }
  if (anyKel && !args.quiet) std::fprintf(stderr, "%s\n", kKelFileNote);
  if (args.jobs > 1 && args.inputs.size() > 1) return RunInChildren(args);
  int worst = kExitOk;
  for (const std::string& kel : args.inputs) {
    RinexResult r = Interrupted() ? NotStarted(kel) : ExportInput(kel, args);
    Print(RinexSummary(r, args.json), RinexExitStatus(r.status), args.json);
    worst = std::max(worst, RinexExitStatus(r.status));
  }
  return worst;
}

}  // namespace jpsconv
