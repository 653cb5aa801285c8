#include "tests/builder/sample_streams.h"

#include "tests/builder/test_host.h"

namespace jpstest {
namespace {

using namespace jpsbuild;

Bytes GreisSession() {
  const std::vector<uint8_t> satellites = {2, 5, 12, 25, 47, 52};
  Bytes stream;
  Append(stream, ReceiverDate(2014, 8, 29));
  Append(stream, Message("UO", Body().F8(0).F4(0).U4(0).U2(1807).I1(16).U1(0).U2(0).I1(0)));
  const char* texts[] = {"_ANT=TRM", "_ANH=1.5", "_SIT=PT1", "_DSC=fence", "_SAV=PT1",
                         "_DYM=DYNAMIC", "_DYM=STATIC"};
  for (uint32_t e = 0; e < 60; ++e) {
    uint32_t ms = 36000000u + 1000u * e;
    Append(stream, ReceiverTime(ms));
    Append(stream, SatIndices(satellites));
    std::vector<double> ranges, phases;
    for (size_t i = 0; i < satellites.size(); ++i) {
      double range = 0.070 + 0.001 * static_cast<double>(i) + 1e-7 * e;
      ranges.push_back(range);
      phases.push_back(range * 1575.42e6);
    }
    Append(stream, CaRanges(ranges));
    Append(stream, CaPhases(phases));
    if (e % 8 == 3) Append(stream, EventRecord(ms + 100, texts[(e / 8) % 7]));
    if (e % 3 == 1) Append(stream, EventMark("XA", ms + 500, 1200));
  }
  Append(stream, EpochEnd());
  return stream;
}

Bytes RmSession() {
  Bytes stream;
  for (uint32_t k = 0; k < 60; ++k) {
    std::vector<RmEntry> entries = {
        MakeRmEntry(5, 1100000000 + 50 * k,
                    {MakeRmBlock(0, 4000, 45, 0x50, 1234 + 10 * k, -128000),
                     MakeRmBlock(2, -2000, 40, 0, 0, 0, 150)}),
        MakeRmEntry(12, 1200000000 - 100 * k, {MakeRmBlock(0, 1000, 30, 0x50, 3000, 32000)})};
    Append(stream, RmRecord(RmBody(1000000 + 1000 * k, 0xFFE1, 0, entries)));
  }
  return stream;
}

}  // namespace

std::vector<SampleStream> SampleStreams() {
  std::vector<SampleStream> streams;
  for (const char* name : {"receiver-2014-08-29-1s.jps", "receiver-2015-07-23-30s.jps"}) {
    std::string path = DataFile(name);
    if (!path.empty()) streams.push_back({name, ReadBytes(path)});
  }
  streams.push_back({"simulated GREIS session", GreisSession()});
  streams.push_back({"simulated rM session", RmSession()});
  return streams;
}

}  // namespace jpstest
