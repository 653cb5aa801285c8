#include "tools/bench_input.h"

#include <cstdio>
#include <memory>

#include "support/file64.h"
#include "tools/simulator/simulator.h"

namespace jpsbench {
namespace {

constexpr double kBytesPerMegabyte = 1e6;
constexpr double kLongestSessionMinutes = 10080.0;  // the simulator's limit: one week

}  // namespace

bool WriteSimulatedInput(const std::string& path, double megabytes, bool rm, std::string* why) {
  jps::UniqueFile file(std::fopen(path.c_str(), "wb"));
  if (!file) {
    *why = "cannot create " + path;
    return false;
  }
  const uint64_t target = static_cast<uint64_t>(megabytes * kBytesPerMegabyte);
  uint64_t written = 0;
  // Sessions of up to a week at 1 s; a longer input takes several sessions
  // with different seeds, one after the other.
  for (uint64_t seed = 1; written < target; ++seed) {
    jpssim::SimulatorOptions options;
    options.minutes = kLongestSessionMinutes;
    options.interval = 1.0;
    options.seed = seed;
    options.rm = rm;
    std::string problem = jpssim::CheckSimulatorOptions(options);
    if (!problem.empty()) {
      *why = problem;
      return false;
    }
    jpssim::Session session(options);
    jpsbuild::Bytes epoch;
    while (written < target) {
      epoch.clear();
      if (!session.Next(&epoch)) break;
      if (std::fwrite(epoch.data(), 1, epoch.size(), file.get()) != epoch.size()) {
        *why = "cannot write " + path;
        return false;
      }
      written += epoch.size();
    }
  }
  if (std::fclose(file.release()) != 0) {
    *why = "cannot write " + path;
    return false;
  }
  return true;
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* data) {
  jps::UniqueFile file(std::fopen(path.c_str(), "rb"));
  if (!file) return false;
  data->clear();
  uint8_t chunk[1 << 16];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) data->insert(data->end(), chunk, chunk + n);
  return std::ferror(file.get()) == 0;
}

}  // namespace jpsbench
