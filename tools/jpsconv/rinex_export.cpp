#include "tools/jpsconv/rinex_export.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include "support/receiver_types.h"
#include "tools/jpsconv/cli_common.h"
#include "tools/jpsconv/interrupt.h"
#include "tools/jpsconv/kel_reader.h"
#include "tools/jpsconv/platform.h"
#include "tools/jpsconv/rinex_epochs.h"
#include "tools/jpsconv/rinex_fields.h"
#include "tools/jpsconv/rinex_navigation.h"

#ifndef JPS_VERSION
#define JPS_VERSION "unknown"
#endif

namespace jpsconv {
namespace {

constexpr const char* kPendingSuffix = ".part";
constexpr const char* kProgram = "jpsconv " JPS_VERSION;
constexpr const char* kInterruptedText = "interrupted: no RINEX files written";

// A file written under a temporary name; Commit puts it in place. One that is
// never committed is removed.
class PendingFile {
 public:
  explicit PendingFile(std::string path) : path_(std::move(path)), temp_(path_ + kPendingSuffix) {}
  ~PendingFile() {
    if (file_ != nullptr) std::fclose(file_);
    if (!committed_) std::remove(temp_.c_str());
  }
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  bool Open(std::string* error) {
    file_ = std::fopen(temp_.c_str(), "wb");
    if (file_ == nullptr) *error = "cannot create " + temp_ + ": " + ErrnoText();
    return file_ != nullptr;
  }
  void Write(const std::string& text) {
    if (!failed_ && std::fwrite(text.data(), 1, text.size(), file_) != text.size()) {
      failed_ = true;
      errno_ = errno;
    }
  }
  // Flushes and closes; false when any write failed.
  bool Close(std::string* error) {
    bool closed = std::fclose(file_) == 0;
    if (!closed && !failed_) errno_ = errno;
    file_ = nullptr;
    if (failed_ || !closed) {
      errno = errno_;
      *error = "cannot write " + temp_ + ": " + ErrnoText();
      return false;
    }
    return true;
  }
  bool Commit(std::string* error) {
    std::string why = platform::RenameReplacing(temp_, path_);
    if (!why.empty()) {
      *error = "cannot rename " + temp_ + " to " + path_ + ": " + why;
      return false;
    }
    committed_ = true;
    return true;
  }

 private:
  std::string path_, temp_;
  std::FILE* file_ = nullptr;
  bool failed_ = false;
  bool committed_ = false;
  int errno_ = 0;
};

std::string RunDate() {
  std::time_t now = std::time(nullptr);
  std::tm utc = platform::UtcTime(now);
  char text[32];
  std::strftime(text, sizeof text, "%Y%m%d %H%M%S UTC", &utc);
  return text;
}

ObsHeader MakeObsHeader(const RinexSession& s, const EpochTally& t, const jps::KelHeader& kel,
                        const RinexOptions& options, const std::string& runDate) {
  ObsHeader h;
  h.program = kProgram;
  h.runDate = runDate;
  if (s.slantHeight) h.comments.push_back("ANTENNA HEIGHT MEASURED ON THE SLANT");
  h.markerName = s.markerName;
  h.receiverType = jps::ReceiverTypeName(kel.receiverType);
  h.antennaType = s.antennaType;
  h.hasPosition = t.hasPosition;
  if (t.hasPosition) GeodeticToEcef(t.latitude, t.longitude, t.height, h.position);
  h.antennaHeight = s.antennaHeight;
  h.interval = StatedInterval(t, options.interval);
  h.first = t.first;
  h.last = t.last;
  h.hasLeapSeconds = s.hasLeapSeconds;
  h.leapSeconds = s.leapSeconds;
  h.glonassSlots = s.slots.SlotChannels();
  return h;
}

void TakeTally(const EpochTally& t, RinexResult* r) {
  r->week = t.firstWeek;
  r->epochs = t.epochs;
  r->epochsLeftOut = t.leftOut;
  r->blankValues = t.blankValues;
  for (const auto& satellite : t.satellites) {
    ++(satellite.first == kGpsSystem ? r->gpsSatellites : r->glonassSatellites);
  }
  for (const auto& [name, why] : t.satellitesLeftOut)
    r->satellitesLeftOut.push_back(name + ": " + why);
}

// The second pass: the same epochs again, written. kExported, or what went
// wrong with *error saying why.
RinexStatus WriteObservations(const std::string& kel, int64_t epochsRead, RinexSession* session,
                              const RinexOptions& options, PendingFile* obs, int64_t* outOfRange,
                              std::string* error) {
  KelReader reader;
  bool cannotOpen = false;
  *error = reader.Open(kel, &cannotOpen);
  if (!error->empty()) return RinexStatus::kFailed;
  EpochBuilder builder(session, options);
  jps::KelEpoch epoch{};
  std::vector<jps::KelMeasurement> measurements;
  ObsEpoch out;
  for (int64_t n = 0; n < epochsRead; ++n) {
    if (Interrupted()) {
      *error = kInterruptedText;
      return RinexStatus::kInterrupted;
    }
    if (reader.Next(&epoch, &measurements) != KelReader::kEpoch) {
      *error = kel + " changed while it was read";
      return RinexStatus::kFailed;
    }
    if (builder.Build(epoch, measurements, &out, nullptr))
      obs->Write(FormatObsEpoch(out, outOfRange));
  }
  return RinexStatus::kExported;
}

struct FirstPass {
  EpochTally tally;
  int64_t epochsRead = 0;
  std::string damage;  // why the KEL file ends early, "" when it is whole
};

// Reads every epoch as the export will write it and tallies them; false when
// interrupted.
bool ReadEpochs(const std::string& kel, KelReader* reader, RinexSession* session,
                const RinexOptions& options, FirstPass* pass) {
  EpochBuilder builder(session, options);
  jps::KelEpoch epoch{};
  std::vector<jps::KelMeasurement> measurements;
  ObsEpoch out;
  for (;;) {
    if (Interrupted()) return false;
    KelReader::Step step = reader->Next(&epoch, &measurements);
    if (step == KelReader::kEnd) return true;
    if (step == KelReader::kBad) {
      pass->damage = kel + " is damaged: " + reader->error();
      return true;
    }
    ++pass->epochsRead;
    builder.Build(epoch, measurements, &out, &pass->tally);
  }
}

}  // namespace

std::string RinexOutputPath(const std::string& kel, const std::string& folder,
                            const std::string& extension) {
  std::string path = WithExtension(kel, extension);
  if (folder.empty()) return path;
  return InFolder(folder, BaseName(path));
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

RinexResult ExportRinex(const std::string& kel, const RinexOptions& options) {
  auto start = std::chrono::steady_clock::now();
  RinexResult r;
  r.kel = kel;
  auto finish = [&](RinexStatus status, const std::string& message) {
    r.status = status;
    r.message = message;
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return r;
  };
  std::string obsPath = RinexOutputPath(kel, options.outputFolder, ".obs");
  std::string navPath = RinexOutputPath(kel, options.outputFolder, ".nav");
  for (const std::string& out : {obsPath, navPath}) {
    if (out == kel || SameFile(out, kel)) {
      return finish(RinexStatus::kFailed, "the output " + out + " would overwrite the input");
    }
  }
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
  r.gpsRecords = session.gpsRecords;
  r.glonassRecords = session.glonassRecords;
  r.recordsLeftOut = session.recordsLeftOut;

  // First pass: what the header states and how many epochs there are.
  FirstPass first;
  if (!ReadEpochs(kel, &reader, &session, options, &first)) {
    return finish(RinexStatus::kInterrupted, kInterruptedText);
  }
  const EpochTally& tally = first.tally;
  int64_t epochsRead = first.epochsRead;
  const std::string& damage = first.damage;
  TakeTally(tally, &r);
  if (tally.epochs == 0) {
    std::string why = epochsRead == 0 ? "it holds no epoch" : "none of its epochs is taken";
    return finish(RinexStatus::kRejected,
                  damage.empty() ? "nothing to export from " + kel + ": " + why : damage);
  }

  std::string runDate = RunDate();
  PendingFile obs(obsPath), nav(navPath);
  if (!obs.Open(&error) || !nav.Open(&error)) return finish(RinexStatus::kFailed, error);
  obs.Write(FormatObsHeader(MakeObsHeader(session, tally, reader.header(), options, runDate)));
  RinexStatus written =
      WriteObservations(kel, epochsRead, &session, options, &obs, &r.valuesOutOfRange, &error);
  if (written != RinexStatus::kExported) return finish(written, error);
  NavHeader navHeader{kProgram, runDate, session.hasLeapSeconds, session.leapSeconds};
  nav.Write(FormatNavHeader(navHeader) + session.navRecords);
  if (!obs.Close(&error) || !nav.Close(&error)) return finish(RinexStatus::kFailed, error);
  if (!obs.Commit(&error)) return finish(RinexStatus::kFailed, error);
  if (!nav.Commit(&error)) {
    std::remove(obsPath.c_str());  // the two go together
    return finish(RinexStatus::kFailed, error);
  }
  r.obs = obsPath;
  r.nav = navPath;
  if (!damage.empty()) {
    return finish(RinexStatus::kRejected, damage + "; the RINEX files hold the " +
                                              std::to_string(epochsRead) + " epochs before it");
  }
  return finish(RinexStatus::kExported, "");
}

}  // namespace jpsconv
