#include "tools/bench_rinex.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>

#include "plugin/conversion_api.h"
#include "plugin/jav_dll.h"
#include "support/file64.h"
#include "tools/builder/host_request.h"
#include "tools/rinex/rinex_sink.h"
#include "tools/simulator/simulator.h"

namespace jpsbench {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr double kDayMinutes = 1440.0;
constexpr double kBytesPerMegabyte = 1e6;

struct Timing {
  double wall = 1e300;
  double cpu = 1e300;
};

void JAV_CALL IgnoreMessage(double, const char*) {}

// A sink that takes the epochs of observations and writes nothing: the cost
// of collecting them.
class Discard final : public jps::ConversionSink {
 public:
  bool WantsObservations() const override { return true; }
  bool Open(jps::ConversionContext&, jps::OutputFiles&) override { return true; }
  bool Close(jps::ConversionContext&, const jps::ConversionEnd&) override { return true; }
};

// One conversion of input through the converter's C++ interface, with the
// KEL files or not and with the given extra output (or none).
bool Convert(const std::string& input, const std::string& kel, bool kelFiles,
             jps::ConversionSink* extra) {
  jps::ConversionRequest request = jpsbuild::HostRequest(input, kel);
  jps::HostCallbacks callbacks = jpsbuild::HostCallbacksWith(IgnoreMessage, nullptr);
  jps::ConversionSink* sinks[] = {extra};
  jps::ConversionOutputs outputs{kelFiles, sinks, extra != nullptr ? 1 : 0};
  return jps::RunConversionRequest(&request, &callbacks, outputs) == 0;
}

Timing Best(int runs, const std::function<bool()>& pass, const std::function<void()>& before,
            bool* ok) {
  Timing best;
  for (int r = 0; r < runs; ++r) {
    before();
    std::clock_t cpuStart = std::clock();
    auto start = Clock::now();
    *ok = pass() && *ok;
    best.wall = std::min(best.wall, std::chrono::duration<double>(Clock::now() - start).count());
    best.cpu = std::min(best.cpu, static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC);
  }
  return best;
}

void Print(const char* pass, double mb, const Timing& t, const char* note) {
  std::printf("%-14s %8.1f MB/s processor time, %8.1f MB/s on the clock  %s\n", pass, mb / t.cpu,
              mb / t.wall, note);
}

}  // namespace

bool WriteSimulatedDay(const std::string& path, std::string* why) {
  std::error_code ec;
  if (fs::exists(path, ec)) return true;
  jpssim::SimulatorOptions options;
  options.minutes = kDayMinutes;
  options.interval = 1.0;
  jps::UniqueFile file(std::fopen(path.c_str(), "wb"));
  if (!file) {
    *why = "cannot create " + path;
    return false;
  }
  bool written = jpssim::SimulateSession(
      options,
      [&](const uint8_t* data, size_t size) {
        return std::fwrite(data, 1, size, file.get()) == size;
      },
      nullptr);
  if (!written || std::fclose(file.release()) != 0) {
    *why = "cannot write " + path;
    return false;
  }
  return true;
}

bool RinexPasses(const std::string& input, const std::string& dir, int runs) {
  std::error_code ec;
  double mb = static_cast<double>(fs::file_size(input, ec)) / kBytesPerMegabyte;
  std::string kel = (fs::path(dir) / "bench_day.kel").string();
  std::string obs = (fs::path(dir) / "bench_day.obs").string();
  std::string nav = (fs::path(dir) / "bench_day.nav").string();
  auto removeOutputs = [&] {
    for (const char* ext : {".kel", ".epp", ".STA", ".obs", ".nav"}) {
      fs::remove(fs::path(dir) / (std::string("bench_day") + ext), ec);
    }
  };
  auto rinexSink = [&] {
    jpsrinex::RinexSinkOptions o;
    o.obsPath = obs;
    o.navPath = nav;
    o.program = "jps_bench";
    o.markerName = "BENCH";
    return std::make_unique<jpsrinex::RinexSink>(o);
  };
  bool ok = true;
  std::printf("simulated day %s: %.1f MB; best of %d runs\n", input.c_str(), mb, runs);
  Timing kelOnly = Best(runs, [&] { return Convert(input, kel, true, nullptr); }, removeOutputs, &ok);
  Print("convert", mb, kelOnly, "(the KEL, EPP and STA files)");
  Timing both = Best(runs, [&] {
    auto sink = rinexSink();
    return Convert(input, kel, true, sink.get());
  }, removeOutputs, &ok);
  double rinexMb = static_cast<double>(fs::file_size(obs, ec) + fs::file_size(nav, ec)) /
                   kBytesPerMegabyte;
  char note[160];
  std::snprintf(note, sizeof note, "(and %.1f MB of RINEX in the same pass): %.2f x convert "
                "(clock %.2f)", rinexMb, both.cpu / kelOnly.cpu, both.wall / kelOnly.wall);
  Print("convert+rinex", mb, both, note);
  Timing collect = Best(runs, [&] {
    Discard discard;
    return Convert(input, kel, false, &discard);
  }, removeOutputs, &ok);
  Print("observations", mb, collect, "(the epochs of observations collected, nothing written)");
  Timing rinexOnly = Best(runs, [&] {
    auto sink = rinexSink();
    return Convert(input, kel, false, sink.get());
  }, removeOutputs, &ok);
  Print("rinex", mb, rinexOnly, "(the RINEX files alone)");
  Timing writer{rinexOnly.wall - collect.wall, rinexOnly.cpu - collect.cpu};
  std::printf("%-14s %8.1f MB/s processor time, %8.1f MB/s on the clock  "
              "(RINEX text formatted and written: the RINEX pass less the collecting)\n",
              "rinex-text", rinexMb / writer.cpu, rinexMb / writer.wall);
  removeOutputs();
  return ok;
}

}  // namespace jpsbench
