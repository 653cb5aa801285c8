// A RINEX observation file, 3.04 or 2.11, from epochs of observations. The
// header states what only the end knows (the types that occur, the first and
// last epoch, the interval, the mean position), so the body is written
// first, under a temporary name in the target folder, and the header put
// before it at the end; the caller then renames the file into place.
// 3.04: the body goes into the file's own temporary file, which is shifted
// in place by the header's length at the end, unless a type first met late
// took a column out of the header's order: then the body moves to a spool
// and comes back with its columns in order. 2.11 (satellite lines cut into
// lines of five values): the body is spooled beside the file and written
// after the header at the end.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "epoch/observation_epoch.h"
#include "support/gps_weeks.h"
#include "tools/rinex/observation_body.h"
#include "tools/rinex/pending_file.h"

namespace jpsrinex {

constexpr const char* kSpoolSuffix = ".body.part";

// The header's comment on a site whose antenna height was measured on the slant.
constexpr const char* kSlantHeightComment = "ANTENNA HEIGHT MEASURED ON THE SLANT";

// What the header says that the epochs do not.
struct ObservationHeader {
  std::string program;  // "jpsconv 1.0"
  std::string runBy;
  std::string runDate;  // "yyyymmdd hhmmss UTC"
  std::vector<std::string> comments;
  std::string markerName;
  std::string receiverType;
  std::string antennaType;
  double antennaHeight = 0;  // m, above the marker
  double interval = 0;       // s; 0: the most frequent spacing of the epochs
  bool hasLeapSeconds = false;
  int leapSeconds = 0;
};

class ObservationFile {
 public:
  explicit ObservationFile(RinexVersion version) : body_(version) {}
  RinexVersion version() const { return body_.types().version(); }

  // Creates the file's temporary file (temp; "" for path with ".part") and
  // the spool beside path.
  bool Create(const std::string& path, const std::string& temp, std::string* error);
  // Formats and spools an epoch; false when none of its satellites could be
  // written (then it is not counted).
  bool Add(const jps::ObservationEpoch& epoch);
  // An epoch left out of the file: its losses of lock mark the next phases.
  void LeftOut(const jps::ObservationEpoch& epoch) { body_.LeftOut(epoch); }

  const BodyTally& tally() const { return body_.tally(); }
  int64_t epochs() const { return body_.tally().epochs; }
  const jps::DateTime& first() const { return first_; }
  const jps::DateTime& last() const { return last_; }
  int32_t firstWeek() const { return firstWeek_; }
  double lastGpsTime() const { return lastGpsTime_; }
  // Blank fields of the types the header states for each system.
  int64_t BlankValues() const;
  // The most frequent spacing of the epochs written, s; 0 with fewer than two.
  double MostFrequentSpacing() const;

  // Writes header and body into the file's temporary file and closes it.
  bool Finish(const ObservationHeader& header, std::string* error);
  bool Rename(std::string* error) { return final_.Rename(error); }
  // The finished file is someone else's to put in place.
  void HandOver() { final_.HandOver(); }
  // Removes the temporary files (not a renamed file).
  void Discard();

 private:
  std::string Header(const ObservationHeader& h) const;
  // The columns of every list are in the header's order (3.04).
  bool BodyInTypeOrder() const;
  bool CopyBody(std::string* error);

  ObservationBody body_;
  std::string path_;
  PendingFile spool_, final_;
  PendingFile* bodyFile_ = nullptr;  // where the epochs go: final_ (3.04) or spool_
  jps::DateTime first_{}, last_{};
  int32_t firstWeek_ = -1;
  double lastGpsTime_ = 0;
  std::map<int64_t, int64_t> spacings_;  // ms between written epochs -> how often
  double positionSum_[3] = {0, 0, 0};
  int64_t positions_ = 0;
};

}  // namespace jpsrinex
