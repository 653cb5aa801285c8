#include "tests/builder/sample_streams.h"

#include "tests/builder/test_host.h"
#include "tools/simulator/simulator.h"

namespace jpstest {
namespace {

constexpr double kSessionMinutes = 6.0;   // five receiver output sets of 72 epochs

jpsbuild::Bytes Simulated(bool rm, uint64_t seed) {
  jpssim::SimulatorOptions options;
  options.minutes = kSessionMinutes;
  options.seed = seed;
  options.rm = rm;
  return jpssim::SimulateSessionBytes(options);
}

}  // namespace

std::vector<SampleStream> SampleStreams() {
  std::vector<SampleStream> streams;
  for (const char* name : {"receiver-2014-08-29-1s.jps", "receiver-2015-07-23-30s.jps"}) {
    std::string path = DataFile(name);
    if (!path.empty()) streams.push_back({name, ReadBytes(path)});
  }
  streams.push_back({"simulated GREIS session", Simulated(false, 3)});
  streams.push_back({"simulated rM session", Simulated(true, 4)});
  return streams;
}

std::vector<jpsbuild::Bytes> BuiltSessionMessages(int epochs) {
  using namespace jpsbuild;
  const std::vector<uint8_t> satellites = {2, 5, 12, 25};
  std::vector<Bytes> messages = {
      ReceiverDate(2014, 8, 29),
      Message("UO", Body().F8(0).F4(0).U4(0).U2(1807).I1(16).U1(0).U2(0).I1(0))};
  for (int e = 0; e < epochs; ++e) {
    std::vector<double> ranges, phases;
    for (size_t i = 0; i < satellites.size(); ++i) {
      ranges.push_back(0.070 + 0.001 * static_cast<double>(i) + 1e-7 * e);
      phases.push_back(ranges.back() * 1575.42e6);
    }
    messages.push_back(ReceiverTime(36000000u + 1000u * static_cast<uint32_t>(e)));
    messages.push_back(SatIndices(satellites));
    messages.push_back(CaRanges(ranges));
    messages.push_back(CaPhases(phases));
    Body dopplers;
    for (size_t i = 0; i < satellites.size(); ++i) dopplers.I4(-1000000 * static_cast<int32_t>(i + 1));
    messages.push_back(Message("DC", dopplers));
  }
  messages.push_back(EpochEnd());
  return messages;
}

jpsbuild::Bytes Joined(const std::vector<jpsbuild::Bytes>& messages) {
  jpsbuild::Bytes stream;
  for (const auto& m : messages) jpsbuild::Append(stream, m);
  return stream;
}

}  // namespace jpstest
