// Code multipath of one satellite: the classic combination of a pseudorange
// with both carrier phases, which cancels the geometry, the clocks and the
// ionosphere and leaves the code's multipath and noise plus a constant
// (the phase ambiguities) for each continuous arc of phase lock. The constant
// goes with the arc's mean; what remains is summed up as an RMS in metres.
#pragma once

#include "tools/jpsconv/slip_detector.h"

namespace jpsconv {

// Arcs shorter than this are left out: their mean would take most of the
// multipath with it.
constexpr long kMultipathMinArcEpochs = 10;

// The two combinations of one sample, in metres; each is set (and its flag
// true) when its code and both phases are present and the carriers known.
struct MultipathValues {
  bool hasMp1 = false, hasMp2 = false;
  double mp1 = 0, mp2 = 0;
};
MultipathValues Multipath(const PhaseSample& s, const Carriers& carriers);

// The carriers of a KEL satellite number: GPS, and GLONASS channels -7 to
// +13; 0 for others.
Carriers KelCarriers(int number);

// One combination of one satellite, arc by arc.
class MultipathArcs {
 public:
  void Add(double value);
  // Ends the running arc (a slip, a lost phase, the satellite gone).
  void EndArc();
  // RMS about each arc's mean, over the arcs that were long enough; 0 when none.
  double Rms() const;
  long epochs() const { return epochs_; }  // values in the arcs counted
  int arcs() const { return arcs_; }

 private:
  // The running arc, as differences from its first value (the values
  // themselves carry ambiguities of millions of metres).
  double first_ = 0, sum_ = 0, sumSquares_ = 0;
  long count_ = 0;
  double squares_ = 0;  // of the finished arcs, about their means
  long epochs_ = 0;
  int arcs_ = 0;
};

}  // namespace jpsconv
