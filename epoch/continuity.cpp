#include "epoch/continuity.h"

#include <cstring>

#include "greis/decoder_state.h"

namespace jps {

ContinuityState Continuity = [] {
  ContinuityState c;
  std::memset(&c, 0, sizeof c);
  c.PreviousEpochTime = -1.0;
  return c;
}();

void ResetProcessStateForTesting() {
  std::memset(&Continuity, 0, sizeof Continuity);
  Continuity.PreviousEpochTime = -1.0;
  std::memset(&TheDecoderState, 0, sizeof TheDecoderState);
}

}  // namespace jps
