// Writes the seed corpus of the fuzz target into a folder: short simulated
// sessions of GREIS epochs (with field events and camera pulses) and of rM
// records, a few seeds of each. Usage: fuzz_seeds FOLDER
#include <cstdio>
#include <string>

#include "tools/simulator/simulator.h"

namespace {

constexpr double kSessionMinutes = 1.0;
constexpr uint64_t kSeeds = 3;

bool WriteSeed(const std::string& path, const jpsbuild::Bytes& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seeds FOLDER\n");
    return 2;
  }
  std::string folder = argv[1];
  for (uint64_t seed = 1; seed <= kSeeds; ++seed) {
    for (bool rm : {false, true}) {
      jpssim::SimulatorOptions options;
      options.minutes = kSessionMinutes;
      options.seed = seed;
      options.rm = rm;
      std::string path = folder + (rm ? "/simulated-rm-" : "/simulated-greis-") + std::to_string(seed);
      if (!WriteSeed(path, jpssim::SimulateSessionBytes(options))) {
        std::fprintf(stderr, "fuzz_seeds: cannot write %s\n", path.c_str());
        return 2;
      }
    }
  }
  return 0;
}
