// A decoder state with a conversion context of its own, set up as the
// plug-in's entry points set up theirs, for the tests of the layers below the
// plug-in: switches off, a continuity as when the plug-in is loaded, and
// every text that would reach the host kept.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "context/conversion_context.h"
#include "greis/decoder_state.h"
#include "tests/builder/test_host.h"

namespace jpstest {

class TestDecoder {
  // First, so that the state it holds exists before the members that refer to it.
  std::unique_ptr<jps::DecoderState> owned_ = std::make_unique<jps::DecoderState>();

 public:
  TestDecoder();
  ~TestDecoder();
  TestDecoder(const TestDecoder&) = delete;
  TestDecoder& operator=(const TestDecoder&) = delete;

  // Cleared as at the start of a conversion (the continuity is kept).
  void ResetState();
  // All of it as when made: continuity, switches, messages and state (the
  // same record, so references to it stay good).
  void Reset();

  jps::ContinuityState continuity;
  jps::AbortCounter abortCount{0};
  jps::ConversionContext context{continuity, abortCount};
  jps::DecoderState& state = *owned_;
  jps::ConversionSwitches& switches = context.switches;
  std::vector<HostMessage> messages;   // what OnMessage received

  bool Has(const std::string& text, double time) const;
  bool Has(const std::string& text) const;

 private:
  jps::HostCallbacks callbacks_{};
};

// A TestDecoder of its own that moves like a pointer to its decoder state.
struct DecoderHandle {
  std::unique_ptr<TestDecoder> decoder = std::make_unique<TestDecoder>();
  jps::DecoderState* operator->() { return &decoder->state; }
  jps::DecoderState& operator*() { return decoder->state; }
  jps::DecoderState* get() { return &decoder->state; }
  // What the context holds as its last error.
  const char* LastError() const { return decoder->context.lastError.c_str(); }
  void ClearLastError() { decoder->context.lastError.Clear(); }
};

}  // namespace jpstest
