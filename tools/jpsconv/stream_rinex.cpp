#include "tools/jpsconv/stream_rinex.h"

#include <ctime>

#include "epoch/kel_writer.h"
#include "plugin/jav_dll.h"
#include "support/receiver_types.h"
#include "tools/jpsconv/cli_common.h"
#include "tools/jpsconv/rinex_report.h"

namespace jpsconv {
namespace {

RinexStatus StatusOf(Outcome outcome) {
  switch (outcome) {
    case Outcome::kConverted:
      return RinexStatus::kExported;
    case Outcome::kAborted:
    case Outcome::kInterrupted:
      return RinexStatus::kInterrupted;
    case Outcome::kRejected:
    case Outcome::kNotJps:
      return RinexStatus::kRejected;
    case Outcome::kFailed:
    case Outcome::kNotStarted:
      return RinexStatus::kFailed;
  }
  return RinexStatus::kFailed;
}

}  // namespace

StreamRinex::StreamRinex(const std::string& input, const std::string& namedAfter,
                         const RinexOptions& options)
    : input_(input) {
  jpsrinex::RinexSinkOptions& o = options_;
  std::vector<std::string> paths = RinexOutputPaths(namedAfter, options);
  o.obsPath = paths[0];
  o.navPath = paths[1];
  if (paths.size() > 2) o.glonassNavPath = paths[2];
  o.version = options.version;
  o.from = options.from;
  o.to = options.to;
  o.interval = options.interval;
  o.program = RinexProgramName();
  o.runTime = static_cast<int64_t>(std::time(nullptr));
  o.markerName = BaseName(WithExtension(namedAfter, ""));
  o.receiverType = jps::ReceiverTypeName(jps::kGreisReceiverType);
  sink_ = std::make_unique<jpsrinex::RinexSink>(o);
}

std::string StreamRinex::Check() const {
  return OverwritesInput({options_.obsPath, options_.navPath, options_.glonassNavPath}, input_);
}

RinexResult StreamRinex::Result(const ConversionResult& conversion) const {
  RinexResult r;
  r.input = input_;
  r.seconds = conversion.seconds;
  r.status = StatusOf(conversion.outcome);
  r.message = conversion.message;
  const jpsrinex::RinexCounts& c = sink_->counts();
  r.week = c.firstWeek;
  r.epochs = c.epochsWritten;
  r.epochsLeftOut = c.epochsNotAfter + c.epochsOutside + c.epochsEmpty;
  r.blankValues = c.blankValues;
  r.valuesOutOfRange = c.valuesOutOfRange;
  for (int s = 0; s < jps::kGnssSystemCount; ++s) {
    r.satellites[s] = c.satellites[s];
    r.records[s] = c.records[s];
  }
  if (c.recordsRepeated > 0) r.recordsLeftOut[kRepeatedEphemeris] = c.recordsRepeated;
  if (c.recordsUnusable > 0) r.recordsLeftOut["incomplete or unnamed"] = c.recordsUnusable;
  if (c.recordsNoPlace > 0) r.recordsLeftOut["no RINEX 2.11 file for the system"] = c.recordsNoPlace;
  bool written = r.status == RinexStatus::kExported || r.status == RinexStatus::kInterrupted;
  if (written && !sink_->empty() && sink_->error().empty()) {
    r.obs = options_.obsPath;
    r.nav = options_.navPath;
    r.glonassNav = options_.glonassNavPath;
  } else if (sink_->empty()) {
    r.status = RinexStatus::kRejected;
    r.message = sink_->error();
  } else if (!sink_->error().empty()) {
    r.message = sink_->error();
  }
  return r;
}

RinexResult ExportRinexFromStream(const std::string& jps, const RinexOptions& options,
                                  const ConversionHooks& hooks) {
  StreamRinex rinex(jps, jps, options);
  RinexResult r;
  r.input = jps;
  r.message = rinex.Check();
  if (!r.message.empty()) return r;
  // The request takes a KEL path; no KEL file is made.
  ConversionJob job{jps, WithExtension(jps, ".kel")};
  jps::ConversionOptions defaults{};
  SetFactoryDefaults(jps::kOptionsSize, &defaults);
  ConversionResult conversion =
      RunConversion(job, defaults, hooks, ExtraOutput{{rinex.sink()}, false});
  return rinex.Result(conversion);
}

}  // namespace jpsconv
