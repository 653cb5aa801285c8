#include "plugin/kel_output.h"

#include <cerrno>
#include <cstring>

#include "ephemeris/epp_writers.h"
#include "epoch/kel_writer.h"
#include "greis/ephemeris_views.h"
#include "support/path_helpers.h"

namespace jps {
namespace {

constexpr float kEpochInterval = 1.0f;
constexpr uint16_t kKelBufferSize = 4096;

}  // namespace

void KelOutput::KelCloser::operator()(KelWriter* w) const { CloseKelFile(w); }

KelOutput::KelOutput(const char* kelPath, const char* eppPath) {
  std::strncpy(kelPath_, kelPath, sizeof kelPath_ - 1);
  std::strncpy(eppPath_, eppPath, sizeof eppPath_ - 1);
  std::strncpy(staPath_, eppPath, sizeof staPath_ - 1);
  ReplaceExtension(staPath_, sizeof staPath_, ".STA");
}

KelOutput::~KelOutput() = default;

bool KelOutput::Open(ConversionContext& context, OutputFiles& files) {
  context_ = &context;
  FailureText failure;
  const char* kelFile = files.Add(kelPath_);
  if (kelFile != nullptr) {
    kel_.reset(CreateKelFile(kelFile, kGreisReceiverType, kEpochInterval, kKelBufferSize,
                             kMaxChannels, &failure, kelPath_));
  }
  if (!kel_) {
    int error = errno;
    context.Report("ERROR: Could Not Open %s\n", kelPath_);
    context.ReportFileFailure(kelPath_, error);
    return false;
  }
  if (!epp_.Open(files.Add(eppPath_))) {
    context.Report("Could not open EPP file %s\n", eppPath_);
    context.ReportFileFailure(eppPath_, epp_.error());
    return false;
  }
  epp_.Write(kEppHeaderLine);
  if (!sta_.Open(files.Add(staPath_))) {
    context.Report("Could not open STATION MARK file %s\n", staPath_);
    context.ReportFileFailure(staPath_, sta_.error());
    return false;
  }
  WriteStaTitle(sta_);
  return true;
}

// Every failed write is told; the system's reason once, with the first.
void KelOutput::ReportWriteError(const FailureText& failure, const char* path, int error) {
  context_->Report("Write Error: %s", failure.c_str());
  context_->lastError.Set("%s", failure.c_str());
  if (!failed_) context_->ReportFileFailure(path, error);
  failed_ = true;
}

// A failed write is told and counted like a written epoch; the conversion goes on.
void KelOutput::OnKelEpoch(const KelEpoch& epoch, const KelMeasurement* measurements) {
  epoch_ = epoch;
  int count = epoch.measurementCount;
  if (count > kMaxChannels) count = kMaxChannels;
  if (count > 0) std::memcpy(measurements_, measurements, sizeof(KelMeasurement) * count);
  FailureText failure;
  if (WriteKelEpoch(kel_.get(), &epoch_, measurements_, &failure) != 0) {
    ReportWriteError(failure, kelPath_, errno);
  }
  ++context_->counters.epochs;
}

void KelOutput::OnEphemeris(const EphemerisMessage& m) {
  if (m.Is("GE")) {
    WriteGpsEph(GpsEphemerisView(m.body, m.length), epp_, *context_);
  } else if (m.Is("NE")) {
    WriteGlnEph(GlonassEphemerisView(m.body, m.length), epp_, *context_);
  } else {
    return;   // the EPP file holds GPS and GLONASS only
  }
  ++context_->counters.ephemerides;
}

void KelOutput::OnStationLine(const StaLine& line) {
  WriteStaLine(sta_, line);
  if (line.kind == StaLineKind::kStation) ++context_->counters.stationMarks;
  if (line.kind == StaLineKind::kCameraPulse) ++context_->counters.eventMarks;
}

bool KelOutput::Close(ConversionContext& context, const ConversionEnd& end) {
  context_ = &context;
  WriteGpsIon(epp_, end.leapSeconds);
  FailureText failure;
  if (!epp_.Close()) {
    failure.Set("Error: Unable to write to %s", eppPath_);
    ReportWriteError(failure, eppPath_, epp_.error());
  }
  bool kelOk = true;
  CloseKelFile(kel_.release(), &kelOk, &failure);
  if (!kelOk) ReportWriteError(failure, kelPath_, errno);
  if (!sta_.Close()) {
    failure.Set("Error: Unable to write to %s", staPath_);
    ReportWriteError(failure, staPath_, sta_.error());
  }
  return !failed_;
}

}  // namespace jps
