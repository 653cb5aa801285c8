#include "plugin/conversion_api.h"

#include <cstring>
#include <vector>

#include "plugin/conversion_driver.h"
#include "plugin/kel_output.h"
#include "support/path_helpers.h"

namespace jps {
namespace {

// The plug-in's process-wide objects, owned here and handed down to each
// conversion: the host loads the plug-in once and keeps it loaded, and the
// continuity tables live as long as it does.
ContinuityState LoadedContinuity() {
  ContinuityState c;
  ResetContinuity(c);
  return c;
}

AbortCounter AbortCount{0};
ContinuityState TheContinuity = LoadedContinuity();
ConversionContext TheContext{TheContinuity, AbortCount};
DecoderState TheDecoderState;

// Outputs of one conversion; no more than that ever.
constexpr int kMaxOutputs = 8;

// Copies a host path field, which may lack its terminator, into a bounded buffer.
void CopyHostPath(char* out, size_t capacity, const char* field) {
  size_t n = 0;
  while (n < static_cast<size_t>(kPathSize) && n + 1 < capacity && field[n] != '\0') ++n;
  std::memcpy(out, field, n);
  out[n] = '\0';
}

// A path field holds at most 255 characters and its terminator; a field
// without one holds the start of a longer path, which names another file.
bool PathFits(const char* field, const char* what) {
  if (std::memchr(field, '\0', kPathSize) != nullptr) return true;
  TheContext.Report("ERROR: %s path longer than %d characters\n", what, kPathSize - 1);
  return false;
}

int32_t Convert(ConversionRequest* request, const ConversionOutputs& outputs) {
  const HostCallbacks* callbacks = TheContext.host();
  if (request == nullptr || callbacks == nullptr || request->Size != kRequestSize ||
      callbacks->Size != kCallbacksSize) {
    TheContext.lastError.Set("Incorrect version of Sample Conversion DLL");
    return 1;
  }
  if (request->OptionsSize != kOptionsSize) {
    TheContext.lastError.Set("Incorrect version of Sample Conversion DLL, Invalid options");
    return 1;
  }
  ConversionOptions options = request->Options;
  AbortCount.store(0);
  TheContext.counters = ResultCounters{};

  int32_t result = -1;
  if (PathFits(request->InputPath, "JPS file") && PathFits(request->OutputPath, "KEL file") &&
      outputs.extraCount >= 0 && outputs.extraCount < kMaxOutputs) {
    char jpsPath[kDerivedPathSize];
    char kelPath[kDerivedPathSize];
    char eppPath[kDerivedPathSize];
    CopyHostPath(jpsPath, sizeof jpsPath, request->InputPath);
    CopyHostPath(kelPath, sizeof kelPath, request->OutputPath);
    CopyHostPath(eppPath, sizeof eppPath, request->OutputPath);
    ReplaceExtension(eppPath, sizeof eppPath, ".epp");
    KelOutput kelFiles(kelPath, eppPath);
    ConversionSink* sinks[kMaxOutputs];
    int count = 0;
    if (outputs.kelFiles) sinks[count++] = &kelFiles;
    for (int i = 0; i < outputs.extraCount; ++i) sinks[count++] = outputs.extra[i];
    result = ConversionDriver(TheContext, TheDecoderState, jpsPath, options, sinks, count);
  }

  const ResultCounters& counters = TheContext.counters;
  request->EpochsWritten = counters.epochs;
  request->EphemeridesWritten = counters.ephemerides;
  request->StationMarksWritten = counters.stationMarks;
  request->EventMarksWritten = counters.eventMarks;
  return TheContext.AbortRequested() ? 1 : result;
}

}  // namespace

int32_t RunConversionRequest(ConversionRequest* request, const HostCallbacks* callbacks,
                             const ConversionOutputs& outputs) {
  // Messages go to this host while the call runs; the record is the host's,
  // so nothing calls into it once the call has returned.
  TheContext.SetHost(callbacks);
  int32_t result = Convert(request, outputs);
  TheContext.SetHost(nullptr);
  return result;
}

void RequestAbort() { AbortCount.fetch_add(1); }

const char* LastErrorText() { return TheContext.lastError.c_str(); }

void ResetProcessStateForTesting() {
  ResetContinuity(TheContinuity);
  std::memset(static_cast<void*>(&TheDecoderState), 0, sizeof TheDecoderState);
}

const ConversionContext& PluginContextForTesting() { return TheContext; }
const DecoderState& PluginDecoderStateForTesting() { return TheDecoderState; }

}  // namespace jps
