#include "tools/jpsconv/qc_series.h"

#include <cstdlib>

#include "tools/jpsconv/qc_multipath.h"

namespace jpsconv {
namespace {

// An angle difference (of two angles from 0 to 360 degrees) folded into
// -180 to 180 degrees.
double Folded(double degrees) {
  if (degrees > kFullCircle / 2) return degrees - kFullCircle;
  if (degrees < -kFullCircle / 2) return degrees + kFullCircle;
  return degrees;
}

}  // namespace

SatelliteSeries::Bin* SatelliteSeries::Find(long index) {
  for (size_t i = bins_.size(); i-- > 0;) {
    if (bins_[i].index == index) return &bins_[i];
    if (bins_[i].index < index) break;
  }
  return nullptr;
}

void SatelliteSeries::AddEpoch(const SeriesClock& clock, double t, const SeriesEpoch& v) {
  long index = clock.IndexOf(t);
  if (index < 0) return;  // before the first epoch: a time out of order
  if (bins_.empty() || bins_.back().index < index) {
    bins_.emplace_back();
    bins_.back().index = index;
  }
  Bin* b = Find(index);
  if (b == nullptr) return;
  ++b->epochs;
  b->timeSum += t;
  if (v.hasElevation) {
    ++b->elevations;
    b->elevationSum += v.elevation;
  }
  if (v.hasAzimuth) {
    if (b->azimuths == 0) b->azimuthFirst = v.azimuth;
    ++b->azimuths;
    b->azimuthSum += Folded(v.azimuth - b->azimuthFirst);
  }
  if (v.hasCnr) {
    ++b->cnrs;
    b->cnrSum += v.cnr;
  }
}

void SatelliteSeries::AddMultipath(const SeriesClock& clock, double t, double mp1) {
  long index = clock.IndexOf(t);
  if (index < 0) return;
  if (arc_.empty()) arcFirst_ = mp1;
  if (arc_.empty() || arc_.back().index != index) {
    arc_.emplace_back();
    arc_.back().index = index;
  }
  double d = mp1 - arcFirst_;
  ArcPart& p = arc_.back();
  ++p.count;
  p.sum += d;
  p.squares += d * d;
}

void SatelliteSeries::EndArc() {
  long count = 0;
  double sum = 0;
  for (const ArcPart& p : arc_) {
    count += p.count;
    sum += p.sum;
  }
  if (count >= kMultipathMinArcEpochs) {
    double mean = sum / static_cast<double>(count);
    for (const ArcPart& p : arc_) {
      Bin* b = Find(p.index);
      if (b == nullptr) continue;
      double n = static_cast<double>(p.count);
      b->mpSquares += std::fmax(0.0, p.squares - 2 * mean * p.sum + n * mean * mean);
      b->mpValues += p.count;
    }
  }
  arc_.clear();
}

void SatelliteSeries::Halve() {
  std::vector<Bin> merged;
  for (Bin b : bins_) {
    b.index /= 2;
    if (merged.empty() || merged.back().index != b.index) {
      merged.push_back(b);
      continue;
    }
    Bin& m = merged.back();
    if (b.azimuths > 0 && m.azimuths == 0) {
      m.azimuthFirst = b.azimuthFirst;
      m.azimuthSum = b.azimuthSum;
    } else if (b.azimuths > 0) {
      m.azimuthSum += b.azimuthSum + b.azimuths * Folded(b.azimuthFirst - m.azimuthFirst);
    }
    m.azimuths += b.azimuths;
    m.epochs += b.epochs;
    m.timeSum += b.timeSum;
    m.elevations += b.elevations;
    m.elevationSum += b.elevationSum;
    m.cnrs += b.cnrs;
    m.cnrSum += b.cnrSum;
    m.mpValues += b.mpValues;
    m.mpSquares += b.mpSquares;
  }
  bins_.swap(merged);
  std::vector<ArcPart> parts;
  for (ArcPart p : arc_) {
    p.index /= 2;
    if (!parts.empty() && parts.back().index == p.index) {
      parts.back().count += p.count;
      parts.back().sum += p.sum;
      parts.back().squares += p.squares;
    } else {
      parts.push_back(p);
    }
  }
  arc_.swap(parts);
}

// The multipath of bin i: the RMS of its values and, while they are fewer
// than kMultipathLeastValues, of its neighbours' on both sides (at most
// kMultipathWidestBins away).
bool SatelliteSeries::Multipath(size_t i, double* rms) const {
  long values = bins_[i].mpValues;
  double squares = bins_[i].mpSquares;
  for (long d = 1; d <= kMultipathWidestBins && values < kMultipathLeastValues; ++d) {
    for (long j : {static_cast<long>(i) - d, static_cast<long>(i) + d}) {
      if (j < 0 || j >= static_cast<long>(bins_.size())) continue;
      const Bin& n = bins_[static_cast<size_t>(j)];
      if (std::labs(n.index - bins_[i].index) > kMultipathWidestBins) continue;
      values += n.mpValues;
      squares += n.mpSquares;
    }
  }
  if (values == 0) return false;
  *rms = std::sqrt(squares / static_cast<double>(values));
  return true;
}

std::vector<QcTrackPoint> SatelliteSeries::Points() const {
  std::vector<QcTrackPoint> out;
  out.reserve(bins_.size());
  for (size_t i = 0; i < bins_.size(); ++i) {
    const Bin& b = bins_[i];
    if (b.epochs == 0) continue;
    QcTrackPoint p;
    p.time = b.timeSum / b.epochs;
    p.hasSky = b.elevations > 0 && b.azimuths > 0;
    if (p.hasSky) {
      p.elevation = b.elevationSum / b.elevations;
      p.azimuth = b.azimuthFirst + b.azimuthSum / b.azimuths;
      p.azimuth -= kFullCircle * std::floor(p.azimuth / kFullCircle);
    }
    p.hasCnr = b.cnrs > 0;
    if (p.hasCnr) p.cnr = b.cnrSum / b.cnrs;
    p.hasMultipath = b.mpValues > 0 && Multipath(i, &p.multipath);
    out.push_back(p);
  }
  return out;
}

}  // namespace jpsconv
