// The report as one self-contained HTML page: static text with inline CSS
// and the pictures as inline SVG, nothing fetched and no script, laid out for
// a screen of 1280 x 800. The first screen holds the verdict and, for a
// report from the receiver's stream, the sky plot by C/N0; below come the
// tracking picture, the other pictures, the tables of signals and satellites,
// and the session's details.
#include <cmath>

#include "support/gps_time.h"
#include "tools/jpsconv/cli_common.h"
#include "tools/jpsconv/qc_markup.h"
#include "tools/jpsconv/qc_time.h"
#include "tools/jpsconv/qc_writers.h"

#ifndef JPS_VERSION
#define JPS_VERSION "unknown"
#endif

namespace jpsconv {
namespace {

constexpr double kHighMultipath = 1.0;  // m: a satellite's MP1 above it is marked
constexpr double kLowShare = 0.9;       // a share below it is marked

constexpr const char* kStyle =
    "body{margin:0;padding:14px 20px;font:14px/1.4 sans-serif;color:#222;background:#fff}"
    "h1{font-size:20px;margin:0}h2{font-size:16px;margin:22px 0 8px;border-bottom:1px solid #ddd}"
    ".when{color:#555;margin:2px 0 12px}"
    ".top{display:flex;gap:24px;align-items:flex-start}"
    ".summary{flex:1 1 0;min-width:0}.top>figure{flex:0 0 auto}"
    ".pictures{display:flex;gap:24px;flex-wrap:wrap;align-items:flex-start}"
    "figure{margin:0}svg{max-width:100%;height:auto;display:block}"
    "table{border-collapse:collapse;font-size:13px}"
    "th,td{padding:2px 7px;text-align:right;border-bottom:1px solid #eee;white-space:nowrap}"
    "th{background:#f3f3f3;font-weight:600}th.l,td.l{text-align:left}"
    ".facts td{text-align:left;white-space:normal}.facts td:first-child{color:#555;white-space:nowrap}"
    ".bad{color:#b71c1c;font-weight:bold}.warn{color:#e65100}.good{color:#2e7d32}"
    "pre{font-size:12px;background:#fafafa;padding:8px;border:1px solid #eee;overflow:auto}"
    "footer{color:#888;font-size:12px;margin-top:24px}";

double Percent(long part, long whole) {
  return whole > 0 ? 100.0 * static_cast<double>(part) / static_cast<double>(whole) : 0.0;
}

std::string Cell(const std::string& text, const char* cls = "") {
  return std::string("<td") + (*cls != '\0' ? Formatted(" class=\"%s\"", cls) : "") + ">" +
         text + "</td>";
}

std::string Fact(const char* label, const std::string& html) {
  return Formatted("<tr><td>%s</td><td>", label) + html + "</td></tr>\n";
}

std::string Names(const std::vector<const QcSatellite*>& satellites,
                  std::string (*value)(const QcSatellite&)) {
  if (satellites.empty()) return "none";
  std::string out;
  for (const QcSatellite* s : satellites) {
    out += (out.empty() ? "" : ", ") + Escape(s->name) + " (" + value(*s) + ")";
  }
  return out;
}

// Per system, each signal's share of the epochs above the mask and its mean
// C/N0, over the satellites that have it.
std::string SignalFacts(const QcReport& r) {
  std::string rows;
  for (int system = 0; system < jps::kGnssSystemCount; ++system) {
    auto g = static_cast<jps::GnssSystem>(system);
    bool used[jps::kSignalSlotCount];
    if (!SignalsOf(r, g, used)) continue;
    std::string items;
    for (int slot = 0; slot < jps::kSignalSlotCount; ++slot) {
      if (!used[slot]) continue;
      QcSignalTotal t = SignalTotal(r, g, slot);
      double share = Percent(t.epochsAbove, t.satelliteEpochsAbove);
      items += (items.empty() ? "" : "; ") +
               Formatted("%s %s ", jps::Signal(g, static_cast<jps::SignalSlot>(slot)).rinexCode,
                         Escape(SignalName(g, slot)).c_str()) +
               (t.satelliteEpochsAbove > 0
                    ? Formatted("<span class=\"%s\">%.1f%%</span>",
                                share < 100 * kLowShare ? "warn" : "good", share)
                    : std::string("-")) +
               (t.cnr.values > 0 ? Formatted(", %.1f dB-Hz", t.cnr.Mean()) : std::string());
    }
    rows += Fact((std::string(SystemName(g)) + " signals").c_str(), items);
  }
  return rows;
}

std::string Facts(const QcReport& r) {
  QcTotals t = Totals(r);
  long missing = 0;
  for (const QcGap& g : r.gaps) missing += g.epochs;
  std::string rows;
  if (!r.damage.empty()) rows += Fact("damaged", "<span class=\"bad\">" + Escape(r.damage) + "</span>");
  double share = Percent(r.present, r.expected);
  rows += Fact("epochs", Formatted("<span class=\"%s\">%ld of %ld expected (%.1f%%)</span>, every %s",
                                   share < 100 * kLowShare ? "warn" : "good", r.present,
                                   r.expected, share, Escape(QcDuration(r.interval)).c_str()));
  rows += Fact("gaps", r.gaps.empty() ? std::string("none")
                                      : Formatted("<span class=\"warn\">%zu (%ld epochs)</span>",
                                                  r.gaps.size(), missing));
  std::string systems = Formatted("%d GPS, %d GLONASS", t.gps, t.glonass);
  if (t.other > 0) systems += Formatted(", %d other", t.other);
  rows += Fact("satellites", Formatted("%d (%s), %ld records", t.gps + t.glonass + t.other,
                                       systems.c_str(), t.records));
  rows += Fact("cycle slips", Formatted("<span class=\"%s\">%ld</span>", t.slips > 0 ? "warn" : "good",
                                        t.slips));
  rows += Fact("multipath", Formatted("MP1 %s, MP2 %s",
                                      t.mp1Epochs > 0 ? Formatted("%.2f m", t.mp1).c_str() : "-",
                                      t.mp2Epochs > 0 ? Formatted("%.2f m", t.mp2).c_str() : "-"));
  rows += Fact("records with",
               Formatted("L1 code %.1f%%, L1 phase %.1f%%, Doppler %.1f%%, L2 code %.1f%%, L2 "
                         "phase %.1f%%",
                         Percent(t.l1Code, t.records), Percent(t.l1Phase, t.records),
                         Percent(t.doppler, t.records), Percent(t.l2Code, t.records),
                         Percent(t.l2Phase, t.records)));
  if (r.stream.present) {
    std::string names;
    for (const QcUnhealthy& u : r.stream.unhealthy) {
      names += (names.empty() ? "" : ", ") + Escape(u.name) + Formatted(" (health %d)", u.health);
    }
    rows += Fact("broadcast unhealthy",
                 names.empty() ? std::string("none") : "<span class=\"bad\">" + names + "</span>");
    rows += SignalFacts(r);
  }
  QcWorst w = Worst(r, kQcWorstShown);
  rows += Fact("most cycle slips", Names(w.slips, [](const QcSatellite& s) {
                 return Formatted("%zu", s.slips.size());
               }));
  rows += Fact("highest MP1", Names(w.mp1, [](const QcSatellite& s) {
                 return Formatted("%.2f m", s.mp1.Rms());
               }));
  rows += Fact("highest MP2", Names(w.mp2, [](const QcSatellite& s) {
                 return Formatted("%.2f m", s.mp2.Rms());
               }));
  rows += Fact("least L2 phase", Names(w.l2Phase, [](const QcSatellite& s) {
                 return Formatted("%.1f%%", Percent(s.l2Phase, s.epochs));
               }));
  return "<table class=\"facts\">\n" + rows + "</table>\n";
}

std::string ShareCell(long part, long whole) {
  double p = Percent(part, whole);
  return Cell(Formatted("%.1f%%", p), p < 100 * kLowShare ? "warn" : "");
}

std::string MetresCell(const MultipathArcs& mp) {
  if (mp.epochs() == 0) return Cell("-");
  return Cell(Formatted("%.2f", mp.Rms()), mp.Rms() > kHighMultipath ? "warn" : "");
}

std::string SatelliteTable(const QcReport& r) {
  std::string out =
      "<table>\n<tr><th class=\"l\">satellite</th><th>epochs</th><th>L1 code</th><th>L1 "
      "phase</th><th>Doppler</th><th>L2 code</th><th>L2 phase</th><th>slips</th><th>longest "
      "lock</th><th>MP1 (m)</th><th>MP2 (m)</th>";
  out += r.stream.present ? "<th>elevation</th><th>C/N0 L1</th></tr>\n" : "</tr>\n";
  for (const QcSatellite& s : r.satellites) {
    out += "<tr>" + Cell(Escape(s.name), "l") + Cell(Formatted("%ld", s.epochs)) +
           ShareCell(s.l1Code, s.epochs) + ShareCell(s.l1Phase, s.epochs) +
           ShareCell(s.doppler, s.epochs) + ShareCell(s.l2Code, s.epochs) +
           ShareCell(s.l2Phase, s.epochs) +
           Cell(Formatted("%zu", s.slips.size()), s.slips.empty() ? "" : "warn") +
           Cell(Escape(QcDuration(s.longestLock))) + MetresCell(s.mp1) + MetresCell(s.mp2);
    if (r.stream.present) {
      const QcStatistic& e = s.stream.elevation;
      const QcStatistic& c = s.stream.signals[static_cast<int>(jps::SignalSlot::kCa)].cnr;
      out += Cell(e.values > 0 ? Formatted("%.0f\u2013%.0f\u00b0", e.min, e.max) : "-");
      out += Cell(c.values > 0 ? Formatted("%.1f", c.Mean()) : "-");
    }
    out += "</tr>\n";
  }
  return out + "</table>\n";
}

// Per system: each satellite's signals with their C/N0 and shares.
std::string SignalTables(const QcReport& r) {
  std::string out = Formatted(
      "<p>C/N0 in dB-Hz, mean and least; share: the epochs with the signal, of those the "
      "satellite was tracked above %.0f\u00b0.</p>\n",
      kElevationMask);
  for (int system = 0; system < jps::kGnssSystemCount; ++system) {
    auto g = static_cast<jps::GnssSystem>(system);
    bool used[jps::kSignalSlotCount];
    if (!SignalsOf(r, g, used)) continue;
    std::string head = Formatted("<tr><th class=\"l\" rowspan=\"2\">%s</th>", SystemName(g));
    std::string under = "<tr>";
    for (int slot = 0; slot < jps::kSignalSlotCount; ++slot) {
      if (!used[slot]) continue;
      head += Formatted("<th colspan=\"3\">%s %s</th>",
                        jps::Signal(g, static_cast<jps::SignalSlot>(slot)).rinexCode,
                        Escape(SignalName(g, slot)).c_str());
      under += "<th>mean</th><th>least</th><th>share</th>";
    }
    out += "<table>\n" + head + "</tr>\n" + under + "</tr>\n";
    for (const QcSatellite& s : r.satellites) {
      if (!s.stream.present || s.stream.system != g) continue;
      out += "<tr>" + Cell(Escape(s.name), "l");
      for (int slot = 0; slot < jps::kSignalSlotCount; ++slot) {
        if (!used[slot]) continue;
        const QcSignalFigures& f = s.stream.signals[slot];
        bool cnr = f.cnr.values > 0;
        out += Cell(cnr ? Formatted("%.1f", f.cnr.Mean()) : "-");
        out += Cell(cnr ? Formatted("%.1f", f.cnr.min) : "-");
        out += s.stream.epochsAbove > 0 && f.epochs > 0
                   ? ShareCell(f.epochsAbove, s.stream.epochsAbove)
                   : Cell("-");
      }
      out += "</tr>\n";
    }
    out += "</table>\n";
  }
  return out;
}

// Lines of text, each escaped.
std::string EscapedLines(const std::string& text) {
  std::string out;
  size_t begin = 0;
  for (size_t end; (end = text.find('\n', begin)) != std::string::npos; begin = end + 1) {
    out += Escape(text.substr(begin, end - begin)) + "\n";
  }
  return out + Escape(text.substr(begin));
}

std::string When(const QcReport& r) {
  if (r.present == 0) return "no epochs";
  std::string out = QcDateTime(r, r.first) + " to " + QcDateTime(r, r.last) + " GPS time";
  if (r.hasWeek) out += Formatted(", GPS week %d", r.week);
  return Escape(out) + (r.stream.present ? ", from the receiver's stream" : ", from the KEL file");
}

}  // namespace

std::string QcHtml(const QcReport& report) {
  const QcReport& r = report;
  std::string name = Escape(BaseName(r.kel));
  std::string out =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>Data quality of " +
      name + "</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n";
  out += "<h1>Data quality of " + name + "</h1>\n<p class=\"when\">" + When(r) + "</p>\n";
  out += "<div class=\"top\">\n<div class=\"summary\">\n" + Facts(r) + "</div>\n";
  if (r.stream.present) out += "<figure>\n" + QcSkyPicture(r, SkyColours::kCnr) + "</figure>\n";
  out += "</div>\n<h2>Tracking</h2>\n<figure>\n" + QcTrackingPicture(r) + "</figure>\n";
  if (r.stream.present) {
    out += "<h2>Multipath in the sky, and C/N0 against elevation</h2>\n<div class=\"pictures\">\n";
    out += "<figure>\n" + QcSkyPicture(r, SkyColours::kMultipath) + "</figure>\n";
    out += "<figure>\n" + QcCnrPicture(r) + "</figure>\n</div>\n";
    out += "<h2>Signals</h2>\n" + SignalTables(r);
  }
  out += "<h2>Satellites</h2>\n" + SatelliteTable(r);
  out += "<h2>Session</h2>\n<pre>" + EscapedLines(QcSessionText(r)) + "</pre>\n";
  out += "<footer>jpsconv " JPS_VERSION " \u2014 " + Escape(r.kel) + "</footer>\n";
  return out + "</body>\n</html>\n";
}

}  // namespace jpsconv
