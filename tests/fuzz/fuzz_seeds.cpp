// Writes the seed corpus of the fuzz target into a folder: short streams of
// GREIS epochs with field events and marks, and of rM records.
// Usage: fuzz_seeds FOLDER
#include <cstdio>
#include <string>
#include <vector>

#include "tests/builder/message_builder.h"

using namespace jpsbuild;

namespace {

bool WriteSeed(const std::string& folder, const std::string& name, const Bytes& bytes) {
  std::string path = folder + "/" + name;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

Bytes GreisSession() {
  const std::vector<uint8_t> satellites = {2, 5, 12, 25, 47, 52};
  Bytes stream;
  Append(stream, ReceiverDate(2014, 8, 29));
  Append(stream, Message("UO", Body().F8(0).F4(0).U4(0).U2(1807).I1(16).U1(0).U2(0).I1(0)));
  const char* texts[] = {"_ANT=TRM", "_ANH=1.5", "_SIT=PT1", "_DSC=fence", "_SAV=PT1",
                         "_DYM=DYNAMIC", "_DYM=STATIC"};
  for (uint32_t e = 0; e < 8; ++e) {
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
    if (e < sizeof texts / sizeof texts[0]) Append(stream, EventRecord(ms + 100, texts[e]));
    if (e % 3 == 1) Append(stream, EventMark("XA", ms + 500, 1200));
  }
  Append(stream, EpochEnd());
  return stream;
}

Bytes RmSession() {
  Bytes stream;
  for (uint32_t k = 0; k < 4; ++k) {
    std::vector<RmEntry> entries = {
        MakeRmEntry(5, 1100000000 + 50 * k,
                    {MakeRmBlock(0, 4000, 45, 0x50, 1234 + 10 * k, -128000),
                     MakeRmBlock(2, -2000, 40, 0, 0, 0, 150)}),
        MakeRmEntry(12, 1200000000 - 100 * k, {MakeRmBlock(0, 1000, 30, 0x50, 3000, 32000)})};
    Append(stream, RmRecord(RmBody(1000000 + 1000 * k, 0xFFE1, k % 2, entries)));
  }
  return stream;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seeds FOLDER\n");
    return 2;
  }
  std::string folder = argv[1];
  bool ok = WriteSeed(folder, "greis.jps", GreisSession()) && WriteSeed(folder, "rm.jps", RmSession());
  if (!ok) {
    std::fprintf(stderr, "fuzz_seeds: cannot write into %s\n", folder.c_str());
    return 2;
  }
  return 0;
}
