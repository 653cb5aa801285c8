// The speed of the RINEX observation writer: epochs of 30 satellites of GPS,
// GLONASS and Galileo with several signals each, formatted into memory (the
// body's own speed) and written through a whole file in a folder given on the
// command line (spool, header and body put together, rename). Prints MB/s of
// RINEX text.
#include <chrono>
#include <ctime>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/rinex/observation_file.h"

namespace {

constexpr int kEpochs = 20000;

void Fill(jps::ObservationEpoch* e, int n) {
  e->week = 2000;
  e->timeOfWeek = 100000.0 + n;
  e->hasClockOffset = true;
  e->clockOffset = 1.25e-4 + n * 1e-9;
  e->satelliteCount = 0;
  const jps::GnssSystem systems[] = {jps::GnssSystem::kGps, jps::GnssSystem::kGlonass,
                                     jps::GnssSystem::kGalileo};
  for (int s = 0; s < 30; ++s) {
    jps::SatelliteValues& v = e->satellites[e->satelliteCount++];
    v = jps::SatelliteValues{};
    v.system = systems[s % 3];
    v.number = static_cast<int16_t>(1 + s / 3);
    v.channel = 1;
    for (int slot : {0, 2, 3, 4}) {
      jps::SignalValues& g = v.signals[slot];
      g.code = 2.0e7 + s * 12345.678 + n * 0.731 + slot;
      g.phase = 1.05e8 + s * 54321.123 + n * 3.841 + slot * 0.25;
      g.doppler = -2815.305 + s * 7.3 + n * 0.001;
      g.cnr = 30 + (s + slot) % 25;
      g.present = jps::kHasCode | jps::kHasPhase | jps::kHasDoppler | jps::kHasCnr;
      g.lli = (n + s) % 97 == 0 ? jps::kLliLossOfLock : 0;
      v.slotsPresent |= static_cast<uint8_t>(1u << slot);
    }
  }
}

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Processor time of this process: the figure other programs on the machine
// disturb least.
double CpuSeconds(std::clock_t start) { return static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC; }

}  // namespace

int main(int argc, char** argv) {
  static jps::ObservationEpoch epoch;
  std::vector<char> buffer(jpsrinex::kMaxEpochText);
  for (auto version : {jpsrinex::RinexVersion::k304, jpsrinex::RinexVersion::k211}) {
    const char* name = jpsrinex::RinexVersionText(version);
    jpsrinex::ObservationBody body(version);
    size_t bytes = 0;
    auto start = std::chrono::steady_clock::now();
    std::clock_t cpu = std::clock();
    for (int n = 0; n < kEpochs; ++n) {
      Fill(&epoch, n);
      bytes += body.Format(epoch, jps::FullWeekToDateTime(epoch.week, epoch.timeOfWeek), buffer.data());
    }
    double s = Seconds(start), c = CpuSeconds(cpu);
    std::printf("%s body in memory: %.1f MB in %.3f s: %.0f MB/s (processor time %.3f s: %.0f MB/s)\n",
                name, bytes / 1e6, s, bytes / 1e6 / s, c, bytes / 1e6 / c);
    if (argc < 2) continue;
    std::string path = std::string(argv[1]) + "/bench.obs";
    jpsrinex::ObservationFile file(version);
    std::string error;
    start = std::chrono::steady_clock::now();
    cpu = std::clock();
    bool ok = file.Create(path, "", &error);
    for (int n = 0; ok && n < kEpochs; ++n) {
      Fill(&epoch, n);
      file.Add(epoch);
    }
    ok = ok && file.Finish(jpsrinex::ObservationHeader{}, &error) && file.Rename(&error);
    s = Seconds(start);
    c = CpuSeconds(cpu);
    if (!ok) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return 1;
    }
    std::printf("%s whole file:     %.1f MB in %.3f s: %.0f MB/s (processor time %.3f s: %.0f MB/s)\n",
                name, bytes / 1e6, s, bytes / 1e6 / s, c, bytes / 1e6 / c);
    std::remove(path.c_str());
  }
  return 0;
}
