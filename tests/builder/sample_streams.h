// Whole JPS streams for the tests that cut, pad and damage input: the real
// receiver recordings when their folder is present, and simulated sessions
// of GREIS epochs and of rM records.
#pragma once

#include <string>
#include <vector>

#include "tests/builder/message_builder.h"

namespace jpstest {

struct SampleStream {
  std::string name;
  jpsbuild::Bytes bytes;
};

// The real recordings (when present), then the simulated sessions.
std::vector<SampleStream> SampleStreams();

}  // namespace jpstest
