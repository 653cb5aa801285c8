// dll_host: loads the plug-in at run time the way the post-processing host
// does, finds its five entry points by name, runs one conversion and logs
// everything the host sees: the defaults, AutoDetect's answers, each text and
// time tag handed to OnMessage, each OnProgress pair, the result, the counts
// and the error text. On 32-bit Windows it uses LoadLibrary and the stdcall-
// decorated names (_ConvertFile@12 ...); elsewhere dlopen and the plain names.
// The log is written byte for byte the same on every platform (time tags as
// their IEEE bits, texts escaped), so two builds of the plug-in can be
// compared by comparing logs.
//
// Usage: dll_host LIBRARY LOG INPUT OUTPUT [switch...]
//   no-callbacks     both callbacks null
//   probe-at=N       at the N-th OnProgress call (from 0) call SetFactoryDefaults,
//                    AutoDetect and GetErrString and log what they give
//   abort-at=N       call Abort from inside the N-th OnProgress call
//   size-checks      first call ConvertFile with a wrong record size and a wrong
//                    options size and log the results
//   NAME=VALUE       set an option field (GpsOnly, Verbose, ...) after the defaults
// Exit status: 0 when the conversion ran (whatever its result), 2 on bad usage,
// 3 when the library or an entry point is missing.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "context/host_records.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

using jps::ConversionOptions;
using jps::ConversionRequest;
using jps::HostCallbacks;

typedef int32_t(JAV_CALL* ConvertFileFn)(ConversionRequest*, HostCallbacks*, int32_t);
typedef int32_t(JAV_CALL* AutoDetectFn)(const char*);
typedef void(JAV_CALL* SetFactoryDefaultsFn)(int32_t, ConversionOptions*);
typedef void(JAV_CALL* GetErrStringFn)(char*);
typedef void(JAV_CALL* AbortFn)();

#if defined(_WIN32) && !defined(_WIN64)
#define JPS_ENTRY_NAME(name, argBytes) "_" #name "@" #argBytes
#else
#define JPS_ENTRY_NAME(name, argBytes) #name
#endif

constexpr uint8_t kReservedFill = 0x5A;   // pattern in the records' reserved bytes
constexpr uint8_t kUntouchedFill = 0xA5;  // pattern that SetFactoryDefaults must leave alone
constexpr size_t kErrorBufferSize = 4096;
constexpr const char* kMissingFile = "no-such-file.jps";

struct Plugin {
  ConvertFileFn ConvertFile = nullptr;
  AutoDetectFn AutoDetect = nullptr;
  SetFactoryDefaultsFn SetFactoryDefaults = nullptr;
  GetErrStringFn GetErrString = nullptr;
  AbortFn Abort = nullptr;
};

struct OptionField {
  const char* name;
  size_t offset;
};

const OptionField kOptionFields[] = {
    {"GpsOnly", offsetof(ConversionOptions, GpsOnly)},
    {"L1PhaseFromP1", offsetof(ConversionOptions, L1PhaseFromP1)},
    {"StartDynamic", offsetof(ConversionOptions, StartDynamic)},
    {"KeepDamagedEpochs", offsetof(ConversionOptions, KeepDamagedEpochs)},
    {"RequireL2", offsetof(ConversionOptions, RequireL2)},
    {"Verbose", offsetof(ConversionOptions, Verbose)},
    {"SiteAwaitsSave", offsetof(ConversionOptions, SiteAwaitsSave)},
    {"SkipGreisEpochs", offsetof(ConversionOptions, SkipGreisEpochs)},
    {"SkipRmEpochs", offsetof(ConversionOptions, SkipRmEpochs)},
};

// What the run needs inside the callbacks.
struct Run {
  Plugin plugin;
  std::FILE* log = nullptr;
  const char* input = nullptr;
  long probeAt = -1;
  long abortAt = -1;
  long progressCalls = 0;
} TheRun;

void LogText(const char* text) { std::fputs(text, TheRun.log); }

// The text with backslash, control and non-ASCII bytes escaped, in quotes.
void LogQuoted(const char* text) {
  std::string out = "\"";
  static const char kHex[] = "0123456789abcdef";
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
    if (*p == '\\' || *p == '"') {
      out += '\\';
      out += static_cast<char>(*p);
    } else if (*p == '\n') {
      out += "\\n";
    } else if (*p == '\r') {
      out += "\\r";
    } else if (*p < 0x20 || *p >= 0x7F) {
      out += "\\x";
      out += kHex[*p >> 4];
      out += kHex[*p & 0xF];
    } else {
      out += static_cast<char>(*p);
    }
  }
  out += '"';
  LogText(out.c_str());
}

void LogHex(const void* data, size_t n) {
  static const char kHex[] = "0123456789abcdef";
  const uint8_t* b = static_cast<const uint8_t*>(data);
  std::string out;
  for (size_t i = 0; i < n; ++i) {
    out += kHex[b[i] >> 4];
    out += kHex[b[i] & 0xF];
  }
  LogText(out.c_str());
}

// A time tag as the 16 hex digits of its IEEE bits: exact on every platform.
void LogTimeBits(double time) {
  uint64_t bits = 0;
  std::memcpy(&bits, &time, sizeof bits);
  char text[17];
  for (int i = 15; i >= 0; --i) {
    text[i] = "0123456789abcdef"[bits & 0xF];
    bits >>= 4;
  }
  text[16] = '\0';
  LogText(text);
}

void LogErrorText(const char* label) {
  static char buffer[kErrorBufferSize];
  std::memset(buffer, 0, sizeof buffer);
  TheRun.plugin.GetErrString(buffer);
  buffer[sizeof buffer - 1] = '\0';
  std::fprintf(TheRun.log, "%s ", label);
  LogQuoted(buffer);
  LogText("\n");
}

void LogDefaults(const char* label) {
  ConversionOptions options;
  std::memset(&options, kUntouchedFill, sizeof options);
  TheRun.plugin.SetFactoryDefaults(jps::kOptionsSize, &options);
  std::fprintf(TheRun.log, "%s defaults ", label);
  LogHex(&options, sizeof options);
  LogText("\n");

  ConversionOptions untouched;
  std::memset(&untouched, kUntouchedFill, sizeof untouched);
  TheRun.plugin.SetFactoryDefaults(jps::kOptionsSize - 1, &untouched);
  bool same = true;
  const uint8_t* b = reinterpret_cast<const uint8_t*>(&untouched);
  for (size_t i = 0; i < sizeof untouched; ++i) same = same && b[i] == kUntouchedFill;
  std::fprintf(TheRun.log, "%s defaults size 55 %s\n", label, same ? "untouched" : "CHANGED");
}

void LogAutoDetect(const char* label) {
  std::fprintf(TheRun.log, "%s autodetect input %d missing %d\n", label,
               TheRun.plugin.AutoDetect(TheRun.input), TheRun.plugin.AutoDetect(kMissingFile));
}

void JAV_CALL OnMessage(double time, const char* text) {
  LogText("M ");
  LogTimeBits(time);
  LogText(" ");
  LogQuoted(text != nullptr ? text : "(null)");
  LogText("\n");
}

void JAV_CALL OnProgress(int32_t position, int32_t length) {
  long call = TheRun.progressCalls++;
  std::fprintf(TheRun.log, "P %ld %ld\n", static_cast<long>(position), static_cast<long>(length));
  if (call == TheRun.probeAt) {
    LogDefaults("probe");
    LogAutoDetect("probe");
    LogErrorText("probe error");
  }
  if (call == TheRun.abortAt) {
    TheRun.plugin.Abort();
    LogText("abort\n");
  }
}

bool LoadPlugin(const char* path, Plugin* plugin) {
#if defined(_WIN32)
  HMODULE module = LoadLibraryA(path);
  if (module == nullptr) {
    std::fprintf(stderr, "dll_host: cannot load %s (error %lu)\n", path,
                 static_cast<unsigned long>(GetLastError()));
    return false;
  }
  auto find = [&](const char* name) {
    FARPROC f = GetProcAddress(module, name);
    if (f == nullptr) std::fprintf(stderr, "dll_host: %s has no entry point %s\n", path, name);
    return reinterpret_cast<void*>(f);
  };
#else
  void* module = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    std::fprintf(stderr, "dll_host: cannot load %s (%s)\n", path, dlerror());
    return false;
  }
  auto find = [&](const char* name) {
    void* f = dlsym(module, name);
    if (f == nullptr) std::fprintf(stderr, "dll_host: %s has no entry point %s\n", path, name);
    return f;
  };
#endif
  plugin->ConvertFile = reinterpret_cast<ConvertFileFn>(find(JPS_ENTRY_NAME(ConvertFile, 12)));
  plugin->AutoDetect = reinterpret_cast<AutoDetectFn>(find(JPS_ENTRY_NAME(AutoDetect, 4)));
  plugin->SetFactoryDefaults =
      reinterpret_cast<SetFactoryDefaultsFn>(find(JPS_ENTRY_NAME(SetFactoryDefaults, 8)));
  plugin->GetErrString = reinterpret_cast<GetErrStringFn>(find(JPS_ENTRY_NAME(GetErrString, 4)));
  plugin->Abort = reinterpret_cast<AbortFn>(find(JPS_ENTRY_NAME(Abort, 0)));
  return plugin->ConvertFile != nullptr && plugin->AutoDetect != nullptr &&
         plugin->SetFactoryDefaults != nullptr && plugin->GetErrString != nullptr &&
         plugin->Abort != nullptr;
}

void CopyPath(char* field, const char* path) {
  std::memset(field, 0, jps::kPathSize);
  std::strncpy(field, path, jps::kPathSize - 1);
}

// Sets NAME=VALUE on the options; false when NAME is no option field.
bool SetOption(ConversionOptions* options, const char* assignment) {
  const char* eq = std::strchr(assignment, '=');
  if (eq == nullptr) return false;
  size_t nameLength = static_cast<size_t>(eq - assignment);
  for (const OptionField& field : kOptionFields) {
    if (std::strlen(field.name) == nameLength &&
        std::strncmp(field.name, assignment, nameLength) == 0) {
      int32_t value = static_cast<int32_t>(std::strtol(eq + 1, nullptr, 10));
      std::memcpy(reinterpret_cast<uint8_t*>(options) + field.offset, &value, sizeof value);
      return true;
    }
  }
  return false;
}

bool ReservedIntact(const uint8_t* bytes, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    if (bytes[i] != kReservedFill) return false;
  }
  return true;
}

// ConvertFile with one size field wrong: the plug-in must refuse it.
void LogSizeCheck(const char* label, int32_t requestSize, int32_t optionsSize,
                  HostCallbacks* callbacks) {
  static ConversionRequest request;
  std::memset(&request, 0, sizeof request);
  request.Size = requestSize;
  request.OptionsSize = optionsSize;
  CopyPath(request.InputPath, TheRun.input);
  CopyPath(request.OutputPath, kMissingFile);
  int32_t result = TheRun.plugin.ConvertFile(&request, callbacks, 0);
  std::fprintf(TheRun.log, "%s result %d\n", label, static_cast<int>(result));
  LogErrorText(label);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: dll_host LIBRARY LOG INPUT OUTPUT [switch...]\n");
    return 2;
  }
  const char* libraryPath = argv[1];
  const char* inputPath = argv[3];
  const char* outputPath = argv[4];
  if (!LoadPlugin(libraryPath, &TheRun.plugin)) return 3;
  TheRun.input = inputPath;

  // Host records live for the whole run: the plug-in keeps the callbacks pointer.
  static ConversionRequest request;
  static HostCallbacks callbacks;
  std::memset(&request, kReservedFill, sizeof request);
  std::memset(&callbacks, kReservedFill, sizeof callbacks);
  request.Size = jps::kRequestSize;
  request.OptionsSize = jps::kOptionsSize;
  CopyPath(request.InputPath, inputPath);
  CopyPath(request.OutputPath, outputPath);
  callbacks.Size = jps::kCallbacksSize;
  callbacks.OnMessage = OnMessage;
  callbacks.OnProgress = OnProgress;
  TheRun.plugin.SetFactoryDefaults(jps::kOptionsSize, &request.Options);

  bool sizeChecks = false;
  for (int i = 5; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strcmp(arg, "no-callbacks") == 0) {
      callbacks.OnMessage = nullptr;
      callbacks.OnProgress = nullptr;
    } else if (std::strncmp(arg, "probe-at=", 9) == 0) {
      TheRun.probeAt = std::strtol(arg + 9, nullptr, 10);
    } else if (std::strncmp(arg, "abort-at=", 9) == 0) {
      TheRun.abortAt = std::strtol(arg + 9, nullptr, 10);
    } else if (std::strcmp(arg, "size-checks") == 0) {
      sizeChecks = true;
    } else if (!SetOption(&request.Options, arg)) {
      std::fprintf(stderr, "dll_host: unknown switch %s\n", arg);
      return 2;
    }
  }

  TheRun.log = std::fopen(argv[2], "wb");
  if (TheRun.log == nullptr) {
    std::fprintf(stderr, "dll_host: cannot write %s\n", argv[2]);
    return 2;
  }
  LogText("loaded 5 entry points\n");
  LogDefaults("start");
  LogAutoDetect("start");
  if (sizeChecks) {
    LogSizeCheck("request size 2671", jps::kRequestSize - 1, jps::kOptionsSize, &callbacks);
    LogSizeCheck("options size 0", jps::kRequestSize, 0, &callbacks);
  }
  LogText("options ");
  LogHex(&request.Options, sizeof request.Options);
  LogText("\n");

  int32_t result = TheRun.plugin.ConvertFile(&request, &callbacks, 0);

  std::fprintf(TheRun.log, "result %d\n", static_cast<int>(result));
  std::fprintf(TheRun.log, "counts epochs %d ephemerides %d station-marks %d event-marks %d\n",
               static_cast<int>(request.EpochsWritten),
               static_cast<int>(request.EphemeridesWritten),
               static_cast<int>(request.StationMarksWritten),
               static_cast<int>(request.EventMarksWritten));
  std::fprintf(TheRun.log, "progress calls %ld\n", TheRun.progressCalls);
  LogErrorText("end error");
  bool reservedOk =
      ReservedIntact(request.Reserved576, sizeof request.Reserved576) &&
      ReservedIntact(request.Reserved2584, sizeof request.Reserved2584) &&
      ReservedIntact(callbacks.ReservedTail, sizeof callbacks.ReservedTail) &&
      ReservedIntact(reinterpret_cast<const uint8_t*>(&callbacks.Reserved4), 4);
  std::fprintf(TheRun.log, "reserved bytes %s\n", reservedOk ? "untouched" : "CHANGED");
  std::fclose(TheRun.log);
  return 0;
}
