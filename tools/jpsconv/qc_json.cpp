// The report as one JSON document: the figures of the text, every gap, span,
// mark and slip, and the satellites keyed by their names.
#include <cmath>
#include <vector>

#include "support/gps_time.h"
#include "tools/jpsconv/cli_common.h"
#include "tools/jpsconv/qc_time.h"
#include "tools/jpsconv/qc_writers.h"
#include "tools/jpsconv/satellite_names.h"

namespace jpsconv {
namespace {

constexpr const char* kNull = "null";

// Writes JSON, indented (pretty) or on one line. Arrays opened as inline stay
// on one line.
class JsonWriter {
 public:
  explicit JsonWriter(bool pretty) : pretty_(pretty) {}
  void Open(char bracket, bool inlined = false) {
    Separate();
    out_ += bracket;
    first_.push_back(true);
    inline_.push_back(inlined || (!inline_.empty() && inline_.back()));
  }
  void Close(char bracket) {
    bool empty = first_.back(), inlined = inline_.back();
    first_.pop_back();
    inline_.pop_back();
    if (pretty_ && !inlined && !empty) NewLine();
    out_ += bracket;
  }
  void Key(const char* name) {
    Separate();
    out_ += JsonString(ValidUtf8(name)) + (pretty_ ? ": " : ":");
    keyed_ = true;
  }
  void Raw(const std::string& value) {
    Separate();
    out_ += value;
  }
  void Text(const std::string& value) { Raw(JsonString(ValidUtf8(value))); }
  void Number(double value, int decimals) { Raw(Formatted("%.*f", decimals, value)); }
  void Integer(long value) { Raw(Formatted("%ld", value)); }
  // "name": value, for the common cases.
  void Field(const char* name, const std::string& text) {
    Key(name);
    Text(text);
  }
  void Field(const char* name, long value) {
    Key(name);
    Integer(value);
  }
  void Field(const char* name, double value, int decimals) {
    Key(name);
    Number(value, decimals);
  }
  std::string Finish() { return out_ + "\n"; }

 private:
  void NewLine() { out_ += "\n" + std::string(2 * first_.size(), ' '); }
  void Separate() {
    if (keyed_) {
      keyed_ = false;
      return;
    }
    if (first_.empty()) return;
    if (!first_.back()) out_ += ",";
    if (pretty_ && !inline_.back()) {
      NewLine();
    } else if (pretty_ && !first_.back()) {
      out_ += " ";
    }
    first_.back() = false;
  }

  bool pretty_;
  bool keyed_ = false;
  std::vector<bool> first_, inline_;
  std::string out_;
};

constexpr int kTimeDecimals = 3;
constexpr int kShareDecimals = 4;
constexpr int kMetreDecimals = 3;
constexpr int kDegreeDecimals = 2;
constexpr int kCnrDecimals = 4;

// A time as an object, under a name (or as an array item when name is null).
void Time(JsonWriter& w, const char* name, const QcReport& r, bool has, double t) {
  if (name != nullptr) w.Key(name);
  if (!has) {
    w.Raw(kNull);
    return;
  }
  w.Open('{', true);
  w.Field("seconds_of_week", std::fmod(t, jps::kSecondsPerWeek), kTimeDecimals);
  w.Key("gps_time");
  r.hasWeek ? w.Text(QcIsoTime(r, t)) : w.Raw(kNull);
  w.Field("text", QcDateTime(r, t));
  w.Close('}');
}

void OptionalText(JsonWriter& w, const char* name, const std::string& text) {
  w.Key(name);
  text.empty() ? w.Raw(kNull) : w.Text(text);
}

void Metres(JsonWriter& w, const char* name, bool has, double value) {
  w.Key(name);
  has ? w.Number(value, kMetreDecimals) : w.Raw(kNull);
}

const char* MarkKind(QcMarkKind kind) {
  switch (kind) {
    case QcMarkKind::kStation:
      return "station";
    case QcMarkKind::kModeChange:
      return "mode_change";
    case QcMarkKind::kSiteCanceled:
      return "site_canceled";
    case QcMarkKind::kCameraPulse:
      return "camera_pulse";
  }
  return "station";
}

void Marks(JsonWriter& w, const QcReport& r) {
  w.Key("marks");
  w.Open('[');
  for (const QcMark& m : r.marks) {
    w.Open('{', true);
    w.Field("kind", MarkKind(m.kind));
    Time(w, "time", r, m.hasTime, m.time);
    if (m.kind == QcMarkKind::kStation || m.kind == QcMarkKind::kSiteCanceled) {
      w.Field("name", m.name);
    }
    if (m.kind == QcMarkKind::kStation) {
      w.Field("antenna_height_m", m.antennaHeight, kMetreDecimals);
      w.Field("description", m.description);
      w.Field("antenna", m.antenna);
    }
    if (m.kind == QcMarkKind::kModeChange) w.Field("mode", m.kinematic ? "kinematic" : "static");
    if (m.kind == QcMarkKind::kCameraPulse) w.Field("pulse", static_cast<long>(m.pulse));
    w.Close('}');
  }
  w.Close(']');
}

void Session(JsonWriter& w, const QcReport& r) {
  w.Key("session");
  w.Open('{');
  w.Key("gps_week");
  r.hasWeek ? w.Integer(r.week) : w.Raw(kNull);
  Time(w, "first", r, r.present > 0, r.first);
  Time(w, "last", r, r.present > 0, r.last);
  w.Field("interval_s", r.interval, kTimeDecimals);
  w.Field("epochs_expected", r.expected);
  w.Field("epochs_present", r.present);
  w.Field("epochs_out_of_order", r.outOfOrder);
  w.Field("epochs_without_time", r.unusableTime);
  w.Key("gaps");
  w.Open('[');
  for (const QcGap& g : r.gaps) {
    w.Open('{', true);
    Time(w, "start", r, true, g.start);
    w.Field("epochs", g.epochs);
    w.Field("seconds", g.seconds, kTimeDecimals);
    w.Close('}');
  }
  w.Close(']');
  w.Key("spans");
  w.Open('[');
  for (const QcSpan& s : r.spans) {
    w.Open('{', true);
    w.Field("mode", s.kinematic ? "kinematic" : "static");
    Time(w, "start", r, true, s.start);
    Time(w, "end", r, true, s.end);
    w.Field("epochs", s.epochs);
    w.Close('}');
  }
  w.Close(']');
  w.Key("reacquisitions");
  w.Open('[');
  for (double t : r.reacquisitions) Time(w, nullptr, r, true, t);
  w.Close(']');
  Marks(w, r);
  w.Close('}');
}

// "with": counts of epochs holding each observable; "share": the same as
// fractions of the epochs (or records).
void Observables(JsonWriter& w, long whole, const long (&counts)[5]) {
  static const char* const kNames[] = {"l1_code", "l1_phase", "doppler", "l2_code", "l2_phase"};
  w.Key("with");
  w.Open('{', true);
  for (int i = 0; i < 5; ++i) w.Field(kNames[i], counts[i]);
  w.Close('}');
  w.Key("share");
  w.Open('{', true);
  for (int i = 0; i < 5; ++i) {
    w.Field(kNames[i], whole > 0 ? static_cast<double>(counts[i]) / whole : 0.0, kShareDecimals);
  }
  w.Close('}');
}

void Totals(JsonWriter& w, const QcReport& r) {
  QcTotals t = Totals(r);
  w.Key("totals");
  w.Open('{');
  w.Field("satellites", static_cast<long>(t.gps + t.glonass + t.other));
  w.Field("gps", static_cast<long>(t.gps));
  w.Field("glonass", static_cast<long>(t.glonass));
  w.Field("other", static_cast<long>(t.other));
  w.Field("records", t.records);
  Observables(w, t.records, {t.l1Code, t.l1Phase, t.doppler, t.l2Code, t.l2Phase});
  w.Field("slips", t.slips);
  Metres(w, "mp1_m", t.mp1Epochs > 0, t.mp1);
  Metres(w, "mp2_m", t.mp2Epochs > 0, t.mp2);
  w.Close('}');

  QcWorst worst = Worst(r, kQcWorstShown);
  w.Key("worst");
  w.Open('{');
  const std::pair<const char*, const std::vector<const QcSatellite*>*> lists[] = {
      {"slips", &worst.slips},
      {"mp1", &worst.mp1},
      {"mp2", &worst.mp2},
      {"l2_phase", &worst.l2Phase}};
  for (const auto& list : lists) {
    w.Key(list.first);
    w.Open('[', true);
    for (const QcSatellite* s : *list.second) w.Text(s->name);
    w.Close(']');
  }
  w.Close('}');
}

void OptionalNumber(JsonWriter& w, bool has, double value, int decimals) {
  has ? w.Number(value, decimals) : w.Raw(kNull);
}

// A statistic's mean, least and largest value under a name's prefix.
void Statistic(JsonWriter& w, const char* prefix, const QcStatistic& s, int decimals) {
  static const char* const kParts[] = {"_mean", "_min", "_max"};
  const double values[] = {s.Mean(), s.min, s.max};
  for (int i = 0; i < 3; ++i) {
    w.Key((std::string(prefix) + kParts[i]).c_str());
    OptionalNumber(w, s.values > 0, values[i], decimals);
  }
}

// What the stream tells of a satellite: where it stood, each signal with its
// C/N0, and its track (time, elevation, azimuth, C/N0 on L1, MP1 per bin).
void SatelliteStream(JsonWriter& w, const QcSatelliteStream& s) {
  w.Field("epochs_above_mask", s.epochsAbove);
  w.Key("sky");
  w.Open('{', true);
  w.Field("elevation_from_receiver", s.elevationFromReceiver);
  w.Field("elevation_computed", s.elevationComputed);
  w.Field("azimuth_from_receiver", s.azimuthFromReceiver);
  w.Field("azimuth_computed", s.azimuthComputed);
  Statistic(w, "elevation", s.elevation, kDegreeDecimals);
  w.Close('}');
  w.Key("signals");
  w.Open('{');
  for (int slot = 0; slot < jps::kSignalSlotCount; ++slot) {
    const QcSignalFigures& f = s.signals[slot];
    const char* code = jps::Signal(s.system, static_cast<jps::SignalSlot>(slot)).rinexCode;
    if (f.epochs == 0 || code == nullptr) continue;
    w.Key(code);
    w.Open('{', true);
    w.Field("name", SignalName(s.system, slot));
    w.Field("epochs", f.epochs);
    w.Field("epochs_above_mask", f.epochsAbove);
    w.Key("share_above_mask");
    OptionalNumber(w, s.epochsAbove > 0,
                   static_cast<double>(f.epochsAbove) / static_cast<double>(s.epochsAbove),
                   kShareDecimals);
    w.Field("cnr_values", f.cnr.values);
    Statistic(w, "cnr", f.cnr, kCnrDecimals);
    w.Close('}');
  }
  w.Close('}');
  w.Key("track");
  w.Open('[');
  for (const QcTrackPoint& p : s.track) {
    w.Open('[', true);
    w.Number(std::fmod(p.time, jps::kSecondsPerWeek), kTimeDecimals);
    OptionalNumber(w, p.hasSky, p.elevation, kDegreeDecimals);
    OptionalNumber(w, p.hasSky, p.azimuth, kDegreeDecimals);
    OptionalNumber(w, p.hasCnr, p.cnr, kCnrDecimals);
    OptionalNumber(w, p.hasMultipath, p.multipath, kMetreDecimals);
    w.Close(']');
  }
  w.Close(']');
}

// The stream's own figures of the whole session.
void Stream(JsonWriter& w, const QcReport& r) {
  w.Key("stream");
  if (!r.stream.present) {
    w.Raw(kNull);
    return;
  }
  w.Open('{');
  w.Field("elevation_mask_deg", kElevationMask, 1);
  w.Field("track_bin_s", r.stream.binSeconds, kTimeDecimals);
  w.Key("track_columns");
  w.Open('[', true);
  for (const char* c : {"seconds_of_week", "elevation_deg", "azimuth_deg", "cnr_l1", "mp1_m"}) {
    w.Text(c);
  }
  w.Close(']');
  w.Key("unhealthy");
  w.Open('[');
  for (const QcUnhealthy& u : r.stream.unhealthy) {
    w.Open('{', true);
    w.Field("satellite", u.name);
    w.Field("health", static_cast<long>(u.health));
    w.Field("ephemerides", u.ephemerides);
    w.Field("first_seconds_of_week", u.first, kTimeDecimals);
    w.Field("last_seconds_of_week", u.last, kTimeDecimals);
    w.Close('}');
  }
  w.Close(']');
  w.Key("signals");
  w.Open('[');
  for (int system = 0; system < jps::kGnssSystemCount; ++system) {
    auto g = static_cast<jps::GnssSystem>(system);
    bool used[jps::kSignalSlotCount];
    if (!SignalsOf(r, g, used)) continue;
    for (int slot = 0; slot < jps::kSignalSlotCount; ++slot) {
      if (!used[slot]) continue;
      QcSignalTotal t = SignalTotal(r, g, slot);
      w.Open('{', true);
      w.Field("system", SystemName(g));
      w.Field("signal", jps::Signal(g, static_cast<jps::SignalSlot>(slot)).rinexCode);
      w.Field("satellites", static_cast<long>(t.satellites));
      w.Key("share_above_mask");
      OptionalNumber(w, t.satelliteEpochsAbove > 0,
                     static_cast<double>(t.epochsAbove) / static_cast<double>(t.satelliteEpochsAbove),
                     kShareDecimals);
      Statistic(w, "cnr", t.cnr, kCnrDecimals);
      w.Close('}');
    }
  }
  w.Close(']');
  w.Key("cnr_by_elevation");
  w.Open('[');
  for (const QcCnrCurve& c : r.stream.cnrByElevation) {
    w.Open('{');
    w.Field("system", SystemName(c.system));
    w.Field("signal", jps::Signal(c.system, static_cast<jps::SignalSlot>(c.slot)).rinexCode);
    w.Field("name", SignalName(c.system, c.slot));
    w.Key("bins");
    w.Open('[');
    for (int b = 0; b < kElevationBins; ++b) {
      if (c.bins[b].values == 0) continue;
      w.Open('{', true);
      w.Field("from_deg", b * kElevationBinDegrees, 1);
      w.Field("values", c.bins[b].values);
      Statistic(w, "cnr", c.bins[b], kCnrDecimals);
      w.Close('}');
    }
    w.Close(']');
    w.Close('}');
  }
  w.Close(']');
  w.Close('}');
}

void Satellite(JsonWriter& w, const QcSatellite& s) {
  w.Key(s.name.c_str());
  w.Open('{');
  w.Field("number", static_cast<long>(s.number));
  w.Key("slot");
  s.slot > 0 ? w.Integer(s.slot) : w.Raw(kNull);
  w.Field("system", s.stream.present             ? SystemName(s.stream.system)
                    : jps::IsGpsNumber(s.number) ? "GPS"
                    : jps::IsGlonassNumber(s.number) ? "GLONASS"
                                                     : "other");
  w.Field("epochs", s.epochs);
  Observables(w, s.epochs, {s.l1Code, s.l1Phase, s.doppler, s.l2Code, s.l2Phase});
  w.Field("slips", static_cast<long>(s.slips.size()));
  w.Key("slip_times");
  w.Open('[', true);
  for (double t : s.slips) w.Number(std::fmod(t, jps::kSecondsPerWeek), kTimeDecimals);
  w.Close(']');
  w.Field("outliers", s.outliers);
  w.Field("longest_lock_s", s.longestLock, kTimeDecimals);
  Metres(w, "mp1_m", s.mp1.epochs() > 0, s.mp1.Rms());
  w.Field("mp1_epochs", s.mp1.epochs());
  w.Field("mp1_arcs", static_cast<long>(s.mp1.arcs()));
  Metres(w, "mp2_m", s.mp2.epochs() > 0, s.mp2.Rms());
  w.Field("mp2_epochs", s.mp2.epochs());
  w.Field("mp2_arcs", static_cast<long>(s.mp2.arcs()));
  if (s.stream.present) SatelliteStream(w, s.stream);
  w.Close('}');
}

}  // namespace

std::string QcJson(const QcReport& report, bool compact) {
  JsonWriter w(!compact);
  w.Open('{');
  w.Field("file", report.kel);
  w.Field("source", report.stream.present ? "receiver stream" : "KEL file");
  OptionalText(w, "epp", report.epp);
  OptionalText(w, "sta", report.sta);
  w.Key("complete");
  w.Raw(report.damage.empty() ? "true" : "false");
  OptionalText(w, "damage", report.damage);
  Session(w, report);
  Totals(w, report);
  Stream(w, report);
  w.Key("satellites");
  w.Open('{');
  for (const QcSatellite& s : report.satellites) Satellite(w, s);
  w.Close('}');
  w.Close('}');
  return w.Finish();
}

}  // namespace jpsconv
