// The request record of one conversion as a host fills it in: the factory
// default options and the two paths (cut to the 255 characters a field holds).
#pragma once

#include <cstring>
#include <string>

#include "plugin/jav_dll.h"

namespace jpsbuild {

inline jps::ConversionRequest HostRequest(const std::string& jpsPath, const std::string& kelPath) {
  jps::ConversionRequest request{};
  request.Size = jps::kRequestSize;
  request.OptionsSize = jps::kOptionsSize;
  SetFactoryDefaults(jps::kOptionsSize, &request.Options);
  std::strncpy(request.InputPath, jpsPath.c_str(), sizeof request.InputPath - 1);
  std::strncpy(request.OutputPath, kelPath.c_str(), sizeof request.OutputPath - 1);
  return request;
}

// Callbacks with the given functions (either may be null).
inline jps::HostCallbacks HostCallbacksWith(jps::OnMessageFn onMessage, jps::OnProgressFn onProgress) {
  jps::HostCallbacks callbacks{};
  callbacks.Size = jps::kCallbacksSize;
  callbacks.OnMessage = onMessage;
  callbacks.OnProgress = onProgress;
  return callbacks;
}

}  // namespace jpsbuild
