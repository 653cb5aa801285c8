// A bounded text that a routine formats the reason of its failure into, for
// its caller to pass on. Text from the input is an argument, never the format.
#pragma once

#include <cstddef>

#include "support/text_format.h"

namespace jps {

// Large enough for every text the converter makes around a 255-character path.
constexpr size_t kFailureTextSize = 1024;

class FailureText {
 public:
  void Set(const char* format, ...) JPS_PRINTF_LIKE(2, 3);
  void Clear() { text_[0] = '\0'; }
  const char* c_str() const { return text_; }
  bool empty() const { return text_[0] == '\0'; }

 private:
  char text_[kFailureTextSize] = "";
};

}  // namespace jps
