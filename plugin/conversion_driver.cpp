#include "plugin/conversion_driver.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "epoch/greis_epoch.h"
#include "epoch/observation_collector.h"
#include "epoch/rm_epoch.h"
#include "greis/bulk_decode.h"
#include "greis/dispatch.h"
#include "greis/ephemeris_views.h"
#include "greis/jps_input.h"
#include "greis/message_tap.h"
#include "greis/station_marks.h"
#include "greis/station_output.h"
#include "plugin/progress.h"

namespace jps {
namespace {

// One conversion: the start steps open the outputs and the input, the loop
// decodes the input, the end steps close everything. The decoder hands it
// the station-mark lines and every whole message; the collector, made only
// when an output takes them, the epochs of observations.
class Conversion final : public StationLineOutput, public MessageTap, public ObservationReceiver {
 public:
  Conversion(ConversionContext& context, DecoderState& state, const ConversionOptions& options,
             ConversionSink* const* outputs, int outputCount)
      : context_(context), s_(state), options_(options), outputs_(outputs),
        outputCount_(outputCount) {}

  bool Start(const char* jpsPath);
  void Loop();
  // The end of the input: what a message cut off there, the epoch still open.
  void AtEndOfInput();
  bool Finish();

  // The decoder's station-mark lines, to every output.
  void OnStationLine(const StaLine& line) override {
    for (int i = 0; i < outputCount_; ++i) outputs_[i]->OnStationLine(line);
  }
  // Whole messages: the ephemerides that have no event of their own, and
  // the collector's.
  void OnMessage(const uint8_t* message, int L) override;
  void OnIntakeClosed() override {
    if (collector_) collector_->OnIntakeClosed();
  }
  void OnEpochDiscarded() override {
    if (collector_) collector_->OnEpochDiscarded();
  }
  void OnObservationEpoch(const ObservationEpoch& epoch) override {
    for (int i = 0; i < outputCount_; ++i) outputs_[i]->OnObservationEpoch(epoch);
  }

 private:
  void OnGreisEpoch();
  void OnRmEpoch();
  bool OpenEpochComplete(bool cutOff) const;
  bool CloseOutputs(const ConversionEnd& end);
  void OnEphemeris(const char* id, const uint8_t* record, int size);
  void SendKelEpoch() {
    for (int i = 0; i < outputCount_; ++i) outputs_[i]->OnKelEpoch(epoch_, measurements_.get());
  }

  ConversionContext& context_;
  DecoderState& s_;
  const ConversionOptions& options_;
  ConversionSink* const* outputs_;
  int outputCount_;
  JpsInput jps_;
  KelEpoch epoch_{};
  std::unique_ptr<KelMeasurement[]> measurements_;
  std::unique_ptr<ObservationCollector> collector_;
  Progress progress_;
  OutputFiles files_;
  char jpsPath_[kPathSize + 8] = "";
  bool failed_ = false;   // an output could not be written or the input read
  bool endOfInput_ = false;
  // The epoch-feeding identifiers that every epoch written so far held.
  EpochIdSet common_{};
  bool anyWritten_ = false;
};

bool Conversion::Start(const char* jpsPath) {
  ResetDecoder(&s_, &context_);
  context_.switches = SwitchesFrom(options_);
  std::strncpy(jpsPath_, jpsPath, sizeof jpsPath_ - 1);

  measurements_.reset(new (std::nothrow) KelMeasurement[kMaxChannels]());
  if (!measurements_) {
    context_.Report("ERROR: Not enough memory for measurements\n");
    context_.lastError.Set("ERROR: Not enough memory for measurements");
    return false;
  }
  std::memset(context_.continuity.LockSeconds, 0, sizeof context_.continuity.LockSeconds);
  bool observations = false;
  for (int i = 0; i < outputCount_; ++i) observations |= outputs_[i]->WantsObservations();
  if (observations) {
    try {
      collector_ = std::make_unique<ObservationCollector>(context_, *this);
    } catch (const std::bad_alloc&) {
      context_.Report("ERROR: Not enough memory for measurements\n");
      return false;
    }
  }
  for (int i = 0; i < outputCount_; ++i) {
    if (!outputs_[i]->Open(context_, files_)) return false;
  }
  s_.StationOutput = this;
  // Whole messages are heard only for an output that takes the stream's
  // epochs of observations (and the other systems' ephemerides with them).
  if (collector_) s_.Tap = this;

  if (!jps_.Open(jpsPath)) {
    int error = errno;
    context_.Report("Could not open JPS file %s ", jpsPath);
    context_.ReportFileFailure(jpsPath, error);
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
    if (event < 0 || jps_.AtEnd()) {
      endOfInput_ = true;
      break;
    }
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
        context_.Notify(TimeOfWeek(s_, ReceiverTimeMs(s_)),
                        "GPS Ephememeris received on PRN %d (Health OK)",
                        GpsEphemerisView(s_.GpsEphemerisRecord, kGpsEphemerisSize).prn());
        OnEphemeris("GE", s_.GpsEphemerisRecord, kGpsEphemerisSize);
        break;
      case kEventGlnEphemeris:
        context_.Notify(TimeOfWeek(s_, ReceiverTimeMs(s_)),
                        "GLONASS Ephememeris received on PRN %d",
                        GlonassEphemerisView(s_.GlnEphemerisRecord, kGlnEphemerisSize).slot());
        OnEphemeris("NE", s_.GlnEphemerisRecord, kGlnEphemerisSize);
        ++s_.GlonassEphemerisCount;
        break;
      default:
        break;
    }
  }
}

// A refused epoch has told the host why itself.
void Conversion::OnGreisEpoch() {
  EpochIdSet ids = s_.EpochIds;
  if (options_.SkipGreisEpochs == 0 &&
      BuildGreisEpoch(&s_, &epoch_, measurements_.get()) == 0) {
    SendKelEpoch();
    if (anyWritten_) {
      common_.KeepCommon(ids);
    } else {
      common_ = ids;
      anyWritten_ = true;
    }
  }
  ClearEpochCounters(&s_);
}

// The epoch still open at the end of the input is as whole as those before
// it when it holds every epoch-feeding message that each of them held
// (messages sent only every few epochs, such as the date, do not count) and
// none of its messages was damaged or cut off.
bool Conversion::OpenEpochComplete(bool cutOff) const {
  if (cutOff || s_.EpochDamaged != 0 || s_.EpochMessageCounts[kCountDamaged] != 0) return false;
  return !anyWritten_ || s_.EpochIds.Holds(common_);
}

void Conversion::AtEndOfInput() {
  char id[3] = "";
  bool ofAnEpoch = false;
  bool cutOff = CutOffMessage(s_, id, &ofAnEpoch);
  if (cutOff) {
    context_.Report("Message %s cut off by the end of the input at byte %lld", id,
                    static_cast<long long>(jps_.Position() - s_.Framing.fill));
  }
  bool leftOut = false;
  bool damaged = (cutOff && ofAnEpoch) || s_.EpochDamaged != 0;
  // An open epoch: its receiver time came, and its C/A ranges.
  if (s_.EpochMessageCounts[kCountCaRange] == 1 && s_.Intake != kIntakeAfterEnd) {
    if (OpenEpochComplete(cutOff && ofAnEpoch)) {
      OnGreisEpoch();
    } else {
      leftOut = true;
      ClearEpochCounters(&s_);
    }
  }
  // The epochs of observations follow the same rule on what they hold.
  if (collector_) {
    leftOut |= collector_->Finish(damaged) == ObservationCollector::LastEpoch::kLeftOut;
  }
  if (leftOut) {
    context_.Notify(TimeOfWeek(s_, ReceiverTimeMs(s_)),
                    "The epoch at the end of the input is incomplete: not written");
  }
}

void Conversion::OnRmEpoch() {
  if (options_.SkipRmEpochs != 0) return;
  if (BuildRmEpoch(&s_, &epoch_, measurements_.get()) == 0) SendKelEpoch();
}

void Conversion::OnEphemeris(const char* id, const uint8_t* record, int size) {
  EphemerisMessage m{{id[0], id[1]}, record, size, TimeOfWeek(s_, ReceiverTimeMs(s_))};
  for (int i = 0; i < outputCount_; ++i) outputs_[i]->OnEphemeris(m);
}

void Conversion::OnMessage(const uint8_t* message, int L) {
  if (collector_) collector_->OnMessage(message, L);
  for (const auto& id : kOtherEphemerisIds) {
    if (message[0] == id[0] && message[1] == id[1]) {
      OnEphemeris(id, message + kFrameHeaderSize, L);
      return;
    }
  }
}

bool Conversion::Finish() {
  // An abort asked for in the last report ends the conversion as one asked
  // for earlier does.
  progress_.Finish(jps_.Position());
  if (context_.AbortRequested()) {
    context_.lastError.Set("User Quit");
    if (collector_) collector_->Stop();
  } else if (endOfInput_) {
    AtEndOfInput();
  }
  int utc = LeapSeconds(s_);
  if (utc == 0 && s_.GlonassEphemerisCount != 0) {
    context_.Report("\n");
    context_.Report("WARNING: GPS - UTC Time Offset Missing\n");
    context_.Report("Go to the EPP file and enter GpsIon { Utc: } by hand");
  }
  if (s_.MessagesFound == 0) context_.Report("%s", kNotJpsText);
  if (context_.switches.verbose) {
    context_.Report("JPS Time base: %d ",
                    ReceiverDateView(s_.ReceiverDate, kReceiverDateSize).timeBase());
  }
  FlushPendingSite(&s_);

  // An input that could not be read to its end was not converted.
  if (jps_.ReadFailed()) {
    FailureText failure;
    failure.Set("Error: Unable to read %s", jpsPath_);
    context_.Report("Read Error: %s", failure.c_str());
    context_.lastError.Set("%s", failure.c_str());
    failed_ = true;
  }
  jps_.Close();
  s_.JpsStream = nullptr;
  return CloseOutputs(ConversionEnd{utc, s_.MessagesFound, context_.AbortRequested()});
}

// Every output closed; all of them put in place when each is complete (an
// aborted conversion's too), none of them when one is not.
bool Conversion::CloseOutputs(const ConversionEnd& end) {
  for (int i = 0; i < outputCount_; ++i) {
    if (!outputs_[i]->Close(context_, end)) failed_ = true;
  }
  if (failed_) {
    files_.Discard();
    return false;
  }
  std::vector<std::string> failures;
  if (files_.Commit(&failures)) return true;
  for (const std::string& text : failures) context_.Report("%s", text.c_str());
  context_.lastError.Set("%s", failures.front().c_str());
  return false;
}

}  // namespace

int32_t ConversionDriver(ConversionContext& context, DecoderState& state, const char* jpsPath,
                         const ConversionOptions& options, ConversionSink* const* outputs,
                         int outputCount) {
  // No exception may cross the host's call: memory that is short is a failure.
  std::unique_ptr<Conversion> conversion(
      new (std::nothrow) Conversion(context, state, options, outputs, outputCount));
  if (!conversion) {
    context.Report("ERROR: Not enough memory for measurements\n");
    context.lastError.Set("ERROR: Not enough memory for measurements");
    return -1;
  }
  bool started = conversion->Start(jpsPath);
  if (started) conversion->Loop();
  bool finished = started && conversion->Finish();
  // The decoder state must not point at what is gone.
  state.JpsStream = nullptr;
  state.StationOutput = nullptr;
  state.Tap = nullptr;
  return finished ? 0 : -1;
}

}  // namespace jps
