// The plug-in's entry points.
#include "plugin/jav_dll.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "greis/framing.h"
#include "plugin/conversion_api.h"

using namespace jps;

namespace {

constexpr int kDetectBufferSize = 8192;
constexpr int kDetectMinimumSpan = 502;   // a file of fewer than 503 bytes is never recognised
constexpr int kReceiverTimeLength = 5;
constexpr int kRmMaxDetectLength = 500;

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

JAV_EXPORT int32_t JAV_CALL ConvertFile(ConversionRequest* request, HostCallbacks* callbacks,
                                        int32_t /*reserved*/) {
  return RunConversionRequest(request, callbacks, ConversionOutputs{});
}

JAV_EXPORT void JAV_CALL GetErrString(char* buffer) {
  if (buffer != nullptr) std::strcpy(buffer, LastErrorText());
}

JAV_EXPORT void JAV_CALL Abort() { RequestAbort(); }
