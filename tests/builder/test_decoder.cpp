#include "tests/builder/test_decoder.h"

#include "greis/dispatch.h"

namespace jpstest {
namespace {

TestDecoder* current = nullptr;

void JAV_CALL Collect(double time, const char* text) {
  if (current != nullptr) current->messages.push_back({time, text});
}

}  // namespace

TestDecoder::TestDecoder() {
  jps::ResetContinuity(continuity);
  callbacks_.Size = jps::kCallbacksSize;
  callbacks_.OnMessage = Collect;
  context.SetHost(&callbacks_);
  current = this;
  ResetState();
}

TestDecoder::~TestDecoder() {
  if (current == this) current = nullptr;
}

void TestDecoder::ResetState() { jps::ResetDecoder(&state, &context); }

void TestDecoder::Reset() {
  jps::ResetContinuity(continuity);
  switches = jps::ConversionSwitches{};
  messages.clear();
  ResetState();
}

bool TestDecoder::Has(const std::string& text, double time) const {
  for (const HostMessage& m : messages) {
    if (m.text == text && m.time == time) return true;
  }
  return false;
}

bool TestDecoder::Has(const std::string& text) const {
  for (const HostMessage& m : messages) {
    if (m.text == text) return true;
  }
  return false;
}

}  // namespace jpstest
