// The report as text: the verdict first (session, totals, worst satellites),
// then the session's details and one line per satellite.
#include <cmath>
#include <functional>

#include "support/gps_time.h"
#include "tools/jpsconv/cli_common.h"
#include "tools/jpsconv/qc_time.h"
#include "tools/jpsconv/qc_writers.h"
#include "tools/jpsconv/satellite_names.h"

namespace jpsconv {
namespace {

constexpr size_t kListedAtMost = 20;  // gaps, spans and marks listed; JSON has them all
constexpr const char* kIndent = "                  ";  // continues a labelled list

// Text of the file or the marks as the terminal may show it.
std::string Shown(const std::string& text) { return ValidUtf8(Printable(text)); }

double Percent(long part, long whole) {
  return whole > 0 ? 100.0 * static_cast<double>(part) / static_cast<double>(whole) : 0.0;
}

std::string Metres(const MultipathArcs& mp) {
  return mp.epochs() > 0 ? Formatted("%.2f", mp.Rms()) : "-";
}

// "label  first item" then the other items under it, at most kListedAtMost.
template <typename T>
std::string List(const char* label, const std::vector<T>& items,
                 const std::function<std::string(const T&)>& line) {
  std::string out;
  for (size_t i = 0; i < items.size() && i < kListedAtMost; ++i) {
    out += (i == 0 ? Formatted("  %-16s", label) : std::string(kIndent)) + line(items[i]) + "\n";
  }
  if (items.size() > kListedAtMost) {
    out += Formatted("%s... and %zu more\n", kIndent, items.size() - kListedAtMost);
  }
  return out;
}

// The satellites whose ephemerides said they were unhealthy.
std::string Unhealthy(const QcReport& r) {
  std::string out = "  broadcast unhealthy: ";
  if (r.stream.unhealthy.empty()) return out + "none\n";
  for (size_t i = 0; i < r.stream.unhealthy.size(); ++i) {
    const QcUnhealthy& u = r.stream.unhealthy[i];
    out += Formatted("%s%s (health %d)", i == 0 ? "" : ", ", u.name.c_str(), u.health);
  }
  return out + "\n";
}

// Per system, each signal's share of the epochs above the mask and its mean
// C/N0, over the satellites that have it.
std::string SignalTotals(const QcReport& r) {
  std::string out = Formatted(
      "  signals above %.0f degrees (share of the epochs, mean C/N0 in dB-Hz):\n", kElevationMask);
  for (int system = 0; system < jps::kGnssSystemCount; ++system) {
    auto g = static_cast<jps::GnssSystem>(system);
    bool used[jps::kSignalSlotCount];
    if (!SignalsOf(r, g, used)) continue;
    std::string line = Formatted("    %-8s", SystemName(g));
    for (int slot = 0; slot < jps::kSignalSlotCount; ++slot) {
      if (!used[slot]) continue;
      QcSignalTotal t = SignalTotal(r, g, slot);
      line += Formatted("%s%s %s %s", line.back() == ' ' ? "" : ", ",
                        jps::Signal(g, static_cast<jps::SignalSlot>(slot)).rinexCode,
                        t.satelliteEpochsAbove > 0
                            ? Formatted("%.1f%%", Percent(t.epochsAbove, t.satelliteEpochsAbove)).c_str()
                            : "-",
                        t.cnr.values > 0 ? Formatted("%.1f", t.cnr.Mean()).c_str() : "-");
    }
    out += line + "\n";
  }
  return out;
}

std::string Verdict(const QcReport& r) {
  std::string out = Formatted("Data quality of %s\n", Shown(r.kel).c_str());
  if (!r.damage.empty()) {
    out += Formatted("  DAMAGED: %s; the figures cover the %ld epochs before it\n",
                     Shown(r.damage).c_str(), r.present);
  }
  if (r.present == 0) return out + "  no epochs\n";
  out += Formatted("  %s to %s GPS time", QcDateTime(r, r.first).c_str(),
                   QcDateTime(r, r.last).c_str());
  out += r.hasWeek ? Formatted(", GPS week %d\n", r.week)
                   : std::string(" (no EPP file gives the week)\n");
  long missing = 0;
  for (const QcGap& g : r.gaps) missing += g.epochs;
  out += Formatted("  every %s: %ld epochs of %ld expected (%.1f%%), %zu gaps (%ld epochs)\n",
                   QcDuration(r.interval).c_str(), r.present, r.expected,
                   Percent(r.present, r.expected), r.gaps.size(), missing);

  QcTotals t = Totals(r);
  out += Formatted("  %d satellites (%d GPS, %d GLONASS", t.gps + t.glonass + t.other, t.gps,
                   t.glonass);
  if (t.other > 0) out += Formatted(", %d other", t.other);
  out += Formatted("), %ld records, %ld cycle slips, multipath MP1 %s, MP2 %s\n", t.records,
                   t.slips, t.mp1Epochs > 0 ? Formatted("%.2f m", t.mp1).c_str() : "-",
                   t.mp2Epochs > 0 ? Formatted("%.2f m", t.mp2).c_str() : "-");
  out += Formatted(
      "  records with L1 code %.1f%%, L1 phase %.1f%%, Doppler %.1f%%, L2 code %.1f%%, "
      "L2 phase %.1f%%\n",
      Percent(t.l1Code, t.records), Percent(t.l1Phase, t.records), Percent(t.doppler, t.records),
      Percent(t.l2Code, t.records), Percent(t.l2Phase, t.records));
  if (r.stream.present) out += Unhealthy(r) + SignalTotals(r);
  return out;
}

std::string WorstLine(const char* label, const std::vector<const QcSatellite*>& satellites,
                      const std::function<std::string(const QcSatellite&)>& value) {
  if (satellites.empty()) return "";
  std::string out = Formatted("  %-18s", label);
  for (size_t i = 0; i < satellites.size(); ++i) {
    out += Formatted("%s%s (%s)", i == 0 ? "" : ", ", satellites[i]->name.c_str(),
                     value(*satellites[i]).c_str());
  }
  return out + "\n";
}

std::string WorstSatellites(const QcReport& r) {
  QcWorst w = Worst(r, kQcWorstShown);
  std::string lines =
      WorstLine("most cycle slips", w.slips,
                [](const QcSatellite& s) { return Formatted("%zu", s.slips.size()); }) +
      WorstLine("highest MP1", w.mp1,
                [](const QcSatellite& s) { return Formatted("%.2f m", s.mp1.Rms()); }) +
      WorstLine("highest MP2", w.mp2,
                [](const QcSatellite& s) { return Formatted("%.2f m", s.mp2.Rms()); }) +
      WorstLine("least L2 phase", w.l2Phase, [](const QcSatellite& s) {
        return Formatted("%.1f%%", Percent(s.l2Phase, s.epochs));
      });
  return "Worst satellites\n" + (lines.empty() ? std::string("  none stands out\n") : lines);
}

std::string MarkLine(const QcMark& m) {
  std::string when = m.hasTime ? QcClock(m.time, true) + "  " : "";
  switch (m.kind) {
    case QcMarkKind::kStation:
      return when + Formatted("%s  height %.3f m  %s  %s", Shown(m.name).c_str(), m.antennaHeight,
                              Shown(m.description).c_str(), Shown(m.antenna).c_str());
    case QcMarkKind::kModeChange:
      return when + (m.kinematic ? "entering kinematic mode" : "entering static mode");
    case QcMarkKind::kSiteCanceled:
      return "site " + Shown(m.name) + " cancelled";
    case QcMarkKind::kCameraPulse:
      break;
  }
  return when + Formatted("camera pulse #%d", m.pulse);
}

std::string Session(const QcReport& r) {
  std::string out = "Session\n";
  out += Formatted("  %-16s%s (%.3f s of week)\n", "first epoch", QcDateTime(r, r.first).c_str(),
                   std::fmod(r.first, jps::kSecondsPerWeek));
  out += Formatted("  %-16s%s (%.3f s of week)\n", "last epoch", QcDateTime(r, r.last).c_str(),
                   std::fmod(r.last, jps::kSecondsPerWeek));
  if (r.unusableTime > 0) {
    out += Formatted("  %-16s%ld epochs whose time is no time of week, left out\n", "bad times",
                     r.unusableTime);
  }
  if (r.outOfOrder > 0) {
    out += Formatted("  %-16s%ld epochs not later than the one before\n", "out of order",
                     r.outOfOrder);
  }
  if (r.gaps.empty()) out += Formatted("  %-16snone\n", "gaps");
  out += List<QcGap>("gaps", r.gaps, [&](const QcGap& g) {
    return Formatted("%s  %ld epochs (%s)", QcClock(g.start, true).c_str(), g.epochs,
                     QcDuration(g.seconds).c_str());
  });
  out += List<double>("re-acquired", r.reacquisitions, [](const double& t) {
    return QcClock(t, true) + "  every satellite's lock began anew (no slips)";
  });
  out += List<QcSpan>("modes", r.spans, [](const QcSpan& s) {
    return Formatted("%-9s %s to %s (%ld epochs)", s.kinematic ? "kinematic" : "static",
                     QcClock(s.start, true).c_str(), QcClock(s.end, true).c_str(), s.epochs);
  });
  std::vector<QcMark> marks, pulses;
  for (const QcMark& m : r.marks)
    (m.kind == QcMarkKind::kCameraPulse ? pulses : marks).push_back(m);
  bool marksKnown = !r.sta.empty() || r.stream.present;  // the stream carries them itself
  if (!marksKnown) out += Formatted("  %-16sno STA file\n", "station marks");
  if (marksKnown && marks.empty()) out += Formatted("  %-16snone\n", "station marks");
  out += List<QcMark>("station marks", marks, [](const QcMark& m) { return MarkLine(m); });
  if (!pulses.empty()) {
    out += Formatted("  %-16s%zu, from %s to %s\n", "camera pulses", pulses.size(),
                     QcClock(pulses.front().time, true).c_str(),
                     QcClock(pulses.back().time, true).c_str());
  }
  return out;
}

std::string Satellites(const QcReport& r) {
  std::string out =
      "Satellites (shares of the satellite's epochs; lock: the longest continuous L1 phase)\n"
      "  sat  epochs  L1 code  L1 phase  Doppler  L2 code  L2 phase  slips  longest lock"
      "  MP1 (m)  MP2 (m)\n";
  for (const QcSatellite& s : r.satellites) {
    out += Formatted(
        "  %-4s %7ld  %6.1f%%  %7.1f%%  %6.1f%%  %6.1f%%  %7.1f%%  %5zu  %12s  %7s  %7s\n",
        s.name.c_str(), s.epochs, Percent(s.l1Code, s.epochs), Percent(s.l1Phase, s.epochs),
        Percent(s.doppler, s.epochs), Percent(s.l2Code, s.epochs), Percent(s.l2Phase, s.epochs),
        s.slips.size(), QcDuration(s.longestLock).c_str(), Metres(s.mp1).c_str(),
        Metres(s.mp2).c_str());
  }
  return out;
}

constexpr size_t kSignalsLead = 18;  // the columns before the signals
constexpr size_t kSignalCell = 21;   // a signal's columns

std::string TrimmedLine(const std::string& text) {
  size_t end = text.find_last_not_of(' ');
  return text.substr(0, end == std::string::npos ? 0 : end + 1) + "\n";
}

// "43-67" degrees, with a * when worked out from the ephemerides.
std::string Elevations(const QcSatelliteStream& s) {
  if (s.elevation.values == 0) return "-";
  return Formatted("%.0f-%.0f%s", s.elevation.min, s.elevation.max,
                   s.elevationComputed > s.elevationFromReceiver ? "*" : "");
}

// One table per system: each satellite's elevations and, per signal, its
// C/N0 (mean and least) and share of the epochs above the mask.
std::string Signals(const QcReport& r) {
  std::string out = Formatted(
      "Signals (C/N0 in dB-Hz: mean and least; share: epochs with the signal, of those the "
      "satellite was tracked above %.0f degrees; elevations in degrees, * worked out from the "
      "ephemerides)\n",
      kElevationMask);
  for (int system = 0; system < jps::kGnssSystemCount; ++system) {
    auto g = static_cast<jps::GnssSystem>(system);
    bool used[jps::kSignalSlotCount];
    if (!SignalsOf(r, g, used)) continue;
    std::string head = Formatted("  %-7s %-7s", SystemName(g), "elev."),
                under = std::string(kSignalsLead, ' ');
    for (int slot = 0; slot < jps::kSignalSlotCount; ++slot) {
      if (!used[slot]) continue;
      const char* code = jps::Signal(g, static_cast<jps::SignalSlot>(slot)).rinexCode;
      head += Formatted("  %-19s", (std::string(code) + " " + SignalName(g, slot)).c_str());
      under += "   mean least   share";
    }
    out += TrimmedLine(head) + TrimmedLine(under);
    for (const QcSatellite& s : r.satellites) {
      if (!s.stream.present || s.stream.system != g) continue;
      std::string line = Formatted("  %-7s %-7s", s.name.c_str(), Elevations(s.stream).c_str());
      for (int slot = 0; slot < jps::kSignalSlotCount; ++slot) {
        if (!used[slot]) continue;
        const QcSignalFigures& f = s.stream.signals[slot];
        std::string cnr = f.cnr.values > 0 ? Formatted("%5.1f %5.1f", f.cnr.Mean(), f.cnr.min)
                                           : std::string("    -     -");
        std::string share = s.stream.epochsAbove > 0
                                ? Formatted("%6.1f%%", Percent(f.epochsAbove, s.stream.epochsAbove))
                                : std::string("      -");
        line += f.epochs > 0 ? "  " + cnr + " " + share : std::string(kSignalCell, ' ');
      }
      out += TrimmedLine(line);
    }
  }
  return out;
}

}  // namespace

std::string QcSessionText(const QcReport& report) { return Session(report); }

std::string QcText(const QcReport& report) {
  std::string out = Verdict(report);
  if (report.present == 0) return out;
  out += WorstSatellites(report) + Session(report) + Satellites(report);
  return report.stream.present ? out + Signals(report) : out;
}

}  // namespace jpsconv
