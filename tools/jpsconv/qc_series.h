// A satellite's figures over time, for the pictures: where it stood in the
// sky, its C/N0 on L1 and its code multipath MP1, in bins of equal length
// counted from the session's first epoch. Whenever the session outgrows
// kMaxSeriesBins bins, every bin doubles in length (two neighbours become
// one), so a day of 1-second data holds no more than ten minutes of it.
//
// Multipath needs each arc's mean: while an arc runs, its values are kept as
// sums per bin (about the arc's first value); when it ends, each bin takes
// its values' squares about the arc's mean. Arcs of fewer than
// kMultipathMinArcEpochs values are left out, as in the satellite's MP1. A
// bin's multipath is the RMS of its values, with its neighbours' taken in
// while they are fewer than kMultipathLeastValues (a single value's size
// says little).
#pragma once

#include <cmath>
#include <vector>

namespace jpsconv {

constexpr double kFullCircle = 360.0;  // degrees
constexpr long kMaxSeriesBins = 512;
constexpr double kFirstBinSeconds = 1.0;
constexpr long kMultipathLeastValues = 10;
constexpr long kMultipathWidestBins = 8;  // neighbours taken in, each side, at most

// The bins' origin and length, shared by every satellite of a session.
struct SeriesClock {
  bool started = false;
  double origin = 0;
  double width = kFirstBinSeconds;  // s; doubles, so times divide exactly
  long IndexOf(double t) const { return static_cast<long>(std::floor((t - origin) / width)); }
};

// A bin as the pictures take it: the means of what it holds.
struct QcTrackPoint {
  double time = 0;  // mean time of the satellite's epochs in the bin
  bool hasSky = false;
  double elevation = 0, azimuth = 0;  // degrees
  bool hasCnr = false;
  double cnr = 0;  // dB-Hz, L1 (C/A)
  bool hasMultipath = false;
  double multipath = 0;  // MP1, RMS in metres (see above)
};

// What one epoch of the satellite adds.
struct SeriesEpoch {
  bool hasElevation = false, hasAzimuth = false, hasCnr = false;
  double elevation = 0, azimuth = 0, cnr = 0;
};

class SatelliteSeries {
 public:
  void AddEpoch(const SeriesClock& clock, double t, const SeriesEpoch& values);
  // An MP1 value of the running arc, at the time of an epoch already added.
  void AddMultipath(const SeriesClock& clock, double t, double mp1);
  void EndArc();
  // Two neighbouring bins become one: the clock's width has doubled.
  void Halve();
  // Bins that lack an elevation or an azimuth take them from sky(time,
  // &elevation, &azimuth) at their mean time, where it gives them.
  template <typename Sky>
  void FillSky(Sky&& sky) {
    for (Bin& b : bins_) {
      if (b.epochs == 0 || (b.elevations > 0 && b.azimuths > 0)) continue;
      double elevation = 0, azimuth = 0;
      if (!sky(b.timeSum / b.epochs, &elevation, &azimuth)) continue;
      if (b.elevations == 0) {
        b.elevations = 1;
        b.elevationSum = elevation;
      }
      if (b.azimuths == 0) {
        b.azimuths = 1;
        b.azimuthFirst = azimuth;
        b.azimuthSum = 0;
      }
    }
  }
  std::vector<QcTrackPoint> Points() const;

 private:
  struct Bin {
    long index = 0;
    int epochs = 0;
    double timeSum = 0;
    int elevations = 0, azimuths = 0, cnrs = 0;
    double elevationSum = 0, azimuthFirst = 0, azimuthSum = 0, cnrSum = 0;
    long mpValues = 0;
    double mpSquares = 0;  // about their arcs' means
  };
  // The running arc's values in one bin, about the arc's first value.
  struct ArcPart {
    long index = 0;
    long count = 0;
    double sum = 0, squares = 0;
  };
  Bin* Find(long index);
  bool Multipath(size_t i, double* rms) const;

  std::vector<Bin> bins_;  // in time order
  std::vector<ArcPart> arc_;
  double arcFirst_ = 0;
};

}  // namespace jpsconv
