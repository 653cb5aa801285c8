#include "plugin/conversion_driver.h"

#include <cstring>
#include <new>

#include "epoch/continuity.h"
#include "epoch/greis_epoch.h"
#include "epoch/kel_writer.h"
#include "epoch/rm_epoch.h"
#include "ephemeris/epp_writers.h"
#include "greis/bulk_decode.h"
#include "greis/dispatch.h"
#include "greis/jps_input.h"
#include "greis/station_marks.h"
#include "plugin/conversion_switches.h"
#include "plugin/host_messages.h"
#include "plugin/paths.h"
#include "support/text_stream.h"

namespace jps {

ConversionSwitches Switches;

namespace {

// The JPS input and the STA output of the conversion (DecoderState points at them).
JpsInput TheJpsInput;
TextStream TheStaStream;

constexpr float kEpochInterval = 1.0f;
constexpr uint16_t kKelBufferSize = 4096;

void SetSwitches(const ConversionOptions& o) {
  Switches.gpsOnly = o.GpsOnly != 0;
  Switches.l1PhaseFromP1 = o.L1PhaseFromP1 != 0;
  Switches.dynamicMode = o.StartDynamic != 0;
  Switches.keepDamagedEpochs = o.KeepDamagedEpochs != 0;
  Switches.requireL2 = o.RequireL2 != 0;
  Switches.verbose = o.Verbose != 0;
  Switches.siteAwaitsSave = o.SiteAwaitsSave != 0;
}

// The host hears of progress once per 64 KiB of input (when a step crosses
// such a boundary of the input position) and once more at the end: a host
// that repaints on every call costs the conversion nothing, and one without
// a callback costs nothing either. Positions never go down. OnProgress takes
// 32-bit values: position and length are scaled together when the input is
// longer than 2 GiB.
constexpr int64_t kProgressStep = 1 << 16;

struct Progress {
  OnProgressFn callback = nullptr;
  int shift = 0;
  int64_t length = 0;
  int64_t next = INT64_MAX;   // the input position that is reported next
  void Start(int64_t fileLength) {
    const HostCallbacks* cb = HostCallbackPointer;
    callback = cb != nullptr ? cb->OnProgress : nullptr;
    length = fileLength;
    shift = 0;
    while ((fileLength >> shift) > INT32_MAX) ++shift;
    next = callback != nullptr ? kProgressStep : INT64_MAX;
  }
  // The position at which the decoder pauses for a report.
  int64_t PauseAt() const { return next; }
  // Reports the position when it reached the next boundary.
  void Step(int64_t position) {
    if (position < next) return;
    next = (position / kProgressStep + 1) * kProgressStep;
    Call(position);
  }
  // The final report, whatever the position.
  void Finish(int64_t position) const {
    if (callback != nullptr) Call(position);
  }

 private:
  void Call(int64_t position) const {
    if (position > length) position = length;
    callback(static_cast<int32_t>(position >> shift), static_cast<int32_t>(length >> shift));
  }
};

void ReportWriteError() { ReportMessage("Write Error: %s", ErrorText); }

// Closes what the start steps opened; the files stay on disk.
void CloseOutputs(KelWriter* kel, TextStream& epp) {
  epp.Close();
  TheStaStream.Close();
  TheJpsInput.Close();
  CloseKelFile(kel);
}

}  // namespace

int32_t ConversionDriver(const char* jpsPath, const char* kelPath, const char* eppPath,
                         const ConversionOptions& options) {
  // Start.
  DecoderState* s = &TheDecoderState;
  Decoder = s;
  ResetDecoder(s);
  ResetCameraPulseNumbers();
  SetSwitches(options);

  KelWriter* kel = CreateKelFile(kelPath, kJavadReceiverType, kEpochInterval, kKelBufferSize,
                                 kMaxChannels);
  if (kel == nullptr) {
    ReportMessage("ERROR: Could Not Open %s\n", kelPath);
    return -1;
  }
  KelEpoch epoch;
  KelMeasurement* measurements = new (std::nothrow) KelMeasurement[kMaxChannels];
  TextStream epp;
  if (measurements == nullptr) {
    ReportMessage("ERROR: Not enough memory for measurements\n");
    CloseOutputs(kel, epp);
    return -1;
  }
  std::memset(&epoch, 0, sizeof epoch);
  std::memset(measurements, 0, sizeof(KelMeasurement) * kMaxChannels);
  std::memset(Continuity.LockSeconds, 0, sizeof Continuity.LockSeconds);

  auto fail = [&]() {
    delete[] measurements;
    CloseOutputs(kel, epp);
    return -1;
  };
  if (!epp.Open(eppPath)) {
    ReportMessage("Could not open EPP file %s\n", eppPath);
    return fail();
  }
  epp.Write(kEppHeaderLine);

  char staPath[kDerivedPathSize];
  std::strncpy(staPath, eppPath, sizeof staPath - 1);
  staPath[sizeof staPath - 1] = '\0';
  ReplaceExtension(staPath, sizeof staPath, ".STA");
  if (!TheStaStream.Open(staPath)) {
    ReportMessage("Could not open STATION MARK file %s\n", staPath);
    return fail();
  }
  s->StaStream = &TheStaStream;
  TheStaStream.Write(kStaHeaderLine);

  if (!TheJpsInput.Open(jpsPath)) {
    ReportMessage("Could not open JPS file %s ", jpsPath);
    return fail();
  }
  s->JpsStream = &TheJpsInput;
  Progress progress;
  progress.Start(TheJpsInput.Length());

  // Loop.
  bool failed = false;  // an output could not be written or the input read
  auto writeEpoch = [&]() {
    if (WriteKelEpoch(kel, &epoch, measurements) != 0) {
      ReportWriteError();
      failed = true;
    }
    ++Counters.epochs;
  };
  auto reportRefusal = [&]() {
    if (ErrorText[0] != '\0') ReportMessage("%s", ErrorText);
  };
  // The decoder steps without an event are taken together; the decoder
  // pauses for an abort and at each progress boundary.
  for (;;) {
    DecoderEvent event = DecodeUntilEvent(s, progress.PauseAt());
    if (event < 0 || TheJpsInput.AtEnd()) break;
    progress.Step(TheJpsInput.Position());
    if (AbortRequested()) {
      SetErrorText("User Quit");
      break;
    }
    switch (event) {
      case kEventRmEpoch:
        if (options.SkipRmEpochs != 0) break;
        if (BuildRmEpoch(s, &epoch, measurements) != 0) {
          reportRefusal();
        } else {
          writeEpoch();
        }
        break;
      case kEventEpoch:
        if (options.SkipGreisEpochs != 0) {
          ClearEpochCounters(s);
          break;
        }
        if (BuildGreisEpoch(s, &epoch, measurements) != 0) {
          reportRefusal();
        } else {
          writeEpoch();
        }
        ClearEpochCounters(s);
        break;
      case kEventGpsEphemeris:
        SetErrorText("GPS Ephememeris received on PRN %d (Health OK)", s->GpsEphemerisRecord[0]);
        NotifyHost(TimeOfWeek(*s, ReceiverTimeMs(*s)), ErrorText);
        WriteGpsEph(*s, epp);
        ++Counters.ephemerides;
        break;
      case kEventGlnEphemeris:
        SetErrorText("GLONASS Ephememeris received on PRN %d", s->GlnEphemerisRecord[0]);
        NotifyHost(TimeOfWeek(*s, ReceiverTimeMs(*s)), ErrorText);
        WriteGlnEph(*s, epp);
        ++Counters.ephemerides;
        ++s->GlonassEphemerisCount;
        break;
      default:
        break;
    }
  }

  // End. An abort asked for in the last report ends the conversion as one
  // asked for earlier does.
  progress.Finish(TheJpsInput.Position());
  if (AbortRequested()) SetErrorText("User Quit");
  int utc = LeapSeconds(*s);
  if (utc == 0 && s->GlonassEphemerisCount != 0) {
    ReportMessage("\n");
    ReportMessage("WARNING: GPS - UTC Time Offset Missing\n");
    ReportMessage("Go to the EPP file and enter GpsIon { Utc: } by hand");
  }
  WriteGpsIon(epp, utc);
  if (s->MessagesFound == 0) ReportMessage("%s", kNotJpsText);
  if (Switches.verbose) ReportMessage("JPS Time base: %d ", s->ReceiverDate[4]);
  FlushPendingSite(s);

  delete[] measurements;
  // An input that could not be read to its end was not converted.
  if (TheJpsInput.ReadFailed()) {
    SetErrorText("Error: Unable to read %s", jpsPath);
    ReportMessage("Read Error: %s", ErrorText);
    failed = true;
  }
  if (!epp.Close()) {
    SetErrorText("Error: Unable to write to %s", eppPath);
    ReportWriteError();
    failed = true;
  }
  TheJpsInput.Close();
  s->JpsStream = nullptr;
  bool kelOk = true;
  CloseKelFile(kel, &kelOk);
  if (!kelOk) {
    ReportWriteError();
    failed = true;
  }
  if (!TheStaStream.Close()) {
    SetErrorText("Error: Unable to write to %s", staPath);
    ReportWriteError();
    failed = true;
  }
  s->StaStream = nullptr;
  return failed ? -1 : 0;
}

}  // namespace jps
