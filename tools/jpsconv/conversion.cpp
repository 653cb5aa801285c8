#include "tools/jpsconv/conversion.h"

#include <chrono>
#include <cstdio>
#include <cstring>

#include "context/conversion_context.h"
#include "plugin/conversion_api.h"
#include "plugin/jav_dll.h"
#include "tools/jpsconv/cli_common.h"
#include "tools/jpsconv/interrupt.h"

namespace jpsconv {
namespace {

constexpr size_t kErrorTextCapacity = 4096;  // the converter's texts are far shorter

// The hooks of the running conversion: the callbacks are plain functions.
// Ctrl-C reaches the converter through Abort, called by the signal handler.
const ConversionHooks* current = nullptr;
bool notJps = false;   // the converter said it found no message at all

void JAV_CALL OnMessage(double time, const char* text) {
  if (text == nullptr) return;
  if (std::strcmp(text, jps::kNotJpsText) == 0) notJps = true;
  if (current != nullptr && current->message) current->message(time, text);
}

void JAV_CALL OnProgress(int32_t position, int32_t length) {
  if (current == nullptr || !current->progress) return;
  current->progress(length > 0 ? static_cast<double>(position) / length : 0.0);
}

void CopyPath(char* field, const std::string& path) {
  std::memset(field, 0, jps::kPathSize);
  std::memcpy(field, path.data(), path.size());
}

}  // namespace

const char* OutcomeName(Outcome outcome) {
  switch (outcome) {
    case Outcome::kConverted:
      return "converted";
    case Outcome::kAborted:
      return "aborted";
    case Outcome::kRejected:
      return "rejected";
    case Outcome::kFailed:
      return "failed";
    case Outcome::kNotStarted:
      return "not started";
    case Outcome::kInterrupted:
      return "interrupted";
    case Outcome::kNotJps:
      return "not a JPS file";
  }
  return "failed";
}

int ExitStatus(Outcome outcome) {
  switch (outcome) {
    case Outcome::kConverted:
      return kExitOk;
    case Outcome::kAborted:
    case Outcome::kRejected:
    case Outcome::kInterrupted:
    case Outcome::kNotJps:
      return kExitRejected;
    case Outcome::kFailed:
    case Outcome::kNotStarted:
      return kExitFileError;
  }
  return kExitFileError;
}

ConversionResult NewResult(const ConversionJob& job) {
  ConversionResult r;
  r.input = job.input;
  r.kel = job.kel;
  r.epp = WithExtension(job.kel, ".epp");
  r.sta = WithExtension(job.kel, ".STA");
  r.bytes = FileSize(job.input);
  return r;
}

std::string CheckInput(const std::string& input) {
  if (input.size() > jps::kPathSize - 1) return "the input path is longer than 255 characters";
  if (IsDirectory(input)) return "cannot read " + input + ": it is a folder";
  std::FILE* f = std::fopen(input.c_str(), "rb");
  if (f == nullptr) return "cannot open " + input + ": " + ErrnoText();
  std::fclose(f);
  return "";
}

std::string CheckJob(const ConversionJob& job) {
  std::string inputError = CheckInput(job.input);
  if (!inputError.empty()) return inputError;
  if (job.kel.size() > jps::kPathSize - 1) return "the output path is longer than 255 characters";
  ConversionResult paths = NewResult(job);
  return OverwritesInput({paths.kel, paths.epp, paths.sta}, job.input);
}

ConversionResult RunConversion(const ConversionJob& job, const jps::ConversionOptions& options,
                               const ConversionHooks& hooks, const ExtraOutput& extra) {
  ConversionResult r = NewResult(job);
  r.message = extra.kelFiles ? CheckJob(job) : CheckInput(job.input);
  if (!r.message.empty()) {
    r.outcome = Outcome::kNotStarted;
    return r;
  }
  if (Interrupted()) {
    r.outcome = Outcome::kInterrupted;
    r.message = "interrupted before it started";
    return r;
  }

  jps::ConversionRequest request{};
  request.Size = jps::kRequestSize;
  request.OptionsSize = jps::kOptionsSize;
  request.Options = options;
  CopyPath(request.InputPath, job.input);
  CopyPath(request.OutputPath, job.kel);
  jps::HostCallbacks callbacks{};
  callbacks.Size = jps::kCallbacksSize;
  callbacks.OnMessage = OnMessage;   // also tells an input that is no JPS file
  callbacks.OnProgress = hooks.progress ? OnProgress : nullptr;

  current = &hooks;
  notJps = false;
  auto start = std::chrono::steady_clock::now();
  bool extraOutputs = !extra.sinks.empty();
  if (extraOutputs) {
    r.result = jps::RunConversionRequest(
        &request, &callbacks,
        jps::ConversionOutputs{extra.kelFiles, extra.sinks.data(),
                               static_cast<int>(extra.sinks.size())});
  } else {
    r.result = ConvertFile(&request, &callbacks, 0);
  }
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  current = nullptr;

  r.epochs = request.EpochsWritten;
  r.ephemerides = request.EphemeridesWritten;
  r.stationMarks = request.StationMarksWritten;
  r.cameraPulses = request.EventMarksWritten;
  if (r.result == 0) {
    r.outcome = notJps ? Outcome::kNotJps : Outcome::kConverted;
    if (notJps) r.message = "no GREIS message or rM record found; the files were written";
    return r;
  }
  // GetErrString copies without a limit; the buffer is far larger than any
  // text. It holds why the conversion was rejected, or which file could not
  // be opened, written or put in place and the system's reason.
  static char errorText[kErrorTextCapacity];
  if (extraOutputs) {
    std::snprintf(errorText, sizeof errorText, "%s", jps::LastErrorText());
  } else {
    GetErrString(errorText);
  }
  errorText[kErrorTextCapacity - 1] = '\0';
  if (r.result == 1) {
    r.outcome = Interrupted() ? Outcome::kAborted : Outcome::kRejected;
    r.message = errorText;
    return r;
  }
  r.outcome = Outcome::kFailed;
  r.message = errorText[0] != '\0' ? errorText : "a file could not be opened or written";
  return r;
}

}  // namespace jpsconv
