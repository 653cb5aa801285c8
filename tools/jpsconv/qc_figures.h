// The figures of the data-quality report, worked out from the epochs of a
// session (fed one by one, in time order: from a KEL file, or from the
// receiver's stream) and the marks of its STA file. Nothing here reads files
// or writes text; qc_input reads, the qc_*_writer units write.
//
// Times are seconds of the GPS week of the first epoch, made continuous: an
// epoch after the end of that week counts on from 604800.
//
// Definitions:
//   - a satellite's row: a GPS PRN, a GLONASS orbital slot where the feeder
//     knows it (two satellites that share a frequency channel are two rows),
//     else a GLONASS channel;
//   - cycle slips and arcs of continuous phase come from the satellite's
//     phases and codes (slip_detector.h); the receiver's lock restarts are a
//     hint to them. An epoch in which every satellite of the epoch before
//     restarts its lock (at least kReacquiredAtLeast of them; one whose lock
//     restarted in that epoch too tells nothing) is the receiver re-acquiring
//     all of them: every arc begins anew, and none of it counts as a slip;
//   - the longest lock is the longest arc, from its first to its last epoch;
//   - the interval is the most frequent step between successive epochs; a gap
//     is a step of more than 1.5 intervals;
//   - multipath is worked out per arc (qc_multipath.h), and over time for the
//     pictures (qc_series.h);
//   - what only the receiver's stream tells (signals, C/N0, the sky) is
//     defined in qc_stream_figures.h.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tools/jpsconv/qc_multipath.h"
#include "tools/jpsconv/qc_series.h"
#include "tools/jpsconv/qc_stream_figures.h"
#include "tools/jpsconv/slip_detector.h"

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
  int number = 0;    // GPS PRN, GLONASS 45 + frequency channel
  int slot = 0;      // GLONASS orbital slot; 0 when not known
  std::string name;  // "G05", "R12" (by slot), "R+2" (by channel)
  long epochs = 0;   // epochs in which the satellite has a record
  long l1Code = 0, l1Phase = 0, doppler = 0, l2Code = 0, l2Phase = 0;  // epochs with each
  std::vector<double> slips;                                           // times
  std::vector<double> arcStarts;  // times of the arcs begun otherwise (first phase, re-acquired)
  long outliers = 0;       // phases left out, off their arc and the next value
  double longestLock = 0;  // seconds
  MultipathArcs mp1, mp2;
  std::vector<QcRun> runs;
  QcSatelliteStream stream;  // from the receiver's stream only
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
  // The files read ("" when absent): kel is the KEL file, or the receiver's
  // file whose stream the report comes from (stream.present).
  std::string kel, epp, sta;
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
  std::vector<double> reacquisitions;   // times at which every satellite's lock began anew
  std::vector<QcSatellite> satellites;  // GPS by number, GLONASS by slot then channel, others
  std::string damage;                   // why the file could not be read to its end
  QcStreamReport stream;
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

// The signal slots that any satellite of the system has in a report from
// the stream (used[slot]); false when the system has none.
bool SignalsOf(const QcReport& report, jps::GnssSystem system,
               bool (&used)[jps::kSignalSlotCount]);

// One signal of one system over the satellites that have it: its share of
// their epochs above the mask, and its C/N0.
struct QcSignalTotal {
  int satellites = 0;          // with any value of the signal
  long epochsAbove = 0;        // with the signal, the satellite above the mask
  long satelliteEpochsAbove = 0;  // of those satellites, tracked above the mask
  QcStatistic cnr;
};
QcSignalTotal SignalTotal(const QcReport& report, jps::GnssSystem system, int slot);

// The satellites that stand out, worst first, at most `most` of each.
struct QcWorst {
  std::vector<const QcSatellite*> slips;     // most slips (at least one)
  std::vector<const QcSatellite*> mp1, mp2;  // highest multipath
  std::vector<const QcSatellite*> l2Phase;   // smallest share of epochs with L2 phase
};
QcWorst Worst(const QcReport& report, size_t most);

// One satellite in one epoch, as the report takes it.
struct QcObservation {
  int number = 0;       // GPS PRN, GLONASS 45 + frequency channel, or another system's number
  int slot = 0;         // GLONASS orbital slot (1-24) when known; 0 otherwise
  Carriers carriers;    // of its two signals; 0 when not known
  PhaseSample signals;  // its time is the epoch's; lock kContinued or kRestarted
  bool hasDoppler = false;
  QcStreamValues stream;  // what the receiver's stream adds
};

// An epoch in which at least this many satellites, and every one of the
// epoch before, restart their lock is a re-acquisition.
constexpr int kReacquiredAtLeast = 4;

// Works out the figures epoch by epoch.
class QcAccumulator {
 public:
  void AddEpoch(double secondsOfWeek, bool kinematic,
                const std::vector<QcObservation>& observations);
  // A line of the STA file, its time as seconds of week.
  void AddMark(const QcMark& mark) { marks_.push_back(mark); }
  // Gives the satellite's bins that lack a place in the sky the one that
  // sky(time, &elevation, &azimuth) gives them (see SatelliteSeries::FillSky).
  template <typename Sky>
  void FillSky(const QcObservation& satellite, Sky&& sky) {
    auto found = tracks_.find(KeyOf(satellite));
    if (found != tracks_.end()) found->second.series.FillSky(sky);
  }
  // Ends every running lock, arc and run; fills the report's session, gaps,
  // spans, marks and satellites, and the stream's C/N0 against elevation (the
  // files, the week, the damage and the rest of the stream's figures are the
  // caller's).
  void Finish(QcReport* report);

 private:
  // Successive epochs of one kind, by their index in the file.
  struct IndexRun {
    long first, last;
    Tracking kind;
  };
  // A row's figures and running state.
  struct Track {
    explicit Track(const Carriers& c) : carriers(c), detector(c) {}
    QcSatellite figures;
    Carriers carriers;
    SlipDetector detector;
    long lastEpoch = -1;         // index of its last epoch
    bool lastRestarted = false;  // its lock restarted in that epoch
    bool inArc = false;          // an arc runs
    double arcStart = 0, arcEnd = 0;
    std::vector<IndexRun> runs;
    SatelliteSeries series;
  };
  // Rows in this order, each group by number (PRN, slot, KEL number).
  enum RowGroup { kGpsRows, kGlonassBySlot, kGlonassByChannel, kOtherRows };
  using RowKey = std::pair<RowGroup, int>;
  static RowKey KeyOf(const QcObservation& o);
  Track& TrackOf(const QcObservation& o);
  bool Reacquired(const std::vector<QcObservation>& observations, long index) const;
  void AddObservation(Track& track, const QcObservation& o, double time, bool reacquired);
  // A sample as the slip detector decided it.
  void Take(Track& track, const PhaseSample& s, const SampleVerdict& verdict);
  void EndArc(Track& track);
  double Continuous(double secondsOfWeek);
  // Starts the series' clock, or doubles its bins until t fits.
  void FitSeries(double t);
  double MarkTime(double secondsOfWeek, double first, double last) const;
  // The runs as times, cut at the gaps (gapAfter: the epochs that a gap follows).
  std::vector<QcRun> Runs(const std::vector<IndexRun>& runs,
                          const std::vector<long>& gapAfter) const;

  std::map<RowKey, Track> tracks_;
  std::vector<double> times_;  // of every epoch, continuous
  std::vector<QcSpan> spans_;
  std::vector<QcMark> marks_;
  std::vector<double> reacquisitions_;
  long outOfOrder_ = 0;
  long unusableTime_ = 0;
  double weekOffset_ = 0;
  SeriesClock clock_;
  CnrByElevation cnrByElevation_;
};

}  // namespace jpsconv
