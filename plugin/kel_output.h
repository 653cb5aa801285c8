// The host's outputs of a conversion: the KEL raw-observation file, the EPP
// ephemeris file and the STA station-mark file beside it.
#pragma once

#include <memory>

#include "plugin/conversion_sink.h"
#include "support/kel_file.h"
#include "support/text_stream.h"

namespace jps {

// Path buffers hold a 255-character path and a new four-character extension.
constexpr size_t kDerivedPathSize = kPathSize + 8;

class KelOutput final : public ConversionSink {
 public:
  // The STA file takes the EPP path with the extension ".STA".
  KelOutput(const char* kelPath, const char* eppPath);
  ~KelOutput() override;

  bool Open(ConversionContext& context, OutputFiles& files) override;
  void OnKelEpoch(const KelEpoch& epoch, const KelMeasurement* measurements) override;
  void OnEphemeris(const EphemerisMessage& message) override;
  void OnStationLine(const StaLine& line) override;
  bool Close(ConversionContext& context, const ConversionEnd& end) override;

 private:
  void ReportWriteError(const FailureText& failure, const char* path, int error);

  struct KelCloser {
    void operator()(KelWriter* w) const;
  };

  ConversionContext* context_ = nullptr;
  std::unique_ptr<KelWriter, KelCloser> kel_;
  TextStream epp_;
  TextStream sta_;
  char kelPath_[kDerivedPathSize] = "";
  char eppPath_[kDerivedPathSize] = "";
  char staPath_[kDerivedPathSize] = "";
  KelEpoch epoch_{};   // the writer sets the record sizes of what it writes
  KelMeasurement measurements_[kMaxChannels] = {};
  bool failed_ = false;
};

}  // namespace jps
