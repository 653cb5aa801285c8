// What the decoder tells an observer of the stream besides its events: every
// whole message it takes (a good checksum, not skipped by the epoch's intake),
// and the two points where it gives up an epoch's messages. The observer
// decodes the bodies it cares about through their views; the decoder hands
// them over where they lie, so they are valid only during the call.
#pragma once

#include <cstdint>

namespace jps {

class MessageTap {
 public:
  virtual ~MessageTap() = default;
  // message points at the identifier; the body (length L, checksum last)
  // starts kFrameHeaderSize bytes later.
  virtual void OnMessage(const uint8_t* message, int L) = 0;
  // The epoch's intake closed: its messages are skipped up to the next
  // receiver time.
  virtual void OnIntakeClosed() = 0;
  // A damaged message discarded the epoch.
  virtual void OnEpochDiscarded() = 0;
};

}  // namespace jps
