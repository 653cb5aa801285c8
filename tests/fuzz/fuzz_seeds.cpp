// Writes seeds of a fuzz target into a folder, from short simulated sessions
// (GREIS epochs with field events and camera pulses, and rM records), a few
// of each:
//   conversion  the sessions' bytes, in pieces of at most 4 KiB;
//   readers     each session converted, as the readers' target takes it: its
//               first KEL epochs, the EPP file's first block of each kind
//               and the STA file, under a few choice bytes.
// Usage: fuzz_seeds conversion|readers FOLDER
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "plugin/conversion_api.h"
#include "plugin/jav_dll.h"
#include "support/kel_records.h"
#include "tests/fuzz/fuzz_files.h"
#include "tests/fuzz/reader_input.h"
#include "tools/builder/host_request.h"
#include "tools/simulator/simulator.h"

namespace {

constexpr double kSessionMinutes = 1.0;
constexpr uint64_t kSeeds = 3;
constexpr size_t kPieceSize = 4096;  // the fuzzer's inputs stay short and fast
constexpr int kKelEpochs = 3;
constexpr int kEppBlocksPerName = 1;
constexpr const char* kEppBlockEnd = "\n}";  // a block ends with a line of its own
// Choice bytes of the readers' seeds, one per session: none, every one, and
// two mixtures.
constexpr uint8_t kChoices[] = {0x00, 0xff, 0x35, 0xca};

bool WriteSeed(const std::string& path, const std::string& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

std::string Simulate(uint64_t seed, bool rm) {
  jpssim::SimulatorOptions options;
  options.minutes = kSessionMinutes;
  options.seed = seed;
  options.rm = rm;
  jpsbuild::Bytes bytes = jpssim::SimulateSessionBytes(options);
  return std::string(bytes.begin(), bytes.end());
}

// The header and the first epochs of a KEL file.
std::string FirstKelEpochs(const std::string& kel, int epochs) {
  size_t end = jps::kKelHeaderSize;
  for (int i = 0; i < epochs && end + jps::kKelEpochSize <= kel.size(); ++i) {
    jps::KelEpoch epoch;
    jps::DecodeKelEpoch(reinterpret_cast<const uint8_t*>(kel.data()) + end, &epoch);
    end += jps::kKelEpochSize + size_t{jps::kKelMeasurementSize} * epoch.measurementCount;
  }
  return kel.substr(0, end);
}

// The header line and the first blocks of each name ("GpsEph", "GlnEph", ...).
std::string FirstEppBlocks(const std::string& epp, int perName) {
  size_t headerEnd = epp.find('\n');
  if (headerEnd == std::string::npos) return epp;
  std::string out = epp.substr(0, headerEnd + 1);
  std::map<std::string, int> taken;
  for (size_t at = headerEnd + 1; at < epp.size();) {
    // Up to the end of the line that closes the block.
    size_t end = epp.find(kEppBlockEnd, at);
    if (end != std::string::npos) end = epp.find('\n', end + std::strlen(kEppBlockEnd));
    end = end == std::string::npos ? epp.size() : end + 1;
    std::string block = epp.substr(at, end - at);
    if (taken[block.substr(0, block.find(' '))]++ < perName) out += block;
    at = end;
  }
  return out;
}

bool WriteConversionSeeds(const std::string& folder) {
  for (uint64_t seed = 1; seed <= kSeeds; ++seed) {
    for (bool rm : {false, true}) {
      std::string bytes = Simulate(seed, rm);
      std::string name =
          folder + (rm ? "/simulated-rm-" : "/simulated-greis-") + std::to_string(seed) + "-";
      for (size_t at = 0, piece = 0; at < bytes.size(); at += kPieceSize, ++piece) {
        if (!WriteSeed(name + std::to_string(piece), bytes.substr(at, kPieceSize))) return false;
      }
    }
  }
  return true;
}

bool WriteReaderSeeds(const std::string& folder) {
  const std::string& work = jpsfuzz::Folder();
  size_t choice = 0;
  for (uint64_t seed = 1; seed <= kSeeds; ++seed) {
    for (bool rm : {false, true}) {
      jpsfuzz::WriteOrRemove(work + "/session.jps", true, Simulate(seed, rm));
      jps::ResetProcessStateForTesting();
      jps::ConversionRequest request =
          jpsbuild::HostRequest(work + "/session.jps", work + "/session.kel");
      jps::HostCallbacks callbacks = jpsbuild::HostCallbacksWith(nullptr, nullptr);
      if (ConvertFile(&request, &callbacks, 0) != 0) {
        std::fprintf(stderr, "fuzz_seeds: a simulated session does not convert\n");
        return false;
      }
      jpsfuzz::ReaderInput input;
      input.choices = kChoices[choice++ % sizeof kChoices];
      input.kel = FirstKelEpochs(jpsfuzz::ReadAll(work + "/session.kel"), kKelEpochs);
      input.hasEpp = input.hasSta = true;
      input.epp = FirstEppBlocks(jpsfuzz::ReadAll(work + "/session.epp"), kEppBlocksPerName);
      input.sta = jpsfuzz::ReadAll(work + "/session.STA");
      std::string name =
          folder + (rm ? "/converted-rm-" : "/converted-greis-") + std::to_string(seed);
      if (!WriteSeed(name, jpsfuzz::JoinReaderInput(input))) return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string target = argc == 3 ? argv[1] : "";
  if (target != "conversion" && target != "readers") {
    std::fprintf(stderr, "usage: fuzz_seeds conversion|readers FOLDER\n");
    return 2;
  }
  std::string folder = argv[2];
  bool ok = target == "conversion" ? WriteConversionSeeds(folder) : WriteReaderSeeds(folder);
  if (!ok) {
    std::fprintf(stderr, "fuzz_seeds: cannot write the seeds into %s\n", folder.c_str());
    return 2;
  }
  return 0;
}
