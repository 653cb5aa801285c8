#include "tools/jpsconv/qc_stream_figures.h"

#include <algorithm>

namespace jpsconv {
namespace {

// By system, then slot (c 1 2 3 5 l), as gnss_signals orders them.
const char* const kSignalNames[jps::kGnssSystemCount][jps::kSignalSlotCount] = {
    {"L1 C/A", "L1 P", "L2 P", "L2C", "L5", "L1C"},
    {"L1 C/A", "L1 P", "L2 P", "L2 C/A", "L3", ""},
    {"E1", "E5 AltBOC", "E5b", "E6", "E5a", ""},
    {"L1", "", "", "", "L5", ""},
    {"L1 C/A", "L1 SAIF", "LEX", "L2C", "L5", "L1C"},
    {"B1", "", "", "", "B2", ""},
};

bool Has(uint8_t bits, int slot) { return (bits >> slot & 1) != 0; }

}  // namespace

void QcStatistic::Add(double v) {
  if (values == 0 || v < min) min = v;
  if (values == 0 || v > max) max = v;
  sum += v;
  ++values;
}

int ElevationBin(double elevation) {
  int bin = static_cast<int>(elevation / kElevationBinDegrees);
  return std::min(std::max(bin, 0), kElevationBins - 1);
}

const char* SignalName(jps::GnssSystem system, int slot) {
  return kSignalNames[static_cast<int>(system)][slot];
}


void AddStreamValues(const QcStreamValues& v, QcSatelliteStream* f) {
  f->present = true;
  f->system = v.system;
  bool known = v.elevationFrom != SkySource::kNone;
  bool above = known && v.elevation >= kElevationMask;
  f->epochsAbove += above;
  if (known) f->elevation.Add(v.elevation);
  f->elevationFromReceiver += v.elevationFrom == SkySource::kReceiver;
  f->elevationComputed += v.elevationFrom == SkySource::kComputed;
  f->azimuthFromReceiver += v.azimuthFrom == SkySource::kReceiver;
  f->azimuthComputed += v.azimuthFrom == SkySource::kComputed;
  for (int slot = 0; slot < jps::kSignalSlotCount; ++slot) {
    if (!Has(v.signals, slot)) continue;
    QcSignalFigures& s = f->signals[slot];
    ++s.epochs;
    s.epochsAbove += above;
    if (Has(v.cnrs, slot)) s.cnr.Add(v.cnr[slot]);
  }
}

void CnrByElevation::Add(const QcStreamValues& v) {
  if (v.elevationFrom == SkySource::kNone || v.cnrs == 0) return;
  int bin = ElevationBin(v.elevation);
  int system = static_cast<int>(v.system);
  for (int slot = 0; slot < jps::kSignalSlotCount; ++slot) {
    if (!Has(v.cnrs, slot)) continue;
    curves_[system][slot].bins[bin].Add(v.cnr[slot]);
  }
}

std::vector<QcCnrCurve> CnrByElevation::Curves() const {
  std::vector<QcCnrCurve> out;
  for (int system = 0; system < jps::kGnssSystemCount; ++system) {
    for (int slot = 0; slot < jps::kSignalSlotCount; ++slot) {
      const QcCnrCurve& curve = curves_[system][slot];
      bool used = false;
      for (const QcStatistic& bin : curve.bins) used = used || bin.values > 0;
      if (!used) continue;
      out.push_back(curve);
      out.back().system = static_cast<jps::GnssSystem>(system);
      out.back().slot = slot;
    }
  }
  return out;
}

}  // namespace jpsconv
