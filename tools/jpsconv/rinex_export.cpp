#include "tools/jpsconv/rinex_export.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>

#include "support/receiver_types.h"
#include "tools/jpsconv/cli_common.h"
#include "tools/jpsconv/interrupt.h"
#include "tools/jpsconv/kel_reader.h"
#include "tools/jpsconv/platform.h"
#include "tools/jpsconv/rinex_epochs.h"
#include "tools/rinex/observation_file.h"
#include "tools/rinex/time_order.h"

#ifndef JPS_VERSION
#define JPS_VERSION "unknown"
#endif

namespace jpsconv {
namespace {

constexpr const char* kInterruptedText = "interrupted: no RINEX files written";

jpsrinex::ObservationHeader MakeObsHeader(const RinexSession& s, const jps::KelHeader& kel,
                                          const RinexOptions& options, const std::string& runDate) {
  jpsrinex::ObservationHeader h;
  h.program = RinexProgramName();
  h.runDate = runDate;
  if (s.slantHeight) h.comments.push_back(jpsrinex::kSlantHeightComment);
  h.markerName = s.markerName;
  h.receiverType = jps::ReceiverTypeName(kel.receiverType);
  h.antennaType = s.antennaType;
  h.antennaHeight = s.antennaHeight;
  h.interval = options.interval;
  h.hasLeapSeconds = s.hasLeapSeconds;
  h.leapSeconds = s.leapSeconds;
  return h;
}

void TakeCounts(const jpsrinex::ObservationFile& obs, const RinexSession& session,
                const EpochTally& tally, RinexResult* r) {
  const jpsrinex::BodyTally& t = obs.tally();
  r->week = obs.firstWeek();
  r->epochs = obs.epochs();
  r->epochsLeftOut = tally.leftOut;
  r->blankValues = obs.BlankValues();
  r->valuesOutOfRange = t.valuesOutOfRange;
  for (const auto& nav : session.navs) r->valuesOutOfRange += nav->valuesOutOfRange();
  for (int system = 0; system < jps::kGnssSystemCount; ++system) {
    r->satellites[system] = t.SatelliteCount(system);
  }
  for (const auto& [name, why] : tally.satellitesLeftOut)
    r->satellitesLeftOut.push_back(name + ": " + why);
  r->timeRuns = tally.timeRuns;
  for (int system = 0; system < jps::kGnssSystemCount; ++system) {
    for (const auto& nav : session.navs) {
      r->records[system] += nav->records(static_cast<jps::GnssSystem>(system));
    }
  }
}

struct Pass {
  EpochTally tally;
  int64_t epochsRead = 0;
  std::string damage;  // why the KEL file ends early, "" when it is whole
};

// Reads every epoch and writes those taken; false when interrupted.
bool WriteEpochs(const std::string& kel, KelReader* reader, RinexSession* session,
                 const RinexOptions& options, jpsrinex::ObservationFile* obs, Pass* pass) {
  LossOfLock lossOfLock;
  LossOfLockOfKelFile(kel, &lossOfLock);   // a file it cannot read has no epoch either
  EpochBuilder builder(session, options, lossOfLock);
  jps::KelEpoch epoch{};
  std::vector<jps::KelMeasurement> measurements;
  std::unique_ptr<jps::ObservationEpoch> out(new jps::ObservationEpoch());
  jpsrinex::TimeOrder order;
  auto tell = [&](const std::string& run) {
    if (!run.empty()) pass->tally.timeRuns.push_back(run);
  };
  for (;;) {
    if (Interrupted()) return false;
    KelReader::Step step = reader->Next(&epoch, &measurements);
    if (step == KelReader::kEnd) {
      tell(order.Finish());
      return true;
    }
    if (step == KelReader::kBad) {
      pass->damage = kel + " is damaged: " + reader->error();
      tell(order.Finish());
      return true;
    }
    ++pass->epochsRead;
    if (!builder.Build(epoch, measurements, out.get(), &pass->tally)) {
      obs->LeftOut(*out);
      continue;
    }
    double gpsTime = jpsrinex::GpsSeconds(out->week, out->timeOfWeek);
    if (!order.Takes(gpsTime)) {
      obs->LeftOut(*out);
      ++pass->tally.leftOut;
    } else if (!obs->Add(*out)) {
      ++pass->tally.leftOut;
    } else {
      tell(order.Written(gpsTime));
    }
  }
}

}  // namespace

const char* RinexProgramName() { return "jpsconv " JPS_VERSION; }

std::string RinexOutputPath(const std::string& input, const std::string& folder,
                            const std::string& extension) {
  std::string path = WithExtension(input, extension);
  if (folder.empty()) return path;
  return InFolder(folder, BaseName(path));
}

std::vector<std::string> RinexOutputPaths(const std::string& input, const RinexOptions& options) {
  std::vector<std::string> paths = {RinexOutputPath(input, options.outputFolder, ".obs"),
                                    RinexOutputPath(input, options.outputFolder, ".nav")};
  if (options.version == jpsrinex::RinexVersion::k211) {
    paths.push_back(RinexOutputPath(input, options.outputFolder, ".gnav"));
  }
  return paths;
}

const char* RinexStatusName(RinexStatus status) {
  switch (status) {
    case RinexStatus::kExported:
      return "exported";
    case RinexStatus::kRejected:
      return "rejected";
    case RinexStatus::kFailed:
      return "failed";
    case RinexStatus::kInterrupted:
      return "interrupted";
  }
  return "failed";
}

int RinexExitStatus(RinexStatus status) {
  switch (status) {
    case RinexStatus::kExported:
      return kExitOk;
    case RinexStatus::kRejected:
    case RinexStatus::kInterrupted:
      return kExitRejected;
    case RinexStatus::kFailed:
      return kExitFileError;
  }
  return kExitFileError;
}

namespace {

// Finishes the files and puts them in place together; "" or why not.
std::string PutInPlace(jpsrinex::ObservationFile& obs, RinexSession& session,
                       const jpsrinex::ObservationHeader& header,
                       const jpsrinex::NavHeader& navHeader,
                       const std::vector<std::string>& paths) {
  std::string error;
  if (!obs.Finish(header, &error)) return error;
  for (auto& nav : session.navs) {
    if (!nav->Finish(navHeader, &error)) return error;
  }
  if (!obs.Rename(&error)) return error;
  for (size_t i = 0; i < session.navs.size(); ++i) {
    if (session.navs[i]->Rename(&error)) continue;
    for (size_t j = 0; j <= i; ++j) std::remove(paths[j].c_str());  // they go together
    return error;
  }
  return "";
}

}  // namespace

RinexResult ExportRinex(const std::string& kel, const RinexOptions& options) {
  auto start = std::chrono::steady_clock::now();
  RinexResult r;
  r.input = kel;
  auto finish = [&](RinexStatus status, const std::string& message) {
    r.status = status;
    r.message = message;
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return r;
  };
  std::vector<std::string> paths = RinexOutputPaths(kel, options);
  std::string overwrites = OverwritesInput(paths, kel);
  if (!overwrites.empty()) return finish(RinexStatus::kFailed, overwrites);
  KelReader reader;
  bool cannotOpen = false;
  std::string error = reader.Open(kel, &cannotOpen);
  if (!error.empty())
    return finish(cannotOpen ? RinexStatus::kFailed : RinexStatus::kRejected, error);
  RinexSession session;
  SessionFailure failure;
  if (!LoadRinexSession(kel, reader.header(), options, &session, &failure)) {
    return finish(failure.fileError ? RinexStatus::kFailed : RinexStatus::kRejected,
                  failure.message);
  }
  r.recordsLeftOut = session.recordsLeftOut;

  // The observation file is spooled beside its place while the epochs are
  // read; the files are put in place together at the end.
  jpsrinex::ObservationFile obs(options.version);
  bool created = obs.Create(paths[0], "", &error);
  for (size_t i = 0; created && i < session.navs.size(); ++i) {
    created = session.navs[i]->Create(paths[i + 1], "", &error);
  }
  if (!created) return finish(RinexStatus::kFailed, error);
  Pass pass;
  if (!WriteEpochs(kel, &reader, &session, options, &obs, &pass)) {
    return finish(RinexStatus::kInterrupted, kInterruptedText);
  }
  TakeCounts(obs, session, pass.tally, &r);
  if (obs.epochs() == 0) {
    std::string why = pass.epochsRead == 0 ? "it holds no epoch" : "none of its epochs is taken";
    return finish(RinexStatus::kRejected,
                  pass.damage.empty() ? "nothing to export from " + kel + ": " + why : pass.damage);
  }
  std::string runDate = jpsrinex::RunDateText(static_cast<int64_t>(std::time(nullptr)));
  jpsrinex::NavHeader navHeader{RinexProgramName(), "", runDate, session.hasLeapSeconds, session.leapSeconds};
  error = PutInPlace(obs, session, MakeObsHeader(session, reader.header(), options, runDate),
                     navHeader, paths);
  if (!error.empty()) return finish(RinexStatus::kFailed, error);
  r.obs = paths[0];
  r.nav = paths[1];
  if (paths.size() > 2) r.glonassNav = paths[2];
  if (!pass.damage.empty()) {
    return finish(RinexStatus::kRejected, pass.damage + "; the RINEX files hold the " +
                                              std::to_string(pass.epochsRead) + " epochs before it");
  }
  return finish(RinexStatus::kExported, "");
}

}  // namespace jpsconv
