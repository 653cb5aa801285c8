// jpsconv convert: one file in this process, several in worker processes.
#include <algorithm>
#include <cstdio>
#include <set>

#include "tools/jpsconv/cli_common.h"
#include "tools/jpsconv/commands.h"
#include "tools/jpsconv/conversion.h"
#include "tools/jpsconv/convert_arguments.h"
#include "tools/jpsconv/interrupt.h"
#include "tools/jpsconv/platform.h"
#include "tools/jpsconv/progress_bar.h"
#include "tools/jpsconv/qc_command.h"
#include "tools/jpsconv/report.h"
#include "tools/jpsconv/stream_outputs.h"
#include "tools/jpsconv/workers.h"

namespace jpsconv {
namespace {

// The --log file, closed at the end of the command.
struct LogFile {
  std::FILE* file = nullptr;
  ~LogFile() {
    if (file == nullptr) return;
    SetMessageLog(nullptr);
    std::fclose(file);
  }
};

// The KEL path of each input; "" in *error when the outputs are fine.
std::vector<ConversionJob> PlanJobs(const ConvertArguments& args, std::string* error) {
  std::vector<ConversionJob> jobs;
  bool intoFolder = !args.output.empty() && IsDirectory(args.output);
  if (args.inputs.size() > 1 && !args.output.empty() && !intoFolder) {
    *error = "with several inputs, -o must name an existing folder";
    return jobs;
  }
  for (const std::string& input : args.inputs) {
    ConversionJob job{input, WithExtension(input, ".kel")};
    if (intoFolder) {
      job.kel = InFolder(args.output, BaseName(job.kel));
    } else if (!args.output.empty()) {
      job.kel = args.output;
    }
    jobs.push_back(job);
  }
  // Two conversions writing the same files would destroy each other's work.
  std::set<std::string> seen;
  for (const ConversionJob& job : jobs) {
    if (!seen.insert(WithExtension(job.kel, "")).second) {
      *error = "two inputs would write the same output files " + WithExtension(job.kel, ".*");
      jobs.clear();
      return jobs;
    }
  }
  return jobs;
}

// The summary of a finished conversion, then what --rinex and --qc ask for:
// the RINEX files written in the same pass, the report of the stream from
// the same pass (or, for a stream without epochs of observations, of the
// KEL file written). The exit status of all of them.
int Report(const ConversionResult& r, const ConvertArguments& args) {
  PrintSummary(r, args.json);
  int status = ExitStatus(r.outcome);
  auto print = [&](const ExtraReport& report) {
    std::fputs(report.text.c_str(), stdout);
    std::fflush(stdout);
    status = std::max(status, report.status);
  };
  if (r.rinex.has) print(r.rinex);
  bool written = r.outcome == Outcome::kConverted || r.outcome == Outcome::kRejected;
  if (r.qc.has) {
    print(r.qc);
  } else if (args.qc && written) {
    QcRequest qc;
    qc.kel = r.kel;
    qc.json = args.json;
    qc.compact = true;
    status = std::max(status, PrintQcReport(qc));
  }
  return status;
}

int ConvertOne(const ConversionJob& job, const ConvertArguments& args, ProgressBar& bar) {
  bar.Start(BaseName(job.input), std::max<int64_t>(0, FileSize(job.input)));
  ConversionHooks hooks;
  if (!args.quiet) {
    hooks.message = [](double time, const char* text) { PrintConverterMessage("", time, text); };
    // The converter reports progress once per 64 KiB of input: at most ten
    // times a second the gathered messages are written out and the bar
    // redrawn beneath them.
    hooks.progress = [&bar](double fraction) {
      if (!bar.Due()) return;
      FlushConverterMessages();
      bar.Update(fraction);
    };
  }
  ConversionResult r = ConvertWithStreamOutputs(job, args.options, hooks, args);
  FlushConverterMessages();
  if (r.outcome == Outcome::kConverted) {
    bar.Finish(1.0);
  } else {
    bar.Clear();
  }
  return Report(r, args);
}

}  // namespace

int ConvertCommand(const Arguments& argv) {
  ConvertArguments args;
  std::string error = ParseConvertArguments(argv, &args);
  if (args.help) {
    PrintConvertHelp(stdout);
    return kExitOk;
  }
  if (!error.empty()) {
    Complain(error);
    return kExitFileError;
  }
  std::vector<ConversionJob> jobs = PlanJobs(args, &error);
  if (!error.empty()) {
    Complain(error);
    return kExitFileError;
  }
  LogFile log;
  if (!args.log.empty() && !args.worker) {
    log.file = std::fopen(args.log.c_str(), "w");
    if (log.file == nullptr) {
      Complain("cannot create " + Printable(args.log) + ": " + ErrnoText());
      return kExitFileError;
    }
    SetMessageLog(log.file);
  }
  InstallInterruptHandler();
  if (args.worker) return jobs.size() == 1 ? RunWorker(jobs[0], args) : kExitFileError;
  ProgressBar bar(args.progress && !args.quiet && platform::StderrIsTerminal());
  // Messages are written out in batches; a bar on the terminal line goes first.
  SetBeforeMessagesWritten([&bar] {
    if (MessagesGoToTerminal()) bar.Clear();
  });
  struct Unhook {
    ~Unhook() { SetBeforeMessagesWritten(nullptr); }
  } unhook;
  if (jobs.size() == 1) return ConvertOne(jobs[0], args, bar);

  int status = kExitOk;
  RunWorkers(jobs, args, bar,
             [&](const ConversionResult& r) { status = std::max(status, Report(r, args)); });
  return status;
}

}  // namespace jpsconv
