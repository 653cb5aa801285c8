// Finds the messages of a JPS stream in memory the way the decoder frames
// them: a known identifier, a length within its row's limit and a good
// checksum (the CRC for rM) make a message, consumed whole; anything else
// moves on by one byte. For tests that cut or damage streams between
// messages, and for the speed check's framing pass.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "greis/dispatch.h"
#include "greis/framing.h"

namespace jpsbuild {

struct ScanCounts {
  uint64_t messages = 0;
  uint64_t badChecks = 0;   // framed candidates whose checksum or CRC failed
};

// Calls found(offset, size) for every message, in stream order.
template <typename Found>
ScanCounts ForEachMessage(const uint8_t* data, size_t n, Found found) {
  ScanCounts counts;
  size_t i = 0;
  while (i + jps::kFrameHeaderSize <= n) {
    const uint8_t* m = data + i;
    if (!jps::IsMessageId(m[0], m[1])) {
      ++i;
      continue;
    }
    int L = jps::ParseHexLength(m + 2);
    const jps::DispatchRow* row = L > 0 ? jps::FindDispatchRow(m) : nullptr;
    size_t size = jps::kFrameHeaderSize + static_cast<size_t>(L > 0 ? L : 0);
    if (row == nullptr || L > row->maxLength || i + size > n) {
      ++i;
      continue;
    }
    bool good = row->handling == jps::Handling::kRmRecord ? jps::RmCrcOk(m, L)
                                                         : jps::GreisChecksum(m, L) == 0;
    if (!good) {
      ++counts.badChecks;
      ++i;
      continue;
    }
    ++counts.messages;
    found(i, size);
    i += size;
  }
  return counts;
}

// Offsets of the messages of a stream, followed by the stream's size.
inline std::vector<size_t> MessageBoundaries(const std::vector<uint8_t>& stream) {
  std::vector<size_t> starts;
  ForEachMessage(stream.data(), stream.size(), [&](size_t at, size_t) { starts.push_back(at); });
  starts.push_back(stream.size());
  return starts;
}

}  // namespace jpsbuild
