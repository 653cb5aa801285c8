// Whole JPS streams for the tests that cut, pad and damage input: the real
// receiver recordings when their folder is present, and simulated sessions
// of GREIS epochs and of rM records.
#pragma once

#include <string>
#include <vector>

#include "tools/builder/message_builder.h"

namespace jpstest {

struct SampleStream {
  std::string name;
  jpsbuild::Bytes bytes;
};

// The real recordings (when present), then the simulated sessions.
std::vector<SampleStream> SampleStreams();

// A short session built message by message, one message per element: a
// receiver date, GPS-UTC parameters, then per epoch [~~] [SI] [RC] [PC] [DC]
// for four GPS satellites, one second apart, and a closing [||].
std::vector<jpsbuild::Bytes> BuiltSessionMessages(int epochs);
// The messages joined into one stream.
jpsbuild::Bytes Joined(const std::vector<jpsbuild::Bytes>& messages);

}  // namespace jpstest
