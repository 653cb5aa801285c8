// The figures of the data-quality report, worked out from the epochs of a
// KEL file (fed one by one, in file order) and the marks of its STA file.
// Nothing here reads files or writes text; qc_input reads, the qc_*_writer
// units write.
//
// Times are seconds of the GPS week of the first epoch, made continuous: an
// epoch after the end of that week counts on from 604800.
//
// Definitions:
//   - a cycle slip is an epoch at which the satellite's lock count falls back
//     to 1 (or 0) from more than 1 since the file's previous epoch, in which
//     the satellite was present too;
//   - a lock is a run of successive epochs of the file in which the satellite
//     has its L1 phase and a lock count above 1 after the run's first epoch
//     (the converter writes 1 wherever the lock restarted or the L1
//     measurement was bad); its length is the time from its first to its
//     last epoch;
//   - the interval is the most frequent step between successive epochs; a gap
//     is a step of more than 1.5 intervals;
//   - multipath arcs run in the same way while both phases are present
//     (qc_multipath.h).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "support/kel_records.h"
#include "tools/jpsconv/qc_multipath.h"

namespace jpsconv {

// What a satellite's epoch holds, for the picture.
enum class Tracking : uint8_t {
  kDualPhase,  // L1 and L2 phase
  kL1Phase,    // L1 phase without L2 phase
  kCodeOnly,   // no L1 phase: code or Doppler only
};
constexpr int kTrackingKinds = 3;

// Successive epochs of one kind, between two epoch times (both included).
struct QcRun {
  double start = 0, end = 0;
  Tracking kind = Tracking::kDualPhase;
};

struct QcSatellite {
  int number = 0;
  long epochs = 0;  // epochs in which the satellite has a record
  long l1Code = 0, l1Phase = 0, doppler = 0, l2Code = 0, l2Phase = 0;  // epochs with each
  std::vector<double> slips;                                           // times
  double longestLock = 0;                                              // seconds
  MultipathArcs mp1, mp2;
  std::vector<QcRun> runs;
};

struct QcGap {
  double start = 0;  // time of the first missing epoch
  long epochs = 0;   // epochs missing
  double seconds = 0;
};

// A span of epochs in one survey mode (the kinematic flag of the epochs).
struct QcSpan {
  double start = 0, end = 0;  // first and last epoch
  bool kinematic = false;
  long epochs = 0;
};

enum class QcMarkKind { kStation, kModeChange, kSiteCanceled, kCameraPulse };

// A line of the STA file.
struct QcMark {
  QcMarkKind kind = QcMarkKind::kStation;
  bool hasTime = false;  // a cancelled site has no time
  double time = 0;
  std::string name, description, antenna;  // station; name also for a cancelled site
  double antennaHeight = 0;
  bool kinematic = false;  // mode change
  int pulse = 0;           // camera pulse
};

struct QcReport {
  std::string kel, epp, sta;  // the files read ("" when absent)
  bool hasWeek = false;
  int32_t week = 0;  // whole GPS week of the first epoch, when hasWeek
  long present = 0;  // epochs in the file
  long expected = 0;
  long outOfOrder = 0;    // epochs not later than the one before them
  long unusableTime = 0;  // epochs whose time is no time of week, left out
  double first = 0, last = 0, interval = 0;
  std::vector<QcGap> gaps;
  std::vector<QcSpan> spans;
  std::vector<QcMark> marks;
  std::vector<QcSatellite> satellites;  // GPS by number, then GLONASS, then others
  std::string damage;                   // why the file could not be read to its end
};

// True for a time that can be a time of week, with room for a week either
// side; epochs and marks at other times (a damaged file) are left out.
bool IsTimeOfWeek(double t);

// Per-observable totals over all records, and the pooled multipath.
struct QcTotals {
  int gps = 0, glonass = 0, other = 0;
  long records = 0, l1Code = 0, l1Phase = 0, doppler = 0, l2Code = 0, l2Phase = 0;
  long slips = 0;
  double mp1 = 0, mp2 = 0;  // RMS over every satellite's arcs; 0 when none
  long mp1Epochs = 0, mp2Epochs = 0;
};
QcTotals Totals(const QcReport& report);

// The satellites that stand out, worst first, at most `most` of each.
struct QcWorst {
  std::vector<const QcSatellite*> slips;     // most slips (at least one)
  std::vector<const QcSatellite*> mp1, mp2;  // highest multipath
  std::vector<const QcSatellite*> l2Phase;   // smallest share of epochs with L2 phase
};
QcWorst Worst(const QcReport& report, size_t most);

// Works out the figures epoch by epoch.
class QcAccumulator {
 public:
  void AddEpoch(const jps::KelEpoch& epoch, const std::vector<jps::KelMeasurement>& measurements);
  // A line of the STA file, its time as seconds of week.
  void AddMark(const QcMark& mark) { marks_.push_back(mark); }
  // Ends every running lock, arc and run; fills the report's session, gaps,
  // spans, marks and satellites (the files, the week and the damage are the
  // caller's).
  void Finish(QcReport* report);

 private:
  // Successive epochs of one kind, by their index in the file.
  struct IndexRun {
    long first, last;
    Tracking kind;
  };
  // A satellite's figures and running state.
  struct Track {
    QcSatellite figures;
    long lastEpoch = -1;  // index of its last epoch
    int lastLock = 0;
    bool bothPhases = false;  // in its last epoch
    bool locked = false;      // a lock runs
    double lockStart = 0, lockEnd = 0;
    std::vector<IndexRun> runs;
  };
  void AddMeasurement(Track& track, const jps::KelMeasurement& m, double time);
  void EndLock(Track& track);
  double Continuous(double secondsOfWeek);
  double MarkTime(double secondsOfWeek, double first, double last) const;
  // The runs as times, cut at the gaps (gapAfter: the epochs that a gap follows).
  std::vector<QcRun> Runs(const std::vector<IndexRun>& runs,
                          const std::vector<long>& gapAfter) const;

  std::map<int, Track> tracks_;
  std::vector<double> times_;  // of every epoch, continuous
  std::vector<QcSpan> spans_;
  std::vector<QcMark> marks_;
  long outOfOrder_ = 0;
  long unusableTime_ = 0;
  double weekOffset_ = 0;
};

}  // namespace jpsconv
