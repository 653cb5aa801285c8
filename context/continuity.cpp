#include "context/continuity.h"

#include <cstring>

namespace jps {

void ResetContinuity(ContinuityState& c) {
  std::memset(&c, 0, sizeof c);
  c.PreviousEpochTime = -1.0;
}

}  // namespace jps
