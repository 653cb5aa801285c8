// jpsconv: converts JPS files through the plug-in's entry points, as the host does.
// Usage: jpsconv convert IN.jps [-o OUT.kel]
#include <cstdio>
#include <cstring>
#include <string>

#include "plugin/jav_dll.h"

namespace {

void JAV_CALL PrintMessage(double time, const char* text) {
  if (time != -1.0) std::fprintf(stderr, "[%.3f] %s\n", time, text);
  else std::fprintf(stderr, "%s\n", text);
}

std::string DefaultOutput(const std::string& input) {
  size_t slash = input.find_last_of("/\\");
  size_t dot = input.find_last_of('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
    return input.substr(0, dot) + ".kel";
  }
  return input + ".kel";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || std::strcmp(argv[1], "convert") != 0) {
    std::fprintf(stderr, "usage: jpsconv convert IN.jps [-o OUT.kel]\n");
    return 2;
  }
  std::string input = argv[2];
  std::string output = DefaultOutput(input);
  for (int i = 3; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "-o") == 0) output = argv[++i];
  }
  jps::ConversionRequest request{};
  request.Size = jps::kRequestSize;
  request.OptionsSize = jps::kOptionsSize;
  SetFactoryDefaults(jps::kOptionsSize, &request.Options);
  std::strncpy(request.InputPath, input.c_str(), sizeof request.InputPath - 1);
  std::strncpy(request.OutputPath, output.c_str(), sizeof request.OutputPath - 1);
  jps::HostCallbacks callbacks{};
  callbacks.Size = jps::kCallbacksSize;
  callbacks.OnMessage = PrintMessage;
  int32_t result = ConvertFile(&request, &callbacks, 0);
  std::printf("%s -> %s: epochs %d, ephemerides %d, station marks %d, camera pulses %d\n",
              input.c_str(), output.c_str(), request.EpochsWritten, request.EphemeridesWritten,
              request.StationMarksWritten, request.EventMarksWritten);
  if (result == 1) return 1;
  return result == 0 ? 0 : 2;
}
