#include "tools/jpsconv/workers.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "tools/jpsconv/cli_common.h"
#include "tools/jpsconv/interrupt.h"
#include "tools/jpsconv/platform.h"
#include "tools/jpsconv/report.h"
#include "tools/jpsconv/stream_outputs.h"

namespace jpsconv {
namespace {

constexpr int kPollMilliseconds = 100;
constexpr auto kProgressInterval = std::chrono::milliseconds(100);
constexpr char kProgressLine = 'P';
constexpr char kMessageLine = 'M';
constexpr char kResultLine = 'R';
constexpr char kRinexLine = 'X';   // status, one line of the RINEX summary
constexpr char kQcLine = 'Q';      // status, one line of the quality report

// Worker side --------------------------------------------------------------

// Message lines wait in the pipe's buffer; progress and result lines take
// them along at once.
void SendLine(const std::string& line, bool flush = true) {
  std::fputs(line.c_str(), stdout);
  std::fputc('\n', stdout);
  if (flush) std::fflush(stdout);
}

std::string OneField(const std::string& text) {
  std::string out = Printable(text);
  for (char& c : out) {
    if (c == '\t') c = ' ';
  }
  return out;
}

// Parent side --------------------------------------------------------------

struct Worker {
  ConversionJob job;
  ConversionResult result;
  platform::ChildProcess process;
  std::string pending;  // bytes of an unfinished line
  double fraction = 0;
  bool reported = false;  // a result line arrived
};

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  size_t begin = 0;
  for (;;) {
    size_t tab = line.find('\t', begin);
    fields.push_back(
        line.substr(begin, tab == std::string::npos ? std::string::npos : tab - begin));
    if (tab == std::string::npos) return fields;
    begin = tab + 1;
  }
}

void HandleLine(Worker& w, const std::string& line) {
  std::vector<std::string> f = Fields(line);
  if (f.empty() || f[0].size() != 1) return;
  double number = 0;
  long long value = 0;
  switch (f[0][0]) {
    case kProgressLine:
      if (f.size() == 2 && ParseNumber(f[1], &number)) w.fraction = number;
      break;
    case kMessageLine:
      if (f.size() == 3 && ParseNumber(f[1], &number)) {
        PrintConverterMessage(w.job.input + ": ", number, f[2]);
      }
      break;
    case kResultLine: {
      if (f.size() != 9) break;
      ConversionResult& r = w.result;
      if (!ParseInteger(f[1], 0, static_cast<long long>(Outcome::kLastOutcome), &value)) break;
      r.outcome = static_cast<Outcome>(value);
      int32_t* counts[] = {&r.result, &r.epochs, &r.ephemerides, &r.stationMarks, &r.cameraPulses};
      for (int i = 0; i < 5; ++i) {
        if (ParseInteger(f[2 + i], INT32_MIN, INT32_MAX, &value))
          *counts[i] = static_cast<int32_t>(value);
      }
      if (ParseNumber(f[7], &number)) r.seconds = number;
      r.message = f[8];
      w.reported = true;
      break;
    }
    case kRinexLine:
    case kQcLine:
      if (f.size() == 3 && ParseInteger(f[1], 0, kExitFileError, &value)) {
        ExtraReport& report = f[0][0] == kRinexLine ? w.result.rinex : w.result.qc;
        report.has = true;
        report.status = static_cast<int>(value);
        report.text += f[2] + "\n";
      }
      break;
    default:
      break;
  }
}

std::string StartWorker(Worker& w, const ConvertArguments& args) {
  std::vector<std::string> argv = {"convert", kWorkerFlag};
  if (args.quiet) argv.push_back("--quiet");
  if (args.rinex) {
    argv.insert(argv.end(), {"--rinex", "--rinex-version", RinexVersionText(args.rinexVersion)});
  }
  if (args.qc) argv.push_back("--qc");
  if ((args.rinex || args.qc) && args.json) argv.push_back("--json");
  argv.insert(argv.end(), args.optionFlags.begin(), args.optionFlags.end());
  argv.insert(argv.end(), {"-o", w.job.kel, "--", w.job.input});
  return platform::StartChild(argv, &w.process);
}

// Reads what the worker wrote; false at the end of its output.
bool ReadWorker(Worker& w) {
  if (!platform::ReadChild(&w.process, &w.pending)) return false;
  size_t newline;
  while ((newline = w.pending.find('\n')) != std::string::npos) {
    HandleLine(w, w.pending.substr(0, newline));
    w.pending.erase(0, newline + 1);
  }
  return true;
}

void FinishWorker(Worker& w) {
  platform::ChildExit end = platform::ReapChild(&w.process);
  if (w.reported) return;
  w.result.outcome = Outcome::kFailed;
  if (end.interrupted) {
    // Ctrl-C reached the worker before it could take it as a request to stop.
    w.result.outcome = Outcome::kInterrupted;
    w.result.message = "interrupted as it started";
  } else {
    w.result.message = "the worker process " + end.how + (end.exited ? " and no result" : "");
  }
}

}  // namespace

int RunWorker(const ConversionJob& job, const ConvertArguments& args) {
  auto lastProgress = std::chrono::steady_clock::now() - kProgressInterval;
  ConversionHooks hooks;
  if (!args.quiet) {
    hooks.message = [](double time, const char* text) {
      char tag[64];
      std::snprintf(tag, sizeof tag, "%.17g", time);
      ForEachMessageLine(text, [&](std::string_view line) {
        SendLine(std::string(1, kMessageLine) + "\t" + tag + "\t" + OneField(std::string(line)),
                 false);
      });
    };
  }
  hooks.progress = [&lastProgress](double fraction) {
    auto now = std::chrono::steady_clock::now();
    if (now - lastProgress < kProgressInterval) return;
    lastProgress = now;
    char line[64];
    std::snprintf(line, sizeof line, "%c\t%.4f", kProgressLine, fraction);
    SendLine(line);
  };
  ConversionResult r = ConvertWithStreamOutputs(job, args.options, hooks, args);
  // Each line of a report with its kind and status (the RINEX lines flushed at once).
  auto send = [&](char kind, const ExtraReport& report, bool flush) {
    if (!report.has) return;
    ForEachMessageLine(report.text.c_str(), [&](std::string_view text) {
      SendLine(std::string(1, kind) + "\t" + std::to_string(report.status) + "\t" +
                   OneField(std::string(text)),
               flush);
    });
  };
  send(kRinexLine, r.rinex, true);
  send(kQcLine, r.qc, false);
  char line[256];
  std::snprintf(line, sizeof line, "%c\t%d\t%d\t%d\t%d\t%d\t%d\t%.6f\t", kResultLine,
                static_cast<int>(r.outcome), r.result, r.epochs, r.ephemerides, r.stationMarks,
                r.cameraPulses, r.seconds);
  SendLine(line + OneField(r.message));
  return ExitStatus(r.outcome);
}

void RunWorkers(const std::vector<ConversionJob>& jobs, const ConvertArguments& args,
                ProgressBar& bar, const std::function<void(const ConversionResult&)>& finished) {
  int64_t totalBytes = 0, doneBytes = 0;
  for (const ConversionJob& job : jobs) totalBytes += std::max<int64_t>(0, FileSize(job.input));
  bar.Start(std::to_string(jobs.size()) + " files", totalBytes);

  std::vector<std::unique_ptr<Worker>> running;
  size_t next = 0, done = 0;
  bool forwarded = false;
  auto finish = [&](const ConversionResult& r) {
    bar.Clear();
    doneBytes += std::max<int64_t>(0, r.bytes);
    ++done;
    finished(r);
  };
  while (next < jobs.size() || !running.empty()) {
    while (!Interrupted() && next < jobs.size() &&
           running.size() < static_cast<size_t>(args.jobs)) {
      auto w = std::make_unique<Worker>();
      w->job = jobs[next++];
      w->result = NewResult(w->job);
      w->result.message = CheckJob(w->job);
      if (!w->result.message.empty()) {
        finish(w->result);
      } else if (std::string why = StartWorker(*w, args); !why.empty()) {
        w->result.outcome = Outcome::kFailed;
        w->result.message = "cannot start a worker process: " + why;
        finish(w->result);
      } else {
        running.push_back(std::move(w));
      }
    }
    if (Interrupted()) {
      // Ctrl-C: the running conversions stop and close their files; the
      // waiting ones are not started.
      if (!forwarded) {
        for (auto& w : running) platform::InterruptChild(w->process);
        forwarded = true;
      }
      for (; next < jobs.size(); ++next) {
        ConversionResult r = NewResult(jobs[next]);
        r.outcome = Outcome::kInterrupted;
        r.message = "not converted: interrupted";
        finish(r);
      }
    }
    if (running.empty()) continue;
    std::vector<const platform::ChildProcess*> children;
    for (auto& w : running) children.push_back(&w->process);
    std::vector<bool> ready;
    platform::WaitForChildren(children, kPollMilliseconds, &ready);
    if (std::find(ready.begin(), ready.end(), true) != ready.end()) {
      for (size_t i = 0; i < running.size(); ++i) {
        if (!ready[i]) continue;
        if (!ReadWorker(*running[i])) {
          FinishWorker(*running[i]);
          finish(running[i]->result);
          running[i].reset();
        }
      }
      std::vector<std::unique_ptr<Worker>> still;
      for (auto& w : running) {
        if (w) still.push_back(std::move(w));
      }
      running.swap(still);
    }
    double progress = static_cast<double>(doneBytes);
    for (auto& w : running)
      progress += w->fraction * static_cast<double>(std::max<int64_t>(0, w->result.bytes));
    bar.SetLabel(std::to_string(done) + "/" + std::to_string(jobs.size()) + " files");
    if (bar.Due()) {
      FlushConverterMessages();
      bar.Update(totalBytes > 0 ? progress / static_cast<double>(totalBytes) : 0.0);
    }
  }
  FlushConverterMessages();
  bar.Clear();
}

}  // namespace jpsconv
