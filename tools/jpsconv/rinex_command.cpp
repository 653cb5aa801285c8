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

#include "tools/jpsconv/cli_common.h"
#include "tools/jpsconv/commands.h"
#include "tools/jpsconv/interrupt.h"
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
    if (onlyInputs || arg.empty() || arg[0] != '-' || arg == "-") {
      out->inputs.push_back(arg);
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
    } else {
      return "unknown option " + arg + " (see jpsconv rinex --help)";
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
    RinexResult r = ExportRinex(c->kel, args.options);
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
    r.kel = c->kel;
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
      r.kel = c.kel;
      r.message = "cannot start an export process: " + ErrnoText();
      Print(RinexSummary(r, args.json));
      worst = std::max(worst, kExitFileError);
    }
    for (; Interrupted() && next < args.inputs.size(); ++next) {
      Print(RinexSummary(NotStarted(args.inputs[next]), args.json));
      worst = std::max(worst, kExitRejected);
    }
    std::vector<pollfd> fds;
    for (const Child& c : running) fds.push_back({c.fd, POLLIN, 0});
    if (fds.empty() || ::poll(fds.data(), fds.size(), kPollMilliseconds) <= 0) continue;
    for (size_t i = running.size(); i-- > 0;) {
      int status = 0;
      if (fds[i].revents == 0 || !ReadChild(&running[i], &status)) continue;
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
