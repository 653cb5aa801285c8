// libFuzzer target: arbitrary bytes as a JPS file, through AutoDetect and
// through whole conversions, as the host calls them. The last byte of the
// input also chooses the options. Every input is converted twice, once by a
// host that watches progress (every decoder step is reported) and once by a
// host that does not (hunting goes in bulk): the files and texts must agree.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "plugin/conversion_api.h"
#include "plugin/jav_dll.h"
#include "tests/fuzz/fuzz_files.h"
#include "tools/builder/host_request.h"

namespace {

struct Outcome {
  int32_t result = 0;
  int32_t counts[4] = {0, 0, 0, 0};
  std::vector<std::string> texts;
  std::string kel, epp, sta;
};

Outcome* current = nullptr;
int64_t progressCalls = 0;
int64_t abortAt = -1;

void JAV_CALL OnMessage(double, const char* text) {
  if (current != nullptr) current->texts.emplace_back(text);
}

void JAV_CALL OnProgress(int32_t position, int32_t length) {
  if (position < 0 || position > length) std::abort();
  if (progressCalls++ == abortAt) Abort();
}

Outcome Convert(const std::string& input, uint8_t flags, bool watchProgress) {
  jps::ResetProcessStateForTesting();  // every input on its own, reproducibly
  Outcome out;
  jps::ConversionRequest request = jpsbuild::HostRequest(input, jpsfuzz::Folder() + "/out.kel");
  jps::ConversionOptions& o = request.Options;
  o.GpsOnly = flags & 1;
  o.L1PhaseFromP1 = (flags >> 1) & 1;
  o.StartDynamic = (flags >> 2) & 1;
  o.KeepDamagedEpochs = (flags >> 3) & 1;
  o.RequireL2 = (flags >> 4) & 1;
  o.Verbose = (flags >> 5) & 1;
  o.SiteAwaitsSave = (flags >> 6) & 1;
  jps::HostCallbacks callbacks =
      jpsbuild::HostCallbacksWith(OnMessage, watchProgress ? OnProgress : nullptr);
  current = &out;
  progressCalls = 0;
  out.result = ConvertFile(&request, &callbacks, 0);
  current = nullptr;
  out.counts[0] = request.EpochsWritten;
  out.counts[1] = request.EphemeridesWritten;
  out.counts[2] = request.StationMarksWritten;
  out.counts[3] = request.EventMarksWritten;
  std::string kelBytes = jpsfuzz::ReadAll(jpsfuzz::Folder() + "/out.kel");
  out.kel = kelBytes.size() > 202 ? kelBytes.substr(202) : std::string();  // no time stamp
  out.epp = jpsfuzz::ReadAll(jpsfuzz::Folder() + "/out.epp");
  out.sta = jpsfuzz::ReadAll(jpsfuzz::Folder() + "/out.STA");
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string input = jpsfuzz::Folder() + "/input.jps";
  jpsfuzz::WriteOrRemove(input, true, std::string(reinterpret_cast<const char*>(data), size));

  int32_t detected = AutoDetect(input.c_str());
  if (detected != 0 && detected != 1) std::abort();

  uint8_t flags = size > 0 ? data[size - 1] : 0;
  bool abortEarly = (flags & 0x80) != 0;
  abortAt = abortEarly && size > 1 ? data[size - 2] * 16 : -1;
  Outcome watched = Convert(input, flags, true);
  if (watched.result != 0 && watched.result != 1) std::abort();  // the input can always be read
  if (abortEarly) return 0;
  Outcome plain = Convert(input, flags, false);
  if (plain.result != watched.result || plain.kel != watched.kel || plain.epp != watched.epp ||
      plain.sta != watched.sta || plain.texts != watched.texts ||
      std::memcmp(plain.counts, watched.counts, sizeof plain.counts) != 0) {
    std::fprintf(stderr, "conversions with and without a progress callback differ\n");
    std::abort();
  }
  return 0;
}
