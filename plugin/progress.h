// The host hears of progress once per 64 KiB of input (when a step crosses
// such a boundary of the input position) and once more at the end: a host
// that repaints on every call costs the conversion nothing, and one without
// a callback costs nothing either. Positions never go down. OnProgress takes
// 32-bit values: position and length are scaled together when the input is
// longer than 2 GiB.
#pragma once

#include <cstdint>

#include "context/host_records.h"

namespace jps {

class Progress {
 public:
  static constexpr int64_t kStep = 1 << 16;

  void Start(OnProgressFn callback, int64_t fileLength) {
    callback_ = callback;
    length_ = fileLength;
    shift_ = 0;
    while ((fileLength >> shift_) > INT32_MAX) ++shift_;
    next_ = callback_ != nullptr ? kStep : INT64_MAX;
  }
  // The position at which the decoder pauses for a report.
  int64_t PauseAt() const { return next_; }
  // Reports the position when it reached the next boundary.
  void Step(int64_t position) {
    if (position < next_) return;
    next_ = (position / kStep + 1) * kStep;
    Call(position);
  }
  // The final report, whatever the position.
  void Finish(int64_t position) const {
    if (callback_ != nullptr) Call(position);
  }

 private:
  void Call(int64_t position) const {
    if (position > length_) position = length_;
    callback_(static_cast<int32_t>(position >> shift_), static_cast<int32_t>(length_ >> shift_));
  }

  OnProgressFn callback_ = nullptr;
  int shift_ = 0;
  int64_t length_ = 0;
  int64_t next_ = INT64_MAX;
};

}  // namespace jps
