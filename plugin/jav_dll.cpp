// The plug-in's entry points.
#include "plugin/jav_dll.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "greis/framing.h"
#include "plugin/conversion_driver.h"
#include "context/conversion_context.h"
#include "support/path_helpers.h"

using namespace jps;

namespace {

constexpr int kDetectBufferSize = 8192;
constexpr int kDetectMinimumSpan = 502;   // a file of fewer than 503 bytes is never recognised
constexpr int kReceiverTimeLength = 5;
constexpr int kRmMaxDetectLength = 500;

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

bool LooksLikeJps(const uint8_t* data, int n) {
  for (int j = 0; j + kDetectMinimumSpan < n; ++j) {
    const uint8_t* p = data + j;
    if (p[0] == '~' && p[1] == '~' && p[2] == '0') {
      if (ParseHexLength(p + 2) != kReceiverTimeLength) continue;
      if (GreisChecksum(p, kReceiverTimeLength) == 0) return true;
      continue;
    }
    if (p[0] == 'r' && p[1] == 'M') {
      int L = ParseHexLength(p + 2);
      if (L > 2 && L < kRmMaxDetectLength && j + kFrameHeaderSize + L <= n && RmCrcOk(p, L)) {
        return true;
      }
    }
  }
  return false;
}

}  // namespace

JAV_EXPORT void JAV_CALL SetFactoryDefaults(int32_t size, ConversionOptions* options) {
  if (size != kOptionsSize || options == nullptr) return;
  std::memset(options, 0, sizeof *options);
  options->Reserved8 = 1;
  options->Reserved16 = 1.0;
  options->SiteAwaitsSave = 1;
}

JAV_EXPORT int32_t JAV_CALL AutoDetect(const char* path) {
  if (path == nullptr) return 0;
  std::FILE* f = std::fopen(path, "rb");
  if (f == nullptr) return 0;
  std::vector<uint8_t> buffer;
  try {
    buffer.resize(kDetectBufferSize);
  } catch (...) {
    std::fclose(f);
    return 0;
  }
  int n = static_cast<int>(std::fread(buffer.data(), 1, buffer.size(), f));
  bool recognised = LooksLikeJps(buffer.data(), n);
  std::fclose(f);
  return recognised ? 1 : 0;
}

namespace {

int32_t Convert(ConversionRequest* request) {
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
  if (PathFits(request->InputPath, "JPS file") && PathFits(request->OutputPath, "KEL file")) {
    char jpsPath[kDerivedPathSize];
    char kelPath[kDerivedPathSize];
    char eppPath[kDerivedPathSize];
    CopyHostPath(jpsPath, sizeof jpsPath, request->InputPath);
    CopyHostPath(kelPath, sizeof kelPath, request->OutputPath);
    CopyHostPath(eppPath, sizeof eppPath, request->OutputPath);
    ReplaceExtension(eppPath, sizeof eppPath, ".epp");
    result = ConversionDriver(TheContext, TheDecoderState, jpsPath, kelPath, eppPath, options);
  }

  const ResultCounters& counters = TheContext.counters;
  request->EpochsWritten = counters.epochs;
  request->EphemeridesWritten = counters.ephemerides;
  request->StationMarksWritten = counters.stationMarks;
  request->EventMarksWritten = counters.eventMarks;
  return TheContext.AbortRequested() ? 1 : result;
}

}  // namespace

JAV_EXPORT int32_t JAV_CALL ConvertFile(ConversionRequest* request, HostCallbacks* callbacks,
                                        int32_t /*reserved*/) {
  // Messages go to this host while the call runs; the record is the host's,
  // so nothing calls into it once the call has returned.
  TheContext.SetHost(callbacks);
  int32_t result = Convert(request);
  TheContext.SetHost(nullptr);
  return result;
}

JAV_EXPORT void JAV_CALL GetErrString(char* buffer) {
  if (buffer != nullptr) std::strcpy(buffer, TheContext.lastError.c_str());
}

JAV_EXPORT void JAV_CALL Abort() { AbortCount.fetch_add(1); }

namespace jps {

void ResetProcessStateForTesting() {
  ResetContinuity(TheContinuity);
  std::memset(static_cast<void*>(&TheDecoderState), 0, sizeof TheDecoderState);
}

const ConversionContext& PluginContextForTesting() { return TheContext; }
const DecoderState& PluginDecoderStateForTesting() { return TheDecoderState; }

}  // namespace jps
