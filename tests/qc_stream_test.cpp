// The data-quality report from the receiver's stream (jpsconv qc FILE.jps,
// convert --qc) on simulated sessions, whose simulator knows where every
// satellite stood: the elevations and azimuths the report works out from the
// ephemerides when the stream sends none, convert --qc beside RINEX in one
// pass and in worker processes, a stream of rM records, and the HTML page as
// a real browser (Debian's chromium) draws it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "tests/builder/greis_frames.h"
#include "tests/builder/json_reader.h"
#include "tests/builder/program_run.h"
#include "tests/builder/test_host.h"
#include "tools/builder/message_builder.h"
#include "tools/simulator/simulator.h"

namespace {

using jpstest::Jpsconv;
using jpstest::JsonValue;
using jpstest::ProgramRun;

constexpr double kDegree = 3.14159265358979323846 / 180.0;

JsonValue ParseReport(const std::string& text) {
  JsonValue report;
  EXPECT_EQ(jpstest::ParseJson(text, &report), "") << text.substr(0, 2000);
  return report;
}

struct Place {
  double elevation, azimuth;
};
// Where each satellite stood at each second of week, as the simulator has it.
using Sky = std::map<std::string, std::map<long, Place>>;

std::string Name(const jpssim::SatObservation& o) {
  char text[16];
  std::snprintf(text, sizeof text, "%c%02d", o.glonass ? 'R' : 'G',
                o.glonass ? o.glonassSlot : static_cast<int>(o.index));
  return text;
}

jpsbuild::Bytes SimulateWithSky(const jpssim::SimulatorOptions& options, Sky* sky) {
  jpssim::Session session(options);
  jpsbuild::Bytes bytes;
  while (session.Next(&bytes)) {
    const jpssim::ReceiverEpoch& e = session.lastEpoch();
    for (const jpssim::SatObservation& o : e.satellites) {
      (*sky)[Name(o)][std::lround(e.tag.secondsOfWeek)] = {o.elevation, o.azimuth};
    }
  }
  return bytes;
}

// The angle between two places in the sky, degrees.
double Apart(const Place& a, const Place& b) {
  auto unit = [](const Place& p, double* v) {
    v[0] = std::cos(p.elevation * kDegree) * std::sin(p.azimuth * kDegree);
    v[1] = std::cos(p.elevation * kDegree) * std::cos(p.azimuth * kDegree);
    v[2] = std::sin(p.elevation * kDegree);
  };
  double u[3], v[3];
  unit(a, u);
  unit(b, v);
  double dot = u[0] * v[0] + u[1] * v[1] + u[2] * v[2];
  return std::acos(std::fmin(1.0, dot)) / kDegree;
}

// Every bin of every satellite's track lies where the simulator had the
// satellite at the bin's mean time, within `within` degrees; the share of
// bins placed.
double CompareTracks(const JsonValue& report, const Sky& sky, double within, int* compared) {
  long points = 0, placed = 0;
  double worst = 0;
  for (const auto& [name, satellite] : report["satellites"].members) {
    auto truth = sky.find(name);
    if (truth == sky.end()) continue;
    for (const JsonValue& p : satellite["track"].items) {
      ++points;
      if (p[1].IsNull()) continue;
      ++placed;
      auto at = truth->second.find(std::lround(p[0].number));
      if (at == truth->second.end()) continue;
      double apart = Apart({p[1].number, p[2].number}, at->second);
      EXPECT_LT(apart, within) << name << " at " << p[0].number;
      worst = std::fmax(worst, apart);
      ++*compared;
    }
  }
  std::printf("%d bins compared with the simulated sky: at most %.3f degrees off\n", *compared,
              worst);
  return points > 0 ? static_cast<double>(placed) / static_cast<double>(points) : 0.0;
}

// A stream without the receiver's elevations [EL] and azimuths [AZ]: the
// report works them out from the ephemerides and the receiver's position
// (the bins before a satellite's first ephemeris too), within 0.2 degree of
// the simulated sky; with them, it takes the receiver's (whole degrees, and
// azimuths in steps of 2), within 1.5 degrees.
TEST(QcStreamSky, WorkedOutFromTheEphemeridesWhenTheStreamSendsNone) {
  jpssim::SimulatorOptions options;
  options.minutes = 20;
  options.seed = 5;
  Sky sky;
  jpsbuild::Bytes bytes = SimulateWithSky(options, &sky);
  jpsbuild::Bytes stripped;
  for (const jpstest::Msg& m : jpstest::Frames(bytes)) {
    if (m.id != "EL" && m.id != "AZ") jpsbuild::AppendMessage(stripped, m.id, jpsbuild::Body().Raw(m.body));
  }
  std::string dir = jpstest::TempDir();
  jpstest::WriteFile(dir + "/sky.jps", bytes);
  jpstest::WriteFile(dir + "/bare.jps", stripped);

  ProgramRun bare = Jpsconv({"qc", dir + "/bare.jps", "--json"}, dir);
  ASSERT_EQ(bare.exit, 0) << bare.err;
  JsonValue r = ParseReport(bare.out);
  for (const auto& [name, s] : r["satellites"].members) {
    EXPECT_EQ(s["sky"]["elevation_from_receiver"].number, 0) << name;
    EXPECT_GT(s["sky"]["elevation_computed"].number, 0.9 * s["epochs"].number) << name;
  }
  int compared = 0;
  EXPECT_EQ(CompareTracks(r, sky, 0.2, &compared), 1.0);
  EXPECT_GT(compared, 3000);

  ProgramRun sent = Jpsconv({"qc", dir + "/sky.jps", "--json"}, dir);
  ASSERT_EQ(sent.exit, 0) << sent.err;
  JsonValue withSky = ParseReport(sent.out);
  for (const auto& [name, s] : withSky["satellites"].members) {
    EXPECT_EQ(s["sky"]["elevation_from_receiver"].number, s["epochs"].number) << name;
    EXPECT_EQ(s["sky"]["azimuth_computed"].number, 0) << name;
  }
  compared = 0;
  EXPECT_EQ(CompareTracks(withSky, sky, 1.5, &compared), 1.0);
}

// What the simulator wrote of its GPS satellites, with the elevations as
// the receiver sends them ([EL]: whole degrees).
struct SignalCount {
  long above = 0;      // epochs above the mask with the signal
  double cnrSum = 0;   // of its C/N0 as simulated
  long cnrs = 0;
};
struct GpsTruth {
  long above = 0;  // epochs above the mask
  SignalCount signals[jps::kSignalSlotCount];
};
struct StrengthBin {
  double sum = 0;
  long count = 0;
};

// A simulated session with an extra code error of 3 m on one GPS satellite:
//  - each GPS satellite's signals: the epochs above 10 degrees that have
//    them, as the simulator sent them, and their mean C/N0 within what the
//    receiver's encodings add (0.5 dB-Hz);
//  - GPS C/A C/N0 against elevation, bin by bin, within the same;
//  - multipath over time: the noisy satellite's bins near its 3 m, the
//    others' far below.
TEST(QcStreamFigures, SignalsStrengthAndMultipathFollowTheSimulatedSession) {
  jpssim::SimulatorOptions options;
  options.minutes = 40;
  options.seed = 7;
  options.codeErrorSatellite = 0;
  {
    // The GPS satellite seen longest takes the extra error.
    jpssim::Session first(options);
    std::map<int, int> seen;
    jpsbuild::Bytes ignored;
    while (first.Next(&ignored)) {
      for (const jpssim::SatObservation& o : first.lastEpoch().satellites) seen[o.glonass ? 0 : o.index]++;
      ignored.clear();
    }
    seen.erase(0);
    for (const auto& [prn, count] : seen) {
      if (options.codeErrorSatellite == 0 || count > seen[options.codeErrorSatellite]) {
        options.codeErrorSatellite = prn;
      }
    }
  }
  options.codeErrorRms = 3.0;
  jpssim::Session session(options);
  jpsbuild::Bytes bytes;
  std::map<std::string, GpsTruth> truth;
  StrengthBin bins[18];
  while (session.Next(&bytes)) {
    for (const jpssim::SatObservation& o : session.lastEpoch().satellites) {
      if (o.glonass) continue;
      long elevation = std::lround(o.elevation);
      GpsTruth& t = truth[Name(o)];
      if (elevation >= 10) ++t.above;
      for (int slot = 0; slot < jps::kSignalSlotCount; ++slot) {
        jpssim::SignalTruth s = o.InSlot(static_cast<jps::SignalSlot>(slot));
        if (!s.sent || !(s.hasRange || s.hasPhase || s.hasDoppler || s.hasSnr)) continue;
        SignalCount& c = t.signals[slot];
        c.above += elevation >= 10;
        if (!s.hasSnr) continue;
        c.cnrSum += s.snr;
        ++c.cnrs;
      }
      if (o.hasSnr) {
        StrengthBin& b = bins[std::min(17L, std::max(0L, elevation / 5))];
        b.sum += o.snr;
        ++b.count;
      }
    }
  }
  std::string dir = jpstest::TempDir();
  jpstest::WriteFile(dir + "/noisy.jps", bytes);
  ProgramRun run = Jpsconv({"qc", dir + "/noisy.jps", "--json"}, dir);
  ASSERT_EQ(run.exit, 0) << run.err;
  JsonValue r = ParseReport(run.out);

  const char* codes[] = {"1C", "1W", "2W", "2X", "5X", "1X"};
  int signals = 0;
  for (const auto& [name, t] : truth) {
    SCOPED_TRACE(name);
    const JsonValue& s = r["satellites"][name];
    EXPECT_EQ(s["epochs_above_mask"].number, t.above);
    for (int slot = 0; slot < jps::kSignalSlotCount; ++slot) {
      const SignalCount& c = t.signals[slot];
      if (c.above == 0 && c.cnrs == 0) continue;
      SCOPED_TRACE(codes[slot]);
      const JsonValue& f = s["signals"][codes[slot]];
      EXPECT_EQ(f["epochs_above_mask"].number, c.above);
      EXPECT_NEAR(f["cnr_mean"].number, c.cnrSum / c.cnrs, 0.5);
      ++signals;
    }
  }
  EXPECT_GT(signals, 30);
  const JsonValue* gpsCa = nullptr;
  for (const JsonValue& curve : r["stream"]["cnr_by_elevation"].items) {
    if (curve["system"].text == "GPS" && curve["signal"].text == "1C") gpsCa = &curve;
  }
  ASSERT_NE(gpsCa, nullptr);
  for (const JsonValue& bin : (*gpsCa)["bins"].items) {
    const StrengthBin& b = bins[std::lround(bin["from_deg"].number / 5)];
    EXPECT_EQ(bin["values"].number, b.count) << bin["from_deg"].number;
    EXPECT_NEAR(bin["cnr_mean"].number, b.sum / b.count, 0.5) << bin["from_deg"].number;
  }

  char noisy[8];
  std::snprintf(noisy, sizeof noisy, "G%02d", options.codeErrorSatellite);
  for (const auto& [name, s] : r["satellites"].members) {
    std::vector<double> values;
    for (const JsonValue& p : s["track"].items) {
      if (!p[4].IsNull()) values.push_back(p[4].number);
    }
    if (values.size() < 20 || name[0] != 'G') continue;
    std::sort(values.begin(), values.end());
    double median = values[values.size() / 2];
    if (name == noisy) {
      EXPECT_NEAR(median, 3.0, 0.6) << name;
      std::printf("%d signals compared; %s's multipath over time: median %.2f m over %zu bins\n",
                  signals, name.c_str(), median, values.size());
    } else {
      EXPECT_LT(median, 1.0) << name;
    }
  }
}

// convert --qc --rinex with two files in worker processes: per file the
// summary, the RINEX summary and the report from the stream, each one JSON
// line; the report covers every epoch written. A stream of legacy rM records
// has no epochs of observations: qc says so, and convert --qc reports on the
// KEL file instead.
TEST(QcStreamConvert, ReportBesideRinexInOnePassAndFromWorkers) {
  std::string dir = jpstest::TempDir();
  for (const char* seed : {"1", "2"}) {
    ProgramRun sim = Jpsconv({"simulate", "-o", dir + "/s" + seed + ".jps", "--minutes", "4",
                              "--seed", seed},
                             dir);
    ASSERT_EQ(sim.exit, 0) << sim.err;
  }
  ProgramRun run = Jpsconv({"convert", dir + "/s1.jps", dir + "/s2.jps", "-o", dir, "-j", "2",
                            "--qc", "--rinex", "--json", "-q"},
                           dir);
  ASSERT_EQ(run.exit, 0) << run.err;
  std::vector<JsonValue> lines;
  for (size_t b = 0, e; (e = run.out.find('\n', b)) != std::string::npos; b = e + 1) {
    lines.push_back(ParseReport(run.out.substr(b, e - b)));
  }
  ASSERT_EQ(lines.size(), 6u) << run.out;
  int reports = 0;
  for (size_t i = 0; i < lines.size(); i += 3) {
    const JsonValue& report = lines[i + 2];
    ASSERT_EQ(report["source"].text, "receiver stream");
    EXPECT_EQ(report["file"].text, lines[i]["input"].text);
    EXPECT_EQ(report["session"]["epochs_present"].number, lines[i]["epochs"].number);
    EXPECT_TRUE(report["stream"]["unhealthy"].items.empty());
    EXPECT_FALSE(report["stream"]["cnr_by_elevation"].items.empty());
    ++reports;
  }
  EXPECT_EQ(reports, 2);
  for (const char* file : {"/s1.obs", "/s2.obs", "/s1.kel", "/s2.kel"}) {
    EXPECT_TRUE(jpstest::Exists(dir + file)) << file;
  }

  ASSERT_EQ(Jpsconv({"simulate", "-o", dir + "/rm.jps", "--minutes", "2", "--rm"}, dir).exit, 0);
  ProgramRun rm = Jpsconv({"qc", dir + "/rm.jps"}, dir);
  EXPECT_EQ(rm.exit, 1);
  EXPECT_NE(rm.err.find("no epochs of observations in the stream"), std::string::npos) << rm.err;
  ProgramRun kel = Jpsconv({"convert", dir + "/rm.jps", "--qc", "--json", "-q"}, dir);
  EXPECT_EQ(kel.exit, 0) << kel.err;
  EXPECT_EQ(ParseReport(kel.out.substr(kel.out.find('\n') + 1))["source"].text, "KEL file");
}

// ---------------------------------------------------------------- the page

uint32_t BigEndian32(const std::string& bytes, size_t at) {
  return static_cast<uint32_t>(
      static_cast<uint8_t>(bytes[at]) << 24 | static_cast<uint8_t>(bytes[at + 1]) << 16 |
      static_cast<uint8_t>(bytes[at + 2]) << 8 | static_cast<uint8_t>(bytes[at + 3]));
}

// Headless chromium on a page (as root it needs its sandbox off); what it
// printed (the DOM for --dump-dom).
ProgramRun Chromium(const std::string& dir, const std::string& action, const std::string& page) {
  static int runs = 0;
  std::string profile = dir + "/profile-" + std::to_string(++runs);  // a fresh one each time
  return jpstest::Run({"chromium", "--headless", "--no-sandbox", "--disable-gpu",
                       "--disable-quic", "--no-first-run", "--disable-background-networking",
                       "--disable-component-update", "--disable-sync",
                       "--user-data-dir=" + profile, "--window-size=1280,800", action,
                       "file://" + page},
                      dir);
}

// The page: one file, nothing fetched, no script; in a browser window of
// 1280 x 800 the sky plot stands whole on the first screen, nothing runs
// off to the side, and the screenshot is far from a blank page's.
TEST(QcStreamPage, OneFileThatABrowserShowsWithTheSkyPlotOnTheFirstScreen) {
  std::string dir = jpstest::TempDir();
  ASSERT_EQ(Jpsconv({"simulate", "-o", dir + "/site.jps", "--minutes", "60", "--interval", "5"},
                    dir)
                .exit,
            0);
  std::string page = dir + "/site.html";
  ProgramRun run = Jpsconv({"qc", dir + "/site.jps", "--html", page}, dir);
  ASSERT_EQ(run.exit, 0) << run.err;
  std::string html = jpstest::ReadFile(page);
  ASSERT_EQ(html.substr(0, 15), "<!DOCTYPE html>");
  for (const char* outside : {"<script", "src=", "href", "@import", "url(http", "<link", "<img"}) {
    EXPECT_EQ(html.find(outside), std::string::npos) << outside;
  }
  for (const char* id : {"sky-plot", "sky-plot-multipath", "cnr-elevation", "tracking"}) {
    EXPECT_NE(html.find("<svg xmlns=\"http://www.w3.org/2000/svg\" id=\"" + std::string(id)),
              std::string::npos)
        << id;
  }
  if (!jpstest::OnPath("chromium")) GTEST_SKIP() << "chromium is not installed: the page is not drawn";

  std::string shot = dir + "/site.png", blankShot = dir + "/blank.png";
  jpstest::WriteFile(dir + "/blank.html", "<!DOCTYPE html>\n<html><body></body></html>\n");
  ASSERT_EQ(Chromium(dir, "--screenshot=" + blankShot, dir + "/blank.html").exit, 0);
  ASSERT_EQ(Chromium(dir, "--screenshot=" + shot, page).exit, 0);
  std::string png = jpstest::ReadFile(shot), blank = jpstest::ReadFile(blankShot);
  ASSERT_GT(png.size(), 24u);
  EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
  EXPECT_EQ(png.substr(12, 4), "IHDR");
  EXPECT_EQ(BigEndian32(png, 16), 1280u);
  EXPECT_EQ(BigEndian32(png, 20), 800u);
  EXPECT_GT(png.size(), 10 * blank.size());
  std::printf("screenshot %s: %zu bytes (a blank page: %zu)\n", shot.c_str(), png.size(),
              blank.size());

  ProgramRun dom = Chromium(dir, "--dump-dom", page);
  ASSERT_EQ(dom.exit, 0);
  EXPECT_NE(dom.out.find("id=\"sky-plot\""), std::string::npos);
  EXPECT_NE(dom.out.find("class=\"track cnr-"), std::string::npos);
  // Where the browser laid the sky plot out: a copy of the page with a probe.
  std::string probe = html;
  probe.insert(probe.rfind("</body>"),
               "<script>var e=document.getElementById('sky-plot'),r=e.getBoundingClientRect(),"
               "s=getComputedStyle(e),p=document.createElement('pre');p.id='probe';"
               "p.textContent=['probe',r.left,r.top,r.right,r.bottom,s.display,s.visibility,"
               "document.documentElement.scrollWidth].join(' ');document.body.appendChild(p);"
               "</script>");
  jpstest::WriteFile(dir + "/probe.html", probe);
  ProgramRun laid = Chromium(dir, "--dump-dom", dir + "/probe.html");
  size_t at = laid.out.find(">probe ");
  ASSERT_NE(at, std::string::npos) << laid.out.substr(0, 500);
  double left = 0, top = 0, right = 0, bottom = 0, scroll = 0;
  char display[32] = "", visibility[32] = "";
  ASSERT_EQ(std::sscanf(laid.out.c_str() + at + 7, "%lf %lf %lf %lf %31s %31s %lf", &left, &top,
                        &right, &bottom, display, visibility, &scroll),
            7);
  EXPECT_GE(left, 0);
  EXPECT_GE(top, 0);
  EXPECT_LE(right, 1280);
  EXPECT_LE(bottom, 800);
  EXPECT_GE(right - left, 400);
  EXPECT_GE(bottom - top, 400);
  EXPECT_STRNE(display, "none");
  EXPECT_STREQ(visibility, "visible");
  EXPECT_LE(scroll, 1280);
}

}  // namespace
