// Writes a short valid JPS stream: a receiver date, GPS-UTC parameters and a
// few epochs of C/A ranges and phases. Usage: jps_generate OUT.jps [EPOCHS]
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "tools/builder/message_builder.h"

using namespace jpsbuild;

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: jps_generate OUT.jps [EPOCHS]\n");
    return 2;
  }
  int epochs = argc > 2 ? std::atoi(argv[2]) : 10;
  const std::vector<uint8_t> satellites = {2, 5, 12, 25};
  Bytes stream;
  Append(stream, ReceiverDate(2014, 8, 29));
  Append(stream, Message("UO", Body().F8(0).F4(0).U4(0).U2(1807).I1(16).U1(0).U2(0).I1(0)));
  for (int e = 0; e < epochs; ++e) {
    Append(stream, ReceiverTime(36000000u + 1000u * static_cast<uint32_t>(e)));
    Append(stream, SatIndices(satellites));
    std::vector<double> ranges, phases;
    for (size_t i = 0; i < satellites.size(); ++i) {
      double range = 0.070 + 0.001 * static_cast<double>(i) + 1e-7 * e;
      ranges.push_back(range);
      phases.push_back(range * 1575.42e6);
    }
    Append(stream, CaRanges(ranges));
    Append(stream, CaPhases(phases));
  }
  Append(stream, EpochEnd());

  std::FILE* f = std::fopen(argv[1], "wb");
  if (f == nullptr || std::fwrite(stream.data(), 1, stream.size(), f) != stream.size()) {
    std::fprintf(stderr, "jps_generate: cannot write %s\n", argv[1]);
    return 2;
  }
  std::fclose(f);
  return 0;
}
