#include "plugin/conversion_driver.h"

#include <cstring>
#include <memory>
#include <new>

#include "ephemeris/epp_writers.h"
#include "epoch/greis_epoch.h"
#include "epoch/kel_writer.h"
#include "epoch/rm_epoch.h"
#include "greis/bulk_decode.h"
#include "greis/dispatch.h"
#include "greis/jps_input.h"
#include "greis/station_marks.h"
#include "support/path_helpers.h"
#include "support/text_stream.h"

namespace jps {
namespace {

constexpr float kEpochInterval = 1.0f;
constexpr uint16_t kKelBufferSize = 4096;

// The host hears of progress once per 64 KiB of input (when a step crosses
// such a boundary of the input position) and once more at the end: a host
// that repaints on every call costs the conversion nothing, and one without
// a callback costs nothing either. Positions never go down. OnProgress takes
// 32-bit values: position and length are scaled together when the input is
// longer than 2 GiB.
constexpr int64_t kProgressStep = 1 << 16;

class Progress {
 public:
  void Start(OnProgressFn callback, int64_t fileLength) {
    callback_ = callback;
    length_ = fileLength;
    shift_ = 0;
    while ((fileLength >> shift_) > INT32_MAX) ++shift_;
    next_ = callback_ != nullptr ? kProgressStep : INT64_MAX;
  }
  // The position at which the decoder pauses for a report.
  int64_t PauseAt() const { return next_; }
  // Reports the position when it reached the next boundary.
  void Step(int64_t position) {
    if (position < next_) return;
    next_ = (position / kProgressStep + 1) * kProgressStep;
    Call(position);
  }
  // The final report, whatever the position.
  void Finish(int64_t position) const {
    if (callback_ != nullptr) Call(position);
  }

 private:
  void Call(int64_t position) const {
    if (position > length_) position = length_;
    callback_(static_cast<int32_t>(position >> shift_), static_cast<int32_t>(length_ >> shift_));
  }

  OnProgressFn callback_ = nullptr;
  int shift_ = 0;
  int64_t length_ = 0;
  int64_t next_ = INT64_MAX;
};

// A KEL file that its owner closes, whatever way the conversion ends.
struct KelCloser {
  void operator()(KelWriter* w) const { CloseKelFile(w); }
};
using KelFile = std::unique_ptr<KelWriter, KelCloser>;

// One conversion: the start steps open the files (each closed by its owner
// when a later step fails), the loop decodes the input, the end steps write
// the closing blocks and close the files.
class Conversion {
 public:
  Conversion(ConversionContext& context, DecoderState& state, const ConversionOptions& options)
      : context_(context), s_(state), options_(options) {}

  bool Start(const char* jpsPath, const char* kelPath, const char* eppPath);
  void Loop();
  bool Finish();

 private:
  void OnGreisEpoch();
  void OnRmEpoch();
  void OnGpsEphemeris();
  void OnGlnEphemeris();
  void WriteEpoch();
  void ReportWriteError(const FailureText& failure) {
    context_.Report("Write Error: %s", failure.c_str());
    context_.lastError.Set("%s", failure.c_str());
    failed_ = true;
  }

  ConversionContext& context_;
  DecoderState& s_;
  const ConversionOptions& options_;
  KelFile kel_;
  TextStream epp_;
  TextStream sta_;
  JpsInput jps_;
  KelEpoch epoch_{};
  std::unique_ptr<KelMeasurement[]> measurements_;
  Progress progress_;
  char jpsPath_[kDerivedPathSize] = "";
  char eppPath_[kDerivedPathSize] = "";
  char staPath_[kDerivedPathSize] = "";
  bool failed_ = false;   // an output could not be written or the input read
};

bool Conversion::Start(const char* jpsPath, const char* kelPath, const char* eppPath) {
  ResetDecoder(&s_, &context_);
  context_.switches = SwitchesFrom(options_);
  std::strncpy(jpsPath_, jpsPath, sizeof jpsPath_ - 1);
  std::strncpy(eppPath_, eppPath, sizeof eppPath_ - 1);

  FailureText failure;
  kel_.reset(CreateKelFile(kelPath, kGreisReceiverType, kEpochInterval, kKelBufferSize,
                           kMaxChannels, &failure));
  if (!kel_) {
    context_.Report("ERROR: Could Not Open %s\n", kelPath);
    return false;
  }
  measurements_.reset(new (std::nothrow) KelMeasurement[kMaxChannels]());
  if (!measurements_) {
    context_.Report("ERROR: Not enough memory for measurements\n");
    return false;
  }
  std::memset(context_.continuity.LockSeconds, 0, sizeof context_.continuity.LockSeconds);

  if (!epp_.Open(eppPath)) {
    context_.Report("Could not open EPP file %s\n", eppPath);
    return false;
  }
  epp_.Write(kEppHeaderLine);

  std::strncpy(staPath_, eppPath, sizeof staPath_ - 1);
  ReplaceExtension(staPath_, sizeof staPath_, ".STA");
  if (!sta_.Open(staPath_)) {
    context_.Report("Could not open STATION MARK file %s\n", staPath_);
    return false;
  }
  s_.StaStream = &sta_;
  sta_.Write(kStaHeaderLine);

  if (!jps_.Open(jpsPath)) {
    context_.Report("Could not open JPS file %s ", jpsPath);
    return false;
  }
  s_.JpsStream = &jps_;
  progress_.Start(context_.ProgressCallback(), jps_.Length());
  return true;
}

// The decoder steps that produce no event are taken together; the decoder
// pauses for an abort and at each progress boundary.
void Conversion::Loop() {
  for (;;) {
    DecoderEvent event = DecodeUntilEvent(&s_, progress_.PauseAt());
    if (event < 0 || jps_.AtEnd()) break;
    progress_.Step(jps_.Position());
    if (context_.AbortRequested()) break;
    switch (event) {
      case kEventRmEpoch:
        OnRmEpoch();
        break;
      case kEventEpoch:
        OnGreisEpoch();
        break;
      case kEventGpsEphemeris:
        OnGpsEphemeris();
        break;
      case kEventGlnEphemeris:
        OnGlnEphemeris();
        break;
      default:
        break;
    }
  }
}

void Conversion::WriteEpoch() {
  FailureText failure;
  if (WriteKelEpoch(kel_.get(), &epoch_, measurements_.get(), &failure) != 0) {
    ReportWriteError(failure);
  }
  ++context_.counters.epochs;
}

// A refused epoch has told the host why itself.
void Conversion::OnGreisEpoch() {
  if (options_.SkipGreisEpochs == 0 &&
      BuildGreisEpoch(&s_, &epoch_, measurements_.get()) == 0) {
    WriteEpoch();
  }
  ClearEpochCounters(&s_);
}

void Conversion::OnRmEpoch() {
  if (options_.SkipRmEpochs != 0) return;
  if (BuildRmEpoch(&s_, &epoch_, measurements_.get()) == 0) WriteEpoch();
}

void Conversion::OnGpsEphemeris() {
  context_.Notify(TimeOfWeek(s_, ReceiverTimeMs(s_)),
                  "GPS Ephememeris received on PRN %d (Health OK)", s_.GpsEphemerisRecord[0]);
  WriteGpsEph(s_, epp_);
  ++context_.counters.ephemerides;
}

void Conversion::OnGlnEphemeris() {
  context_.Notify(TimeOfWeek(s_, ReceiverTimeMs(s_)), "GLONASS Ephememeris received on PRN %d",
                  s_.GlnEphemerisRecord[0]);
  WriteGlnEph(s_, epp_);
  ++context_.counters.ephemerides;
  ++s_.GlonassEphemerisCount;
}

bool Conversion::Finish() {
  // An abort asked for in the last report ends the conversion as one asked
  // for earlier does.
  progress_.Finish(jps_.Position());
  if (context_.AbortRequested()) context_.lastError.Set("User Quit");
  int utc = LeapSeconds(s_);
  if (utc == 0 && s_.GlonassEphemerisCount != 0) {
    context_.Report("\n");
    context_.Report("WARNING: GPS - UTC Time Offset Missing\n");
    context_.Report("Go to the EPP file and enter GpsIon { Utc: } by hand");
  }
  WriteGpsIon(epp_, utc);
  if (s_.MessagesFound == 0) context_.Report("%s", kNotJpsText);
  if (context_.switches.verbose) context_.Report("JPS Time base: %d ", s_.ReceiverDate[4]);
  FlushPendingSite(&s_);

  // An input that could not be read to its end was not converted.
  FailureText failure;
  if (jps_.ReadFailed()) {
    failure.Set("Error: Unable to read %s", jpsPath_);
    context_.Report("Read Error: %s", failure.c_str());
    context_.lastError.Set("%s", failure.c_str());
    failed_ = true;
  }
  if (!epp_.Close()) {
    failure.Set("Error: Unable to write to %s", eppPath_);
    ReportWriteError(failure);
  }
  jps_.Close();
  s_.JpsStream = nullptr;
  bool kelOk = true;
  CloseKelFile(kel_.release(), &kelOk, &failure);
  if (!kelOk) ReportWriteError(failure);
  if (!sta_.Close()) {
    failure.Set("Error: Unable to write to %s", staPath_);
    ReportWriteError(failure);
  }
  s_.StaStream = nullptr;
  return !failed_;
}

}  // namespace

int32_t ConversionDriver(ConversionContext& context, DecoderState& state, const char* jpsPath,
                         const char* kelPath, const char* eppPath,
                         const ConversionOptions& options) {
  // No exception may cross the host's call: memory that is short is a failure.
  std::unique_ptr<Conversion> conversion(new (std::nothrow) Conversion(context, state, options));
  if (!conversion) {
    context.Report("ERROR: Not enough memory for measurements\n");
    return -1;
  }
  bool started = conversion->Start(jpsPath, kelPath, eppPath);
  if (started) conversion->Loop();
  bool finished = started && conversion->Finish();
  // The decoder state must not point at streams that are gone.
  state.JpsStream = nullptr;
  state.StaStream = nullptr;
  return finished ? 0 : -1;
}

}  // namespace jps
