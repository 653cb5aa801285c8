// jps_bench: conversion speed on a large JPS input, in MB/s, for these passes
// over the same file:
//   frame    the framing and checksum pass alone, over the input in memory;
//   decode   the decoder loop as the driver runs it, without any output
//            (decode1: DecodeNext step by step);
//   convert  the whole conversion through ConvertFile, all three files
//            written (convert1: by a host that watches progress);
//   cli      jpsconv convert, the program beside this one, on a
//            pseudo-terminal, drawing its progress bar;
//   rinex    on a simulated day of 1-s data (its own input): the conversion
//            with the RINEX files in the same pass against the conversion
//            alone, and the speed of the RINEX text (tools/bench_rinex.h).
// Usage: jps_bench [--input FILE | --mb N [--rm] [--fresh]] [--runs N] [--dir DIR]
//                  [--pass frame|decode|convert|cli|rinex]
// Without --input, simulated sessions of at least N MB (default 200) are
// written into DIR first (default: jps_bench in the system's temporary
// folder); a file left there by an earlier run of at least that size is used
// again unless --fresh is given. --pass runs one pass alone (for a profiler).
#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "greis/bulk_decode.h"
#include "greis/dispatch.h"
#include "greis/framing.h"
#include "greis/jps_input.h"
#include "plugin/jav_dll.h"
#include "tools/builder/host_request.h"
#include "tools/builder/message_scan.h"
#include "tools/bench_cli.h"
#include "tools/bench_input.h"
#include "tools/bench_rinex.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
  std::string input;
  std::string dir;
  double megabytes = 200.0;
  bool rm = false;
  bool fresh = false;
  int runs = 3;
  std::string pass;   // "" for all
};

bool ParseOptions(int argc, char** argv, Options* o) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    bool hasValue = i + 1 < argc;
    if (a == "--input" && hasValue) {
      o->input = argv[++i];
    } else if (a == "--mb" && hasValue) {
      o->megabytes = std::atof(argv[++i]);
    } else if (a == "--runs" && hasValue) {
      o->runs = std::atoi(argv[++i]);
    } else if (a == "--dir" && hasValue) {
      o->dir = argv[++i];
    } else if (a == "--rm") {
      o->rm = true;
    } else if (a == "--fresh") {
      o->fresh = true;
    } else if (a == "--pass" && hasValue) {
      o->pass = argv[++i];
    } else if (a == "--progress") {
      // The conversion by a watching host is always timed now.
    } else {
      return false;
    }
  }
  bool knownPass = o->pass.empty() || o->pass == "frame" || o->pass == "decode" ||
                   o->pass == "convert" || o->pass == "cli" || o->pass == "rinex";
  return knownPass && o->runs > 0 && o->megabytes > 0;
}

double Seconds(Clock::time_point from) {
  return std::chrono::duration<double>(Clock::now() - from).count();
}

// The framing and checksum pass over the input in memory.
jpsbuild::ScanCounts FramePass(const std::vector<uint8_t>& data) {
  return jpsbuild::ForEachMessage(data.data(), data.size(), [](size_t, size_t) {});
}

// The decoder until the end of the input, as the driver runs it for a host
// that watches progress (DecodeNext step by step) or for one that does not;
// epochs are taken by clearing the counters, and nothing is written.
uint64_t DecodePass(const std::string& path, bool stepByStep) {
  jps::ContinuityState continuity;
  jps::ResetContinuity(continuity);
  jps::AbortCounter abortCount{0};
  jps::ConversionContext context(continuity, abortCount);
  auto state = std::make_unique<jps::DecoderState>();
  jps::DecoderState* s = state.get();
  jps::ResetDecoder(s, &context);
  jps::JpsInput input;
  if (!input.Open(path.c_str())) return 0;
  s->JpsStream = &input;
  uint64_t epochs = 0;
  for (;;) {
    jps::DecoderEvent event = stepByStep ? jps::DecodeNext(s) : jps::DecodeUntilEvent(s);
    if (event < 0) break;
    if (event == jps::kEventEpoch || event == jps::kEventRmEpoch) {
      ++epochs;
      jps::ClearEpochCounters(s);
    }
  }
  s->JpsStream = nullptr;
  return epochs;
}

uint64_t progressCalls = 0;
void JAV_CALL CountProgress(int32_t, int32_t) { ++progressCalls; }
void JAV_CALL IgnoreMessage(double, const char*) {}

int32_t ConvertPass(const std::string& input, const std::string& kel, bool progress,
                    int32_t* epochs) {
  jps::ConversionRequest request = jpsbuild::HostRequest(input, kel);
  jps::HostCallbacks callbacks =
      jpsbuild::HostCallbacksWith(IgnoreMessage, progress ? CountProgress : nullptr);
  int32_t result = ConvertFile(&request, &callbacks, 0);
  *epochs = request.EpochsWritten;
  return result;
}

// The shortest time of a number of runs, on the clock and in processor time
// (which the other programs of a busy machine disturb less).
struct Timing {
  double wall = 1e300;
  double cpu = 1e300;
};

// `prepare` runs before each timed run, outside the time.
template <typename Pass, typename Prepare>
Timing Best(int runs, Pass pass, Prepare prepare) {
  Timing best;
  for (int r = 0; r < runs; ++r) {
    prepare();
    std::clock_t cpuStart = std::clock();
    auto start = Clock::now();
    pass();
    best.wall = std::min(best.wall, Seconds(start));
    best.cpu = std::min(best.cpu, static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC);
  }
  return best;
}

template <typename Pass>
Timing Best(int runs, Pass pass) {
  return Best(runs, pass, [] {});
}

void Report(const char* pass, double mb, const Timing& t, const std::string& note) {
  std::printf("%-8s %8.1f MB/s processor time, %8.1f MB/s on the clock  %s\n", pass, mb / t.cpu,
              mb / t.wall, note.c_str());
}

std::string Format(const char* format, unsigned long long a, unsigned long long b = 0) {
  char text[160];
  std::snprintf(text, sizeof text, format, a, b);
  return text;
}

// "; 1.05 x convert (clock 1.04)": the pass's time against another's.
std::string Ratio(const Timing& t, const Timing& base, const char* name) {
  if (!(base.cpu < 1e300)) return "";
  char text[96];
  std::snprintf(text, sizeof text, "; %.2f x %s (clock %.2f)", t.cpu / base.cpu, name,
                t.wall / base.wall);
  return text;
}

// Removes stem.kel, stem.epp and stem.STA from dir: each run writes new
// files, as a first conversion does (rewriting a file the system still holds
// in its cache costs the system more than writing a new one).
void RemoveOutputs(const std::filesystem::path& dir, const std::string& stem) {
  std::error_code ignored;
  for (const char* extension : {".kel", ".epp", ".STA"}) {
    std::filesystem::remove(dir / (stem + extension), ignored);
  }
}

// The plug-in's conversion without and with a host that watches progress;
// returns the first one's time.
Timing ConvertPasses(const std::string& input, const std::filesystem::path& dir, int runs,
                     double mb, const Timing& frameTime, int32_t* result) {
  std::string kel = (dir / "bench_out.kel").string();
  int32_t written = 0;
  auto removeOutputs = [&] { RemoveOutputs(dir, "bench_out"); };
  Timing t = Best(runs, [&] { *result = ConvertPass(input, kel, false, &written); }, removeOutputs);
  Report("convert", mb, t,
         Format("(%llu epochs written, result %llu)", static_cast<unsigned>(written),
                static_cast<unsigned>(*result)) +
             Ratio(t, frameTime, "the frame pass"));
  uint64_t calls = 0;
  Timing watched = Best(runs, [&] {
    progressCalls = 0;
    *result = ConvertPass(input, kel, true, &written);
    calls = progressCalls;
  }, removeOutputs);
  Report("convert1", mb, watched,
         Format("(a host that watches progress: %llu calls)", calls) +
             Ratio(watched, t, "convert"));
  return t;
}

// jpsconv convert on a pseudo-terminal, its progress bar drawn; false when
// the program does not start.
bool CliPass(const std::string& program, const std::string& input,
             const std::filesystem::path& dir, int runs, double mb, const Timing& convertTime,
             int32_t* result) {
  std::string kel = (dir / "bench_cli.kel").string();
  Timing t;
  jpsbench::ProgramTiming last;
  for (int r = 0; r < runs; ++r) {
    RemoveOutputs(dir, "bench_cli");
    last = jpsbench::ProgramTiming{};
    if (!jpsbench::RunOnTerminal(program, {"convert", input, "-o", kel}, &last)) {
      std::fprintf(stderr, "jps_bench: cannot start %s\n", program.c_str());
      return false;
    }
    t.wall = std::min(t.wall, last.wall);
    t.cpu = std::min(t.cpu, last.cpu);
  }
  Report("cli", mb, t,
         Format("(jpsconv convert on a terminal: exit %llu, %llu bytes drawn)",
                static_cast<unsigned>(last.exitStatus), last.terminalBytes) +
             Ratio(t, convertTime, "convert"));
  if (last.exitStatus != 0) *result = 1;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!ParseOptions(argc, argv, &o)) {
    std::fprintf(stderr,
                 "usage: jps_bench [--input FILE | --mb N [--rm] [--fresh]] [--runs N] [--dir DIR] "
                 "[--pass frame|decode|convert|cli|rinex]\n");
    return 2;
  }
  namespace fs = std::filesystem;
  fs::path dir = o.dir.empty() ? fs::temp_directory_path() / "jps_bench" : fs::path(o.dir);
  std::error_code ec;
  fs::create_directories(dir, ec);
  // The RINEX pass has an input of its own: a simulated day of 1-s data.
  // (--pass rinex --input FILE times that file instead.)
  auto rinexPass = [&]() -> int {
    std::string day = (dir / "bench_day.jps").string();
    bool ownInput = o.pass == "rinex" && !o.input.empty();
    std::string why;
    if (!ownInput && !jpsbench::WriteSimulatedDay(day, &why)) {
      std::fprintf(stderr, "jps_bench: %s\n", why.c_str());
      return 2;
    }
    return jpsbench::RinexPasses(ownInput ? o.input : day, dir.string(), o.runs) ? 0 : 1;
  };
  if (o.pass == "rinex") return rinexPass();
  std::string input = o.input;
  if (input.empty()) {
    input = (dir / (o.rm ? "bench_rm.jps" : "bench.jps")).string();
    auto wanted = static_cast<uintmax_t>(o.megabytes * 1e6);
    if (o.fresh || !fs::exists(input, ec) || fs::file_size(input, ec) < wanted) {
      auto start = Clock::now();
      std::string why;
      if (!jpsbench::WriteSimulatedInput(input, o.megabytes, o.rm, &why)) {
        std::fprintf(stderr, "jps_bench: %s\n", why.c_str());
        return 2;
      }
      std::printf("simulated input %s written in %.1f s\n", input.c_str(), Seconds(start));
    }
  }
  auto wanted = [&](const char* pass) { return o.pass.empty() || o.pass == pass; };
  std::vector<uint8_t> data;
  if (wanted("frame") && !jpsbench::ReadWholeFile(input, &data)) {
    std::fprintf(stderr, "jps_bench: cannot read %s\n", input.c_str());
    return 2;
  }
  double mb = static_cast<double>(fs::file_size(input, ec)) / 1e6;
  std::printf("input %s: %.1f MB; best of %d runs\n", input.c_str(), mb, o.runs);

  Timing frameTime;
  if (wanted("frame")) {
    jpsbuild::ScanCounts frames;
    frameTime = Best(o.runs, [&] { frames = FramePass(data); });
    Report("frame", mb, frameTime,
           Format("(%llu messages, %llu bad checksums)", frames.messages, frames.badChecks));
  }
  data.clear();
  data.shrink_to_fit();

  if (wanted("decode")) {
    for (bool stepByStep : {false, true}) {
      uint64_t epochs = 0;
      Timing t = Best(o.runs, [&] { epochs = DecodePass(input, stepByStep); });
      Report(stepByStep ? "decode1" : "decode", mb, t,
             Format(stepByStep ? "(%llu epochs; DecodeNext step by step)" : "(%llu epochs)",
                    epochs));
    }
  }

  int32_t result = 0;
  Timing convertTime;
  if (wanted("convert")) convertTime = ConvertPasses(input, dir, o.runs, mb, frameTime, &result);
  if (wanted("cli")) {
    std::string program = (fs::path(argv[0]).parent_path() / "jpsconv").string();
    if (!CliPass(program, input, dir, o.runs, mb, convertTime, &result)) return 2;
  }
  if (o.pass.empty() && rinexPass() != 0) result = 1;
  return result == 0 ? 0 : 1;
}
