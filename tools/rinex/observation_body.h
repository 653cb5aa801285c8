// The body of a RINEX observation file as it is spooled while the epochs
// arrive: per epoch the epoch line (3.04: "> yyyy mm dd hh mm ss.sssssss  0nnn"
// and the receiver clock offset; 2.11: the epoch with its satellite list, 12
// satellites a line) and per satellite one line, its name and its values in
// the order of the columns of its list (observation_types.h), each value
// F14.3 with its loss-of-lock and signal-strength indicators. The files are
// put together from this spool at the end (observation_file.h): 2.11
// satellite lines then lose their name and are cut into lines of five values.
#pragma once

#include <cstddef>
#include <cstdint>

#include "epoch/observation_epoch.h"
#include "support/gps_weeks.h"
#include "tools/rinex/cnr_fields.h"
#include "tools/rinex/lock_carry.h"
#include "tools/rinex/observation_types.h"

namespace jpsrinex {

constexpr int kValueFieldWidth = kObservationFieldWidth;  // F14.3, I1 loss of lock, I1 signal strength
constexpr int kSatellitesPerEpochLine2 = 12;
// The most text an epoch of that many satellites can take in the body.
constexpr size_t EpochTextBound(int satellites) {
  return 64 + 96 * static_cast<size_t>(satellites / kSatellitesPerEpochLine2 + 1) +
         static_cast<size_t>(satellites) * (kSatelliteIdWidth + kValueFieldWidth * kMaxTypes + 1);
}
constexpr size_t kMaxEpochText = EpochTextBound(jps::kMaxStreamSatellites);

// Ends the line begun at begin at end, without its trailing blanks; returns
// where the next line begins.
inline char* TrimmedLineEnd(char* begin, char* end) {
  while (end > begin && end[-1] == ' ') --end;
  *end = '\n';
  return end + 1;
}

// What the epochs written so far hold.
struct BodyTally {
  int64_t epochs = 0;
  int64_t records[jps::kGnssSystemCount] = {};  // satellite records by system
  int64_t values[jps::kGnssSystemCount] = {};   // values written by system
  int64_t valuesOutOfRange = 0;                 // too large for their field: blank
  uint64_t satellites[jps::kGnssSystemCount] = {};  // bit per satellite number
  // The distinct satellites of a system written.
  int SatelliteCount(int system) const {
    int count = 0;
    for (int n = 1; n <= kMaxSatelliteNumber; ++n) count += (satellites[system] >> n) & 1 ? 1 : 0;
    return count;
  }
  int8_t glonassChannel[kMaxSatelliteNumber + 1] = {};  // by slot, when its bit is set
  // Satellites left out of epochs, each time.
  int64_t leftOutNoSlot = 0;      // GLONASS satellites whose slot is not known
  int64_t leftOutSystem = 0;      // QZSS and BeiDou in a 2.11 file
  int64_t leftOutNoValue = 0;     // no value that the version has a type for
  int64_t leftOutRepeated = 0;    // a second record of a satellite in one epoch
  int64_t leftOutBadNumber = 0;   // a number RINEX cannot name
};

// The fields of the satellite lines of a system whose signals bring one set
// of values (the key: the SignalValue bits of each slot's typed values, four
// bits a slot): each value's slot, kind and column in the order they are
// written, the columns filled and the line's width. Made with the first line
// that brings the set; a column once given is kept, so the layout serves
// every later line with the same set. A system keeps a few: its satellites
// send different signals.
struct LineLayout {
  static constexpr uint32_t kNoKey = ~uint32_t{0};
  static constexpr int kMaxValues = jps::kSignalSlotCount * kKindCount;
  uint32_t key = kNoKey;
  int count = 0;
  int width = 0;         // columns
  uint32_t filled = 0;   // bit per column
  uint8_t slot[kMaxValues];
  uint8_t kind[kMaxValues];
  uint8_t column[kMaxValues];
};

class ObservationBody {
 public:
  explicit ObservationBody(RinexVersion version);
  const ObservationTypes& types() const { return types_; }
  const ColumnOrder& columns(int list) const { return columns_[list]; }
  const BodyTally& tally() const { return tally_; }

  // Writes the epoch at time into out, which has room for
  // EpochTextBound(epoch.satelliteCount) characters; returns how many were
  // written, 0 when no satellite of the epoch could be written (nothing is
  // then counted as written).
  size_t Format(const jps::ObservationEpoch& epoch, const jps::DateTime& time, char* out);
  // An epoch the file leaves out: its losses of lock go to the next phases.
  void LeftOut(const jps::ObservationEpoch& epoch) { lockCarry_.LeftOut(epoch); }

 private:
  // Chooses the satellites to write into order_ (by system, then number).
  int Choose(const jps::ObservationEpoch& epoch);
  char* SatelliteLine(const jps::SatelliteValues& s, char* out);
  // The layout of the satellite's line, made when its set of values is new.
  const LineLayout& LayoutOf(const jps::SatelliteValues& s);
  char* EpochLine(const jps::ObservationEpoch& epoch, const jps::DateTime& time, int count,
                  char* out);

  ObservationTypes types_;
  ColumnOrder columns_[kMaxLists];
  BodyTally tally_;
  uint8_t order_[jps::kMaxStreamSatellites];
  // The values (SignalValue bits) of each system's slot that the version has types for.
  uint8_t typed_[jps::kGnssSystemCount][jps::kSignalSlotCount];
  static constexpr int kLayoutsPerSystem = 8;
  LineLayout layouts_[jps::kGnssSystemCount][kLayoutsPerSystem];
  uint8_t nextLayout_[jps::kGnssSystemCount] = {};  // the one a new set replaces
  CnrFields cnrFields_;
  LockCarry lockCarry_;
};

}  // namespace jpsrinex
