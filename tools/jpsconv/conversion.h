// One conversion, run in this process through the plug-in's entry points
// and host records, exactly as the post-processing host runs it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "context/host_records.h"
#include "plugin/conversion_sink.h"

namespace jpsconv {

enum class Outcome {
  kConverted,    // ConvertFile returned 0
  kAborted,      // stopped by Ctrl-C: the files hold what was converted so far
  kRejected,     // ConvertFile returned 1 without an abort
  kFailed,       // ConvertFile returned -1: a file could not be opened or written
  kNotStarted,   // refused before ConvertFile was called
  kInterrupted,  // never started because of Ctrl-C
  kNotJps,       // ConvertFile returned 0, but the input held no GREIS message or rM record
  kLastOutcome = kNotJps,
};

struct ConversionJob {
  std::string input;
  std::string kel;
};

// A report printed after a conversion's summary.
struct ExtraReport {
  bool has = false;
  std::string text;  // as printed, lines ending in line feeds
  int status = 0;    // its exit status
};

struct ConversionResult {
  std::string input, kel, epp, sta;
  Outcome outcome = Outcome::kNotStarted;
  int32_t result = 0;  // what ConvertFile returned
  int32_t epochs = 0;
  int32_t ephemerides = 0;
  int32_t stationMarks = 0;
  int32_t cameraPulses = 0;
  double seconds = 0;
  int64_t bytes = 0;    // size of the input
  std::string message;  // why, when not converted
  // convert --rinex: the summary of the RINEX files written in the same
  // pass; convert --qc: the data-quality report of the stream, from it too.
  ExtraReport rinex, qc;
};

// What the conversion tells its caller while it runs.
struct ConversionHooks {
  std::function<void(double time, const char* text)> message;  // empty: dropped
  std::function<void(double fraction)> progress;                      // empty: dropped
};

const char* OutcomeName(Outcome outcome);
int ExitStatus(Outcome outcome);
ConversionResult NewResult(const ConversionJob& job);

// "" when the input can be read, else why not.
std::string CheckInput(const std::string& input);
// "" when the job may run, else why not (nothing has been created then).
std::string CheckJob(const ConversionJob& job);

// More outputs of the same pass: outputs of the caller's own (the RINEX
// files, the quality report), beside the KEL, EPP and STA files or instead
// of them, fed in the order given. A conversion with any runs in this
// process through the converter's C++ interface (the same conversion as
// ConvertFile's); one without, through the plug-in's entry points.
struct ExtraOutput {
  std::vector<jps::ConversionSink*> sinks;
  bool kelFiles = true;
};

ConversionResult RunConversion(const ConversionJob& job, const jps::ConversionOptions& options,
                               const ConversionHooks& hooks, const ExtraOutput& extra = {});

}  // namespace jpsconv
