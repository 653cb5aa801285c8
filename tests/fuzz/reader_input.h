// The input of the readers' fuzz target: a choice byte, the KEL bytes, and
// the EPP and STA texts each after its mark line. A file whose mark does not
// occur is absent; a section ends at the next mark of either kind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace jpsfuzz {

constexpr const char* kEppMark = "\n=== EPP ===\n";
constexpr const char* kStaMark = "\n=== STA ===\n";

struct ReaderInput {
  uint8_t choices = 0;
  std::string kel;
  bool hasEpp = false, hasSta = false;
  std::string epp, sta;
};

ReaderInput SplitReaderInput(const uint8_t* data, size_t size);
// The bytes that SplitReaderInput takes apart into these.
std::string JoinReaderInput(const ReaderInput& input);

}  // namespace jpsfuzz
