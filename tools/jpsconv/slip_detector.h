// Cycle slips of one satellite, found in its carrier phases and codes rather
// than taken from the receiver's lock indicator alone. The detector reads a
// series of samples (one per epoch in which the satellite was observed) and
// cuts it into arcs of continuous phase; whoever feeds it (a KEL file read
// back, or the receiver's stream) gives phases in cycles, codes in metres,
// the two carrier frequencies, a hint of where the receiver restarted its
// lock, and times.
//
// Two combinations of the two carriers are watched, arc by arc:
//   - geometry-free, GF = L1 - L2 phase in metres (l1 x phase1 - l2 x
//     phase2, l = wavelength): geometry, clocks and troposphere cancel and
//     what is left drifts slowly with the ionosphere. A value that lies off
//     the line fitted through the arc's last kGfFitValues values by more than
//     a0 - a1 exp(-dt / t0) departs, where a0 = 1.5 (l2 - l1) (8 cm on GPS),
//     a1 = a0 / 2, t0 = 60 s and dt the time since the arc's last GF value:
//     4 cm at 1 s, 5.6 cm at 30 s, 8 cm in the limit. The test needs two
//     values in the arc.
//   - Melbourne-Wuebbena, MW = phase1 - phase2 - (f1 C1 + f2 C2) / ((f1 + f2)
//     lw) in wide-lane cycles (lw = c / (f1 - f2)): the wide-lane ambiguity,
//     constant over an arc but for code noise and multipath. A value more
//     than kMwSigmas running deviations (at least kMwLeastSigma) from the
//     arc's running mean departs; the deviation starts at kMwFirstSigma and
//     follows the arc's values (the last kMwWindow of them weigh most).
// A value that departs is a slip when the receiver said its lock restarted
// there, or when the next value that carries the same combination stays
// with it (the step persists); when that next value is back on the arc, or
// off both, it is an outlier and left out. So a lock restart across which
// both combinations stay continuous is no slip, and a jump the receiver did
// not report is one.
//
// Where neither combination can be tested across a lock restart (no L2
// phase, no carriers, the arc too young), the receiver's word stands: it is a
// slip, unless the sample before it restarted too (a restart repeated is no
// news). An arc ends without a slip when the L1 phase is missing for more than
// kArcGapSeconds and kArcGapSteps of the arc's steps, and where the feeder
// says the receiver re-acquired every satellite at once (LockHint::kReacquired).
//
// The detector holds a sample back until it can decide it (at most
// kHeldSamples; past that the oldest is decided with what is known); the
// sink hears every sample once, in the order given, with its verdict.
#pragma once

#include <cstddef>
#include <cstdint>

namespace jpsconv {

// The two carrier frequencies of a satellite's signals, Hz; 0 when unknown.
struct Carriers {
  double l1 = 0, l2 = 0;
};

// What the receiver said of its lock on the satellite.
enum class LockHint : uint8_t {
  kContinued,   // nothing, or the lock went on
  kRestarted,   // the lock began anew at this sample or since the previous one
  kReacquired,  // every satellite's lock began anew here: a new arc, not a slip
};

struct PhaseSample {
  double time = 0;                  // s; increasing along the series
  double l1Phase = 0, l2Phase = 0;  // cycles, growing with the range (RINEX's sign); 0 = none
  double l1Code = 0, l2Code = 0;    // m; 0 = none
  LockHint lock = LockHint::kContinued;
};

enum class ArcEvent : uint8_t {
  kContinues,  // in the running arc
  kArcStart,   // begins an arc: the first L1 phase, after a long time without, or a re-acquisition
  kSlip,       // begins an arc after a cycle slip
  kOutlier,    // a phase left out: off the arc and off the value after it
  kNoPhase,    // no L1 phase: in no arc (arcs go on across it)
};

struct SampleVerdict {
  ArcEvent event = ArcEvent::kContinues;
};

constexpr int kGfFitValues = 10;
constexpr double kGfTimeConstant = 60.0;  // s
constexpr double kMwSigmas = 5.0;
constexpr double kMwLeastSigma = 0.8;  // cycles
constexpr double kMwFirstSigma = 2.0;  // cycles
constexpr long kMwWindow = 100;
constexpr double kArcGapSeconds = 60.0;
constexpr double kArcGapSteps = 3.0;
constexpr size_t kHeldSamples = 64;

// The geometry-free test's limit for values dt seconds apart, in metres.
double GeometryFreeLimit(const Carriers& carriers, double dt);

class SlipDetector {
 public:
  explicit SlipDetector(const Carriers& carriers) : carriers_(carriers) {}

  // Takes the next sample and hands every sample now decided to
  // sink(const PhaseSample&, const SampleVerdict&).
  template <typename Sink>
  void Add(const PhaseSample& sample, Sink&& sink) {
    MakeRoom();
    Drain(sink);
    Push(sample);
    Drain(sink);
  }
  // Decides every sample still held; the next sample begins a new arc.
  template <typename Sink>
  void Finish(Sink&& sink) {
    Decide(true);
    Drain(sink);
    arc_ = Arc{};
  }

 private:
  struct Combinations {
    bool hasGf = false, hasMw = false;
    double gf = 0, mw = 0;
  };
  struct Held {
    PhaseSample sample;
    Combinations values;
    SampleVerdict verdict;
  };
  // How far a sample lies off the running arc.
  struct Offsets {
    bool gfTested = false, mwTested = false;
    bool gfOff = false, mwOff = false;
    double gf = 0, mw = 0;            // off the arc
    double gfLimit = 0, mwLimit = 0;  // allowed
    bool Tested() const { return gfTested || mwTested; }
    bool Off() const { return gfOff || mwOff; }
  };
  struct Arc {
    bool open = false;
    double lastTime = 0, lastStep = 0;  // of its last sample with L1 phase
    bool lastRestarted = false;         // that sample said its lock began anew
    double gfTimes[kGfFitValues] = {}, gfValues[kGfFitValues] = {};
    int gfCount = 0, gfNext = 0;
    long mwCount = 0;
    double mwMean = 0, mwVariance = 0;
  };

  template <typename Sink>
  void Drain(Sink& sink) {
    while (decided_ > 0) {
      const Held& h = held_[first_];
      sink(h.sample, h.verdict);
      first_ = (first_ + 1) % kHeldSamples;
      --count_;
      --decided_;
    }
  }

  // Decides the oldest held sample with what is known when kHeldSamples wait.
  void MakeRoom();
  void Push(const PhaseSample& sample);
  void Decide(bool closing);
  // Decides the first undecided sample; false when it must wait for more.
  bool DecideNext(bool closing);
  bool DecideUntestedRestart(size_t at, bool closing);
  bool DecideDeparture(size_t at, const Offsets& off, bool closing);
  // The next held sample after `at` in the same arc that tests one of the
  // combinations asked for (gf, mw); kHeldSamples when there is none yet,
  // *arcEnds telling that none will come.
  size_t NextTested(size_t at, bool gf, bool mw, bool* arcEnds) const;
  Held& At(size_t i) { return held_[(first_ + i) % kHeldSamples]; }
  const Held& At(size_t i) const { return held_[(first_ + i) % kHeldSamples]; }

  Combinations Combine(const PhaseSample& s) const;
  Offsets OffArc(const Held& h) const;
  double GapLimit() const;
  void Accept(Held& h);
  void StartArc(Held& h, ArcEvent event);
  void Verdict(Held& h, ArcEvent event);

  Carriers carriers_;
  Arc arc_;
  Held held_[kHeldSamples];
  size_t first_ = 0, count_ = 0, decided_ = 0;
};

}  // namespace jpsconv
