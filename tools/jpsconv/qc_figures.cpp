#include "tools/jpsconv/qc_figures.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "support/gps_time.h"
#include "tools/jpsconv/satellite_names.h"

namespace jpsconv {
namespace {

constexpr double kHalfWeek = jps::kSecondsPerWeek / 2;
constexpr double kGapSteps = 1.5;  // a step longer than this many intervals is a gap
constexpr double kMillisecond = 1e-3;

// GPS first, then GLONASS, then numbers that are neither.
int SystemOrder(int number) {
  if (jps::IsGpsNumber(number)) return 0;
  return jps::IsGlonassNumber(number) ? 1 : 2;
}

Tracking KindOf(const PhaseSample& s) {
  if (s.l1Phase == 0.0) return Tracking::kCodeOnly;
  return s.l2Phase != 0.0 ? Tracking::kDualPhase : Tracking::kL1Phase;
}

// The most frequent step between successive epochs, to the millisecond; 0
// when no epoch follows a earlier one.
double MostFrequentStep(const std::vector<double>& times) {
  std::map<long long, long> counts;
  for (size_t i = 1; i < times.size(); ++i) {
    double step = times[i] - times[i - 1];
    if (step > 0) ++counts[std::llround(step / kMillisecond)];
  }
  long long best = 0;
  long bestCount = 0;
  for (const auto& c : counts) {
    if (c.second > bestCount && c.first > 0) {
      best = c.first;
      bestCount = c.second;
    }
  }
  return static_cast<double>(best) * kMillisecond;
}

double Share(long part, long whole) {
  return whole > 0 ? static_cast<double>(part) / static_cast<double>(whole) : 0.0;
}

// The satellites for which key gives a value, largest value first (or
// smallest with ascending), at most `most`.
std::vector<const QcSatellite*> Ranked(const QcReport& report, size_t most, bool ascending,
                                       const std::function<bool(const QcSatellite&)>& counts,
                                       const std::function<double(const QcSatellite&)>& key) {
  std::vector<const QcSatellite*> ranked;
  for (const QcSatellite& s : report.satellites) {
    if (counts(s)) ranked.push_back(&s);
  }
  std::stable_sort(ranked.begin(), ranked.end(), [&](const QcSatellite* a, const QcSatellite* b) {
    return ascending ? key(*a) < key(*b) : key(*a) > key(*b);
  });
  if (ranked.size() > most) ranked.resize(most);
  return ranked;
}

}  // namespace

double QcAccumulator::Continuous(double secondsOfWeek) {
  double t = secondsOfWeek + weekOffset_;
  if (!times_.empty() && t < times_.back() - kHalfWeek) {  // the week rolled over
    weekOffset_ += jps::kSecondsPerWeek;
    t += jps::kSecondsPerWeek;
  }
  return t;
}

QcAccumulator::RowKey QcAccumulator::KeyOf(const QcObservation& o) {
  if (jps::IsGpsNumber(o.number)) return {kGpsRows, o.number};
  if (!jps::IsGlonassNumber(o.number)) return {kOtherRows, o.number};
  return o.slot > 0 ? RowKey{kGlonassBySlot, o.slot} : RowKey{kGlonassByChannel, o.number};
}

QcAccumulator::Track& QcAccumulator::TrackOf(const QcObservation& o) {
  RowKey key = KeyOf(o);
  auto found = tracks_.find(key);
  if (found != tracks_.end()) return found->second;
  Track& track = tracks_.emplace(key, Track(o.carriers)).first->second;
  track.figures.number = o.number;
  track.figures.slot = key.first == kGlonassBySlot ? o.slot : 0;
  track.figures.name = SatelliteName(o.number, track.figures.slot);
  return track;
}

void QcAccumulator::FitSeries(double t) {
  if (!clock_.started) {
    clock_.started = true;
    clock_.origin = t;
  }
  while (clock_.IndexOf(t) >= kMaxSeriesBins) {
    clock_.width *= 2;
    for (auto& entry : tracks_) entry.second.series.Halve();
  }
}

bool QcAccumulator::Reacquired(const std::vector<QcObservation>& observations, long index) const {
  int going = 0, restarted = 0;
  for (const QcObservation& o : observations) {
    auto found = tracks_.find(KeyOf(o));
    if (found == tracks_.end() || found->second.lastEpoch != index - 1 ||
        found->second.lastRestarted) {
      continue;
    }
    ++going;
    restarted += o.signals.lock == LockHint::kRestarted;
  }
  return restarted >= kReacquiredAtLeast && restarted == going;
}

void QcAccumulator::AddEpoch(double secondsOfWeek, bool kinematic,
                             const std::vector<QcObservation>& observations) {
  if (!IsTimeOfWeek(secondsOfWeek)) {
    ++unusableTime_;
    return;
  }
  double t = Continuous(secondsOfWeek);
  if (!times_.empty() && t <= times_.back()) ++outOfOrder_;
  long index = static_cast<long>(times_.size());
  times_.push_back(t);
  FitSeries(t);

  if (spans_.empty() || spans_.back().kinematic != kinematic) {
    spans_.push_back({t, t, kinematic, 1});
  } else {
    spans_.back().end = t;
    ++spans_.back().epochs;
  }
  bool reacquired = Reacquired(observations, index);
  if (reacquired) reacquisitions_.push_back(t);
  for (const QcObservation& o : observations) {
    Track& track = TrackOf(o);
    if (track.lastEpoch == index) continue;  // a second record of the satellite in one epoch
    AddObservation(track, o, t, reacquired);
    track.lastEpoch = index;
    track.lastRestarted = o.signals.lock != LockHint::kContinued;
  }
}

void QcAccumulator::EndArc(Track& track) {
  QcSatellite& f = track.figures;
  if (track.inArc) f.longestLock = std::max(f.longestLock, track.arcEnd - track.arcStart);
  track.inArc = false;
  f.mp1.EndArc();
  f.mp2.EndArc();
  track.series.EndArc();
}

void QcAccumulator::Take(Track& track, const PhaseSample& s, const SampleVerdict& verdict) {
  QcSatellite& f = track.figures;
  switch (verdict.event) {
    case ArcEvent::kNoPhase:
      return;
    case ArcEvent::kOutlier:
      ++f.outliers;
      return;
    case ArcEvent::kSlip:
    case ArcEvent::kArcStart:
      (verdict.event == ArcEvent::kSlip ? f.slips : f.arcStarts).push_back(s.time);
      EndArc(track);
      track.inArc = true;
      track.arcStart = s.time;
      break;
    case ArcEvent::kContinues:
      break;
  }
  track.arcEnd = s.time;
  MultipathValues mp = Multipath(s, track.carriers);
  if (mp.hasMp1) {
    f.mp1.Add(mp.mp1);
    track.series.AddMultipath(clock_, s.time, mp.mp1);
  }
  if (mp.hasMp2) f.mp2.Add(mp.mp2);
}

void QcAccumulator::AddObservation(Track& track, const QcObservation& o, double time,
                                   bool reacquired) {
  QcSatellite& f = track.figures;
  long index = static_cast<long>(times_.size()) - 1;
  bool wasPresent = track.lastEpoch >= 0 && track.lastEpoch == index - 1;
  const PhaseSample& in = o.signals;
  ++f.epochs;
  f.l1Code += in.l1Code != 0.0;
  f.l1Phase += in.l1Phase != 0.0;
  f.doppler += o.hasDoppler;
  f.l2Code += in.l2Code != 0.0;
  f.l2Phase += in.l2Phase != 0.0;

  SeriesEpoch values;
  const QcStreamValues& stream = o.stream;
  if (stream.present) {
    AddStreamValues(stream, &f.stream);
    cnrByElevation_.Add(stream);
    values.hasElevation = stream.elevationFrom != SkySource::kNone;
    values.elevation = stream.elevation;
    values.hasAzimuth = stream.azimuthFrom != SkySource::kNone;
    values.azimuth = stream.azimuth;
    int ca = static_cast<int>(jps::SignalSlot::kCa);
    values.hasCnr = (stream.cnrs >> ca & 1) != 0;
    values.cnr = stream.cnr[ca];
  }
  track.series.AddEpoch(clock_, time, values);

  PhaseSample s = in;
  s.time = time;
  if (reacquired) s.lock = LockHint::kReacquired;
  track.detector.Add(s, [&](const PhaseSample& x, const SampleVerdict& v) { Take(track, x, v); });

  Tracking kind = KindOf(in);
  if (wasPresent && !track.runs.empty() && track.runs.back().kind == kind) {
    track.runs.back().last = index;
  } else {
    track.runs.push_back({index, index, kind});
  }
}

// The continuous time of a time of week: in the week that puts it inside the
// session, or nearest to it.
double QcAccumulator::MarkTime(double secondsOfWeek, double first, double last) const {
  double week = jps::kSecondsPerWeek;
  double below = secondsOfWeek + week * std::floor((first - secondsOfWeek) / week);  // <= first
  double above = below + week;                                                       // > first
  if (below == first) return below;
  if (above <= last) return above;
  return first - below <= above - last ? below : above;
}

std::vector<QcRun> QcAccumulator::Runs(const std::vector<IndexRun>& runs,
                                       const std::vector<long>& gapAfter) const {
  std::vector<QcRun> out;
  for (const IndexRun& r : runs) {
    long first = r.first;
    auto gap = std::lower_bound(gapAfter.begin(), gapAfter.end(), first);
    for (; gap != gapAfter.end() && *gap < r.last; ++gap) {
      out.push_back(
          {times_[static_cast<size_t>(first)], times_[static_cast<size_t>(*gap)], r.kind});
      first = *gap + 1;
    }
    out.push_back(
        {times_[static_cast<size_t>(first)], times_[static_cast<size_t>(r.last)], r.kind});
  }
  return out;
}

void QcAccumulator::Finish(QcReport* report) {
  report->present = static_cast<long>(times_.size());
  report->outOfOrder = outOfOrder_;
  report->unusableTime = unusableTime_;
  report->interval = MostFrequentStep(times_);
  std::vector<long> gapAfter;  // epochs that a gap follows
  if (!times_.empty()) {
    report->first = times_.front();
    report->last = times_.back();
    report->expected = report->present;
    if (report->interval > 0) {
      report->expected = std::lround((report->last - report->first) / report->interval) + 1;
    }
  }
  for (size_t i = 1; i < times_.size() && report->interval > 0; ++i) {
    double step = times_[i] - times_[i - 1];
    if (step <= kGapSteps * report->interval) continue;
    gapAfter.push_back(static_cast<long>(i - 1));
    report->gaps.push_back({times_[i - 1] + report->interval,
                            std::lround(step / report->interval) - 1, step - report->interval});
  }
  report->spans = spans_;
  for (QcMark mark : marks_) {
    if (mark.hasTime) mark.time = MarkTime(mark.time, report->first, report->last);
    report->marks.push_back(mark);
  }

  report->reacquisitions = reacquisitions_;
  for (auto& entry : tracks_) {
    Track& track = entry.second;
    track.detector.Finish([&](const PhaseSample& x, const SampleVerdict& v) { Take(track, x, v); });
    EndArc(track);
    track.figures.runs = Runs(track.runs, gapAfter);
    track.figures.stream.track = track.series.Points();
    report->satellites.push_back(track.figures);
  }
  report->stream.binSeconds = clock_.width;
  report->stream.cnrByElevation = cnrByElevation_.Curves();
}

bool IsTimeOfWeek(double t) { return t >= -jps::kSecondsPerWeek && t <= 2 * jps::kSecondsPerWeek; }

QcTotals Totals(const QcReport& report) {
  QcTotals t;
  double squares1 = 0, squares2 = 0;
  for (const QcSatellite& s : report.satellites) {
    int order = SystemOrder(s.number);
    (order == 0 ? t.gps : order == 1 ? t.glonass : t.other) += 1;
    t.records += s.epochs;
    t.l1Code += s.l1Code;
    t.l1Phase += s.l1Phase;
    t.doppler += s.doppler;
    t.l2Code += s.l2Code;
    t.l2Phase += s.l2Phase;
    t.slips += static_cast<long>(s.slips.size());
    squares1 += s.mp1.Rms() * s.mp1.Rms() * static_cast<double>(s.mp1.epochs());
    squares2 += s.mp2.Rms() * s.mp2.Rms() * static_cast<double>(s.mp2.epochs());
    t.mp1Epochs += s.mp1.epochs();
    t.mp2Epochs += s.mp2.epochs();
  }
  if (t.mp1Epochs > 0) t.mp1 = std::sqrt(squares1 / static_cast<double>(t.mp1Epochs));
  if (t.mp2Epochs > 0) t.mp2 = std::sqrt(squares2 / static_cast<double>(t.mp2Epochs));
  return t;
}

bool SignalsOf(const QcReport& report, jps::GnssSystem system,
               bool (&used)[jps::kSignalSlotCount]) {
  bool any = false;
  for (int slot = 0; slot < jps::kSignalSlotCount; ++slot) used[slot] = false;
  for (const QcSatellite& s : report.satellites) {
    if (!s.stream.present || s.stream.system != system) continue;
    for (int slot = 0; slot < jps::kSignalSlotCount; ++slot) {
      used[slot] |= s.stream.signals[slot].epochs > 0;
      any |= used[slot];
    }
  }
  return any;
}

QcSignalTotal SignalTotal(const QcReport& report, jps::GnssSystem system, int slot) {
  QcSignalTotal t;
  for (const QcSatellite& s : report.satellites) {
    const QcSignalFigures& f = s.stream.signals[slot];
    if (!s.stream.present || s.stream.system != system || f.epochs == 0) continue;
    ++t.satellites;
    t.epochsAbove += f.epochsAbove;
    t.satelliteEpochsAbove += s.stream.epochsAbove;
    if (f.cnr.values == 0) continue;
    if (t.cnr.values == 0 || f.cnr.min < t.cnr.min) t.cnr.min = f.cnr.min;
    if (t.cnr.values == 0 || f.cnr.max > t.cnr.max) t.cnr.max = f.cnr.max;
    t.cnr.values += f.cnr.values;
    t.cnr.sum += f.cnr.sum;
  }
  return t;
}

QcWorst Worst(const QcReport& report, size_t most) {
  QcWorst w;
  w.slips = Ranked(
      report, most, false, [](const QcSatellite& s) { return !s.slips.empty(); },
      [](const QcSatellite& s) { return static_cast<double>(s.slips.size()); });
  w.mp1 = Ranked(
      report, most, false, [](const QcSatellite& s) { return s.mp1.epochs() > 0; },
      [](const QcSatellite& s) { return s.mp1.Rms(); });
  w.mp2 = Ranked(
      report, most, false, [](const QcSatellite& s) { return s.mp2.epochs() > 0; },
      [](const QcSatellite& s) { return s.mp2.Rms(); });
  w.l2Phase = Ranked(
      report, most, true, [](const QcSatellite& s) { return s.l2Phase < s.epochs; },
      [](const QcSatellite& s) { return Share(s.l2Phase, s.epochs); });
  return w;
}

}  // namespace jpsconv
