// The data-quality report (jpsconv qc and convert --qc), checked against what
// was written: a KEL file put together here byte by byte, simulated sessions
// whose simulator knows its slips, gaps and satellites, and the shared
// recordings read back independently. The picture is parsed as XML and drawn
// by a real renderer.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "support/little_endian.h"
#include "tests/builder/json_reader.h"
#include "tests/builder/optional_tools.h"
#include "tests/builder/program_run.h"
#include "tests/builder/test_host.h"
#include "tests/builder/xml_reader.h"
#include "tools/simulator/receiver_model.h"
#include "tools/simulator/simulator.h"

namespace {

using jpstest::Jpsconv;
using jpstest::JsonValue;
using jpstest::ProgramRun;
using jpstest::XmlElement;

constexpr double kWeek = 604800.0;
constexpr double kL1 = 1575.42e6, kL2 = 1227.6e6;

// ---------------------------------------------------------------- KEL bytes

struct Obs {
  int satellite, lock;
  double l1Code, l1Phase, doppler, l2Code, l2Phase;
};
struct CraftedEpoch {
  double time;
  bool kinematic;
  std::vector<Obs> obs;
};

// A KEL file as the format lays it out: header (created on the given date),
// then each epoch record and its measurement records.
std::string KelBytes(int year, int month, int day, const std::vector<CraftedEpoch>& epochs) {
  std::vector<uint8_t> b(202, 0);
  jps::StoreI16(&b[0], 202);
  jps::StoreF32(&b[2], 1.01f);
  b[6] = 22;
  b[7] = 24;
  jps::StoreI16(&b[8], static_cast<int16_t>(month - 1));
  jps::StoreI16(&b[10], static_cast<int16_t>(day));
  jps::StoreI16(&b[12], static_cast<int16_t>(year - 1900));
  jps::StoreF32(&b[20], 1.0f);
  for (const CraftedEpoch& e : epochs) {
    size_t at = b.size();
    b.resize(at + 68 + 44 * e.obs.size(), 0);
    jps::StoreI16(&b[at], 68);
    b[at + 2] = static_cast<uint8_t>(e.obs.size());
    b[at + 3] = e.kinematic ? 2 : 0;
    jps::StoreF64(&b[at + 28], e.time);
    jps::StoreF64(&b[at + 36], e.time);
    for (size_t i = 0; i < e.obs.size(); ++i) {
      uint8_t* m = &b[at + 68 + 44 * i];
      const Obs& o = e.obs[i];
      jps::StoreI16(m, 44);
      m[2] = static_cast<uint8_t>(o.satellite);
      m[3] = static_cast<uint8_t>(o.lock);
      jps::StoreF64(m + 4, o.l1Code);
      jps::StoreF64(m + 12, o.l1Phase);
      jps::StoreF64(m + 20, o.doppler);
      jps::StoreF64(m + 28, o.l2Code);
      jps::StoreF64(m + 36, o.l2Phase);
    }
  }
  return std::string(b.begin(), b.end());
}

JsonValue ParseReport(const std::string& text) {
  JsonValue report;
  std::string error = jpstest::ParseJson(text, &report);
  EXPECT_EQ(error, "") << text.substr(0, 2000);
  return report;
}

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// The pieces ("M" commands) of the picture's paths of one class.
int PathPieces(const XmlElement& svg, const std::string& cls) {
  std::vector<const XmlElement*> paths;
  svg.Find("path", &paths);
  int n = 0;
  for (const XmlElement* p : paths) {
    if (p->Attribute("class") == cls) n += Count(p->Attribute("d"), "M");
  }
  return n;
}

XmlElement ParseSvg(const std::string& text) {
  XmlElement svg;
  std::string error = jpstest::ParseXml(text, &svg);
  EXPECT_EQ(error, "");
  EXPECT_EQ(svg.name, "svg");
  EXPECT_EQ(svg.Attribute("xmlns"), "http://www.w3.org/2000/svg");
  // Plain SVG: nothing that runs and nothing fetched.
  std::vector<const XmlElement*> found;
  svg.Find("script", &found);
  svg.Find("image", &found);
  svg.Find("foreignObject", &found);
  EXPECT_TRUE(found.empty());
  EXPECT_EQ(text.find("href"), std::string::npos);
  return svg;
}

std::set<std::string> Texts(const XmlElement& svg) {
  std::vector<const XmlElement*> texts;
  svg.Find("text", &texts);
  std::set<std::string> out;
  for (const XmlElement* t : texts) out.insert(t->text);
  return out;
}

// The readers that judge the report's JSON and SVG refuse what is broken.
TEST(QcTestReaders, RefuseDocumentsThatAreNotWellFormed) {
  XmlElement x;
  EXPECT_EQ(jpstest::ParseXml("<?xml version=\"1.0\"?>\n<svg a=\"1\"><t>x &amp; y</t></svg>\n", &x),
            "");
  EXPECT_EQ(x.children[0].text, "x & y");
  for (const char* bad :
       {"<svg><g></svg>", "<svg a=1/>", "<svg a=\"1\" a=\"2\"/>", "<svg>&foo;</svg>",
        "<svg>a < b</svg>", "<svg/><svg/>", "<svg a=\"<\"/>", "<svg>"}) {
    EXPECT_NE(jpstest::ParseXml(bad, &x), "") << bad;
  }
  JsonValue j;
  EXPECT_EQ(jpstest::ParseJson("{\"a\": [1, -2.5e3, true, null, \"\\u00e9\"]}", &j), "");
  EXPECT_EQ(j["a"][1].number, -2500);
  for (const char* bad :
       {"{\"a\": 1,}", "[01]", "{a: 1}", "[1 2]", "\"tab\there\"", "[1.]", "{} {}"}) {
    EXPECT_NE(jpstest::ParseJson(bad, &j), "") << bad;
  }
}

// ---------------------------------------------------------------- crafted file

// A GpsEph block as the converter writes it, sent at time of week tow of the
// week as broadcast (ten bits, or full).
std::string GpsEphemerisBlock(int prn, int week, int tow) {
  char text[512];
  std::snprintf(text, sizeof text,
                "GpsEph { Prn: %d\r\n\tEl1: %d %d 0 0 %d\r\n\tEl2: 0 0 0\r\n\tEl3: 0 0 0 0\r\n"
                "\tEl4: 0 0 0 5153.7\r\n\tEl5: %d 0 0 0\r\n\tEl6: 0 0 0 0 0\r\n}\r\n",
                prn, week, tow, tow, tow);
  return text;
}

// Writes into dir the KEL, EPP and STA files of a session around the GPS
// week rollover of 2019-04-07 (week 2047 ends, broadcast as 1023), with a
// gap, lock restarts and lost phases placed by hand; the KEL path.
std::string WriteRolloverSession(const std::string& dir) {
  const double c = 2.2e7, p1 = -1.1e8, p2 = -0.9e8;
  auto g05 = [&](int lock, double l1p = -1.1e8) { return Obs{5, lock, c, l1p, 900, c, p2}; };
  auto r3 = [&](int lock, double l2p = -0.9e8) { return Obs{48, lock, c, p1, 800, c, l2p}; };
  std::vector<CraftedEpoch> epochs = {
      {604797, false, {g05(10), r3(10)}},
      {604798, false, {g05(11), r3(11)}},
      {604799, false, {g05(12)}},     // R+3 gone for an epoch
      {0, true, {g05(1), r3(1)}},     // G05's lock restarts; R+3 comes back
      {1, true, {g05(1, 0), r3(2)}},  // still 1; no L1 phase
      {2, true, {g05(2), r3(3, 0)}},  // R+3 without L2 phase
      {5, true, {g05(1), r3(6)}},     // after two missing epochs: G05 restarts
      {6, true, {g05(2), r3(7)}},
      {1e9, true, {g05(3), r3(8)}},  // damaged: no time of week, left out
  };
  std::string kel = dir + "/roll.kel";
  jpstest::WriteFile(kel, KelBytes(2026, 1, 1, epochs));
  jpstest::WriteFile(dir + "/roll.epp", "$EPHREC Ver6.0 JPS2KEL GPS/Glonass\r\n" +
                                            GpsEphemerisBlock(5, 1023, 604784) +
                                            "GpsIon { Utc: 18\r\n}\r\n");
  jpstest::WriteFile(dir + "/roll.STA",
                     "Mark File:\r\nSTA: * 604798.50 * PT1 * 1.500 * corner * ANT * \r\n"
                     "0.5 ENTERING KINEMATIC MODE\r\nSITE Z\xFCrich CANCELED\r\n"
                     "\r\nCAMERA PULSE #1 AT: 1.250000\r\n");
  return kel;
}

TEST(QcCraftedKel, SessionAcrossTheRolloverWithItsGapModesAndMarks) {
  std::string dir = jpstest::TempDir();
  std::string kel = WriteRolloverSession(dir);
  ProgramRun run = Jpsconv({"qc", kel, "--json"}, dir);
  ASSERT_EQ(run.exit, 0) << run.err;
  JsonValue r = ParseReport(run.out);
  const JsonValue& s = r["session"];
  EXPECT_EQ(s["gps_week"].number, 2047);
  EXPECT_EQ(s["first"]["seconds_of_week"].number, 604797);
  EXPECT_EQ(s["first"]["gps_time"].text, "2019-04-06T23:59:57");
  EXPECT_EQ(s["last"]["seconds_of_week"].number, 6);
  EXPECT_EQ(s["last"]["gps_time"].text, "2019-04-07T00:00:06");
  EXPECT_EQ(s["interval_s"].number, 1);
  EXPECT_EQ(s["epochs_present"].number, 8);
  EXPECT_EQ(s["epochs_without_time"].number, 1);
  EXPECT_EQ(s["epochs_expected"].number, 10);
  ASSERT_EQ(s["gaps"].items.size(), 1u);
  EXPECT_EQ(s["gaps"][0]["start"]["seconds_of_week"].number, 3);
  EXPECT_EQ(s["gaps"][0]["epochs"].number, 2);
  EXPECT_EQ(s["gaps"][0]["seconds"].number, 2);
  ASSERT_EQ(s["spans"].items.size(), 2u);
  EXPECT_EQ(s["spans"][0]["mode"].text, "static");
  EXPECT_EQ(s["spans"][0]["epochs"].number, 3);
  EXPECT_EQ(s["spans"][1]["mode"].text, "kinematic");
  EXPECT_EQ(s["spans"][1]["start"]["gps_time"].text, "2019-04-07T00:00:00");
  ASSERT_EQ(s["marks"].items.size(), 4u);
  EXPECT_EQ(s["marks"][0]["name"].text, "PT1");
  EXPECT_EQ(s["marks"][0]["antenna_height_m"].number, 1.5);
  EXPECT_EQ(s["marks"][0]["time"]["gps_time"].text, "2019-04-06T23:59:58.500");
  EXPECT_EQ(s["marks"][1]["mode"].text, "kinematic");
  EXPECT_EQ(s["marks"][1]["time"]["gps_time"].text, "2019-04-07T00:00:00.500");
  EXPECT_EQ(s["marks"][2]["kind"].text, "site_canceled");
  EXPECT_EQ(s["marks"][2]["name"].text, "Z?rich");  // Latin-1, not UTF-8
  EXPECT_TRUE(s["marks"][2]["time"].IsNull());
  EXPECT_EQ(s["marks"][3]["pulse"].number, 1);

  // The satellites, GPS before GLONASS; their phases never jump, so the lock
  // restarts are no slips and each is one arc across the rollover and the gap.
  const JsonValue& g = r["satellites"]["G05"];
  EXPECT_EQ(g["epochs"].number, 8);
  EXPECT_EQ(g["with"]["l1_phase"].number, 7);
  EXPECT_EQ(g["slips"].number, 0);
  EXPECT_EQ(g["longest_lock_s"].number, 9);
  const JsonValue& rr = r["satellites"]["R+3"];
  EXPECT_EQ(rr["number"].number, 48);
  EXPECT_TRUE(rr["slot"].IsNull());
  EXPECT_EQ(rr["epochs"].number, 7);
  EXPECT_EQ(rr["with"]["l2_phase"].number, 6);
  EXPECT_EQ(rr["longest_lock_s"].number, 9);
  ASSERT_EQ(r["satellites"].members.size(), 2u);
  EXPECT_EQ(r["satellites"].members[0].first, "G05");

  ProgramRun text = Jpsconv({"qc", kel}, dir);
  EXPECT_EQ(text.exit, 0);
  EXPECT_NE(text.out.find("2019-04-06 23:59:57 to 2019-04-07 00:00:06 GPS time, GPS week 2047"),
            std::string::npos)
      << text.out;
  EXPECT_NE(text.out.find("site Z?rich cancelled"), std::string::npos);
}

// One satellite's observables from a model: range and ionosphere changing
// steadily, code noise of +-0.3 m, the ambiguities n1, n2 (cycles); the KEL
// file stores the phases with the receiver's sign, the other way round.
Obs Modelled(int satellite, int lock, double t, double n1, double n2, bool dual = true) {
  double f1 = kL1, f2 = kL2;
  if (satellite >= 38) {
    f1 = 1602e6 + (satellite - 45) * 0.5625e6;
    f2 = 1246e6 + (satellite - 45) * 0.4375e6;
  }
  const double c = 299792458.0;
  double range = 2.2e7 + 600 * t, iono1 = 4 + 0.002 * t, iono2 = iono1 * (f1 / f2) * (f1 / f2);
  double noise = (static_cast<int>(t) % 2 == 0 ? 0.3 : -0.3);
  Obs o{satellite, lock, range + iono1 + noise, -((range - iono1) * f1 / c + n1), 900, 0, 0};
  if (dual) {
    o.l2Code = range + iono2 - noise;
    o.l2Phase = -((range - iono2) * f2 / c + n2);
  }
  return o;
}

// Slips where the phase combinations jump, whatever the lock count says.
// G05: the lock restarts at 10 with the phases continuous (no slip); both
// phases jump by 7 and 5 cycles at 20 with the lock going on (a slip the
// geometry-free combination shows); L1 alone is 3 cycles off at 25 only (an
// outlier); 77 and 60 cycles (the same metres on both carriers: only the
// Melbourne-Wuebbena combination shows it) at 30 with a restart and at 35
// without. G07 has no L2: its restart at 15 is taken as the receiver says.
// R+3's L1 phase steps by 5 cycles at 12, its lock count going on.
TEST(QcCraftedKel, SlipsAreJumpsOfThePhaseCombinations) {
  std::vector<CraftedEpoch> epochs;
  double n1 = 1000, n2 = 2000;
  for (int k = 0; k < 40; ++k) {
    double t = k;
    if (k == 20) n1 += 7, n2 += 5;
    if (k == 30 || k == 35) n1 += 77, n2 += 60;
    int lock = k < 10 ? 100 + k : k == 10 ? 1 : k == 30 ? 1 : k + 2;
    Obs g05 = Modelled(5, lock, t, n1 + (k == 25 ? 3 : 0), n2);
    Obs g07 = Modelled(7, k == 15 ? 1 : 50 + k, t, 300, 0, false);
    Obs r3 = Modelled(48, 20 + k, t, k < 12 ? -500 : -495, 700);
    epochs.push_back({100000 + t, false, {g05, g07, r3}});
  }
  std::string dir = jpstest::TempDir();
  jpstest::WriteFile(dir + "/slips.kel", KelBytes(2026, 1, 1, epochs));
  ProgramRun run = Jpsconv({"qc", dir + "/slips.kel", "--json"}, dir);
  ASSERT_EQ(run.exit, 0) << run.err;
  JsonValue r = ParseReport(run.out);
  const JsonValue& g05 = r["satellites"]["G05"];
  ASSERT_EQ(g05["slips"].number, 3);
  EXPECT_EQ(g05["slip_times"][0].number, 100020);
  EXPECT_EQ(g05["slip_times"][1].number, 100030);
  EXPECT_EQ(g05["slip_times"][2].number, 100035);
  EXPECT_EQ(g05["outliers"].number, 1);
  EXPECT_EQ(g05["longest_lock_s"].number, 19);  // 0 to 19, before the first slip
  const JsonValue& g07 = r["satellites"]["G07"];
  ASSERT_EQ(g07["slips"].number, 1);
  EXPECT_EQ(g07["slip_times"][0].number, 100015);
  EXPECT_EQ(g07["longest_lock_s"].number, 24);
  EXPECT_EQ(r["satellites"]["R+3"]["slip_times"][0].number, 100012);
  EXPECT_EQ(r["satellites"]["R+3"]["longest_lock_s"].number, 27);
  EXPECT_EQ(r["totals"]["slips"].number, 5);
  EXPECT_EQ(r["worst"]["slips"][0].text, "G05");
  EXPECT_TRUE(r["session"]["reacquisitions"].items.empty());
  ProgramRun text = Jpsconv({"qc", dir + "/slips.kel"}, dir);
  EXPECT_NE(text.out.find("most cycle slips  G05 (3), G07 (1), R+3 (1)"), std::string::npos)
      << text.out;
}

// ---------------------------------------------------------------- simulated

// The week of the last GPS ephemeris of an EPP file as written: the first
// number of its last "El1:" line.
int LastEppWeek(const std::string& epp) {
  size_t at = epp.rfind("El1: ");
  return at == std::string::npos ? -1 : std::atoi(epp.c_str() + at + 5);
}

// The simulator's sky: 30 GPS satellites, then the 24 GLONASS slots in order.
constexpr size_t kSimulatedGpsSatellites = 30;

// A simulated satellite as RINEX names it: GPS PRN, GLONASS orbital slot.
std::string RowName(const jpssim::SatObservation& o) {
  char text[16];
  if (!o.glonass) {
    std::snprintf(text, sizeof text, "G%02d", o.index);
  } else {
    std::snprintf(text, sizeof text, "R%02zu", o.satellite - kSimulatedGpsSatellites + 1);
  }
  return text;
}

struct SatTruth {
  int number = 0;  // KEL number: GPS PRN, GLONASS 45 + channel
  long epochs = 0, l1Code = 0;
  std::vector<double> slips;  // seconds of week of the slips it made
  double noiseSquares = 0;    // of the simulated L1 code noise, m^2
};
struct SessionTruth {
  jpsbuild::Bytes bytes;
  int planned = 0;
  std::vector<double> times;
  jpssim::TimeTag first;                       // of the first epoch
  std::map<std::string, SatTruth> satellites;  // by name
  int slips = 0;
};

// The simulator's code noise (receiver_model.h): the zenith part plus a
// low-elevation part fading with exp(-elevation / 12 degrees).
double CodeSigma(double elevation) {
  return jpssim::kCodeNoiseZenith + jpssim::kCodeNoiseLow * std::exp(-elevation / 12.0);
}

// Runs the simulator and keeps what it knows it wrote, the cycle slips it
// made among it (not the new locks of a rising satellite or of the receiver
// re-acquiring every satellite when its output set changes).
SessionTruth Simulate(const jpssim::SimulatorOptions& options) {
  jpssim::Session session(options);
  SessionTruth t;
  t.planned = session.epochCount();
  while (session.Next(&t.bytes)) {
    const jpssim::ReceiverEpoch& e = session.lastEpoch();
    if (t.times.empty()) t.first = e.tag;
    t.times.push_back(e.tag.secondsOfWeek);
    for (const jpssim::SatObservation& o : e.satellites) {
      SatTruth& s = t.satellites[RowName(o)];
      s.number = o.index;
      ++s.epochs;
      s.l1Code += o.hasCaRange;
      if (o.slipped) s.slips.push_back(e.tag.secondsOfWeek);
      s.noiseSquares += CodeSigma(o.elevation) * CodeSigma(o.elevation);
    }
  }
  t.slips = session.stats().slips;
  return t;
}

// What the records of a KEL file hold, satellite by satellite, read from
// the bytes.
struct KelCounts {
  long epochs = 0, l1Code = 0, l1Phase = 0, doppler = 0, l2Code = 0, l2Phase = 0;
};

std::map<int, KelCounts> CountKel(const std::string& kel) {
  std::map<int, KelCounts> counts;
  for (const jpstest::Epoch& e : jpstest::DecodeKelEpochs(kel)) {
    for (const jpstest::Measurement& m : e.measurements) {
      KelCounts& c = counts[m.satellite];
      ++c.epochs;
      c.l1Code += m.l1Code != 0;
      c.l1Phase += m.l1Phase != 0;
      c.doppler += m.doppler != 0;
      c.l2Code += m.l2Code != 0;
      c.l2Phase += m.l2Phase != 0;
    }
  }
  return counts;
}

constexpr double kExtraCodeError = 3.0;  // m

// A simulated session at 2 s with two gaps and the extra code error on the
// GPS satellite seen longest, converted with convert --qc (whose report,
// from the stream, is one JSON line after the summary); report: that of the
// KEL file written.
struct SimulatedRun {
  jpssim::SimulatorOptions options;
  SessionTruth truth;
  int noisy = 0;  // its PRN
  std::string NoisyName() const { return (noisy < 10 ? "G0" : "G") + std::to_string(noisy); }
  std::string dir;
  JsonValue report;  // qc of the KEL file
};

SimulatedRun RunSimulated() {
  SimulatedRun run;
  run.dir = jpstest::TempDir();
  jpssim::SimulatorOptions& options = run.options;
  options.minutes = 50;
  options.interval = 2;
  options.seed = 3;
  options.gaps = {{100, 5}, {700, 40}};
  SessionTruth plain = Simulate(options);
  long longest = 0;
  for (const auto& s : plain.satellites) {
    if (s.first[0] == 'G' && s.second.epochs > longest) {
      longest = s.second.epochs;
      run.noisy = s.second.number;
    }
  }
  options.codeErrorSatellite = run.noisy;
  options.codeErrorRms = kExtraCodeError;
  run.truth = Simulate(options);
  jpstest::WriteFile(run.dir + "/sim.jps", run.truth.bytes);
  ProgramRun convert = Jpsconv({"convert", run.dir + "/sim.jps", "-q", "--json", "--qc"}, run.dir);
  EXPECT_EQ(convert.exit, 0) << convert.err;
  EXPECT_EQ(Count(convert.out, "\n"), 2) << convert.out;
  JsonValue stream = ParseReport(convert.out.substr(convert.out.find('\n') + 1));
  EXPECT_EQ(stream["source"].text, "receiver stream");
  ProgramRun kel = Jpsconv({"qc", run.dir + "/sim.kel", "--json"}, run.dir);
  EXPECT_EQ(kel.exit, 0) << kel.err;
  run.report = ParseReport(kel.out);
  return run;
}

TEST(QcSimulated, SessionAndSatellitesEqualWhatTheSimulatorWrote) {
  SimulatedRun run = RunSimulated();
  const SessionTruth& truth = run.truth;
  const JsonValue& r = run.report;
  const JsonValue& s = r["session"];
  EXPECT_EQ(s["epochs_present"].number, static_cast<double>(truth.times.size()));
  EXPECT_EQ(s["epochs_expected"].number, truth.planned);
  EXPECT_EQ(s["interval_s"].number, 2);
  EXPECT_EQ(s["first"]["seconds_of_week"].number, truth.times.front());
  ASSERT_EQ(s["gaps"].items.size(), 2u);
  for (size_t i = 0; i < 2; ++i) {
    const jpssim::EpochGap& gap = run.options.gaps[i];
    EXPECT_EQ(s["gaps"][i]["start"]["seconds_of_week"].number, truth.times[0] + 2.0 * gap.first);
    EXPECT_EQ(s["gaps"][i]["epochs"].number, gap.count);
    EXPECT_EQ(s["gaps"][i]["seconds"].number, 2.0 * gap.count);
  }

  EXPECT_EQ(s["reacquisitions"].items.size(), 4u);  // one at each new output set

  std::map<int, KelCounts> kel = CountKel(jpstest::ReadFile(run.dir + "/sim.kel"));
  std::map<int, int> rows;  // of each KEL number
  for (const auto& entry : truth.satellites) ++rows[entry.second.number];
  const JsonValue& sats = r["satellites"];
  ASSERT_EQ(sats.members.size(), truth.satellites.size());
  long slips = 0;
  for (const auto& entry : truth.satellites) {
    const SatTruth& t = entry.second;
    SCOPED_TRACE(entry.first);
    const JsonValue& q = sats[entry.first];
    EXPECT_EQ(q["number"].number, t.number);
    EXPECT_EQ(q["epochs"].number, t.epochs);
    EXPECT_EQ(q["with"]["l1_code"].number, t.l1Code);
    // Phases, Doppler and L2 code also depend on how the converter reads the
    // forms the receiver sent (some are relative to the C/A code): counted in
    // the KEL file.
    const KelCounts& k = kel[t.number];
    if (rows[t.number] == 1) {
      EXPECT_EQ(q["with"]["l1_phase"].number, k.l1Phase);
      EXPECT_EQ(q["with"]["doppler"].number, k.doppler);
      EXPECT_EQ(q["with"]["l2_code"].number, k.l2Code);
      EXPECT_EQ(q["with"]["l2_phase"].number, k.l2Phase);
    }
    ASSERT_EQ(q["slip_times"].items.size(), t.slips.size());
    for (size_t i = 0; i < t.slips.size(); ++i) EXPECT_EQ(q["slip_times"][i].number, t.slips[i]);
    slips += static_cast<long>(t.slips.size());
  }
  EXPECT_GT(slips, 5);
  EXPECT_EQ(slips, truth.slips);
  EXPECT_EQ(r["totals"]["slips"].number, slips);
}

// Multipath: the code noise the simulator drew (its RMS over the satellite's
// epochs), or the extra error that swamps it, within 20%.
TEST(QcSimulated, MultipathIsTheSimulatedNoiseOrTheExtraCodeError) {
  SimulatedRun run = RunSimulated();
  int checked = 0;
  for (const auto& entry : run.truth.satellites) {
    SCOPED_TRACE(entry.first);
    const JsonValue& q = run.report["satellites"][entry.first];
    if (q["mp1_epochs"].number < 300) continue;
    double noise = std::sqrt(entry.second.noiseSquares / entry.second.epochs);
    bool noisy = entry.first == run.NoisyName();
    double mp1 = noisy ? kExtraCodeError : noise;
    double mp2 = noisy ? kExtraCodeError : jpssim::kL2CodeNoiseFactor * noise;
    EXPECT_NEAR(q["mp1_m"].number, mp1, 0.2 * mp1);
    EXPECT_NEAR(q["mp2_m"].number, mp2, 0.2 * mp2);
    ++checked;
  }
  EXPECT_GT(checked, 15);
  EXPECT_EQ(run.report["worst"]["mp1"][0].text, run.NoisyName());
}

// The text puts the verdict first; the picture has every satellite's row, a
// tick per slip, both gaps and the station marks.
TEST(QcSimulated, TextLeadsWithTheVerdictAndThePictureShowsEverySlip) {
  SimulatedRun run = RunSimulated();
  ProgramRun text = Jpsconv({"qc", run.dir + "/sim.kel", "--svg", run.dir + "/sim.svg"}, run.dir);
  ASSERT_EQ(text.exit, 0) << text.err;
  EXPECT_NE(text.out.find("2 gaps (45 epochs)"), std::string::npos) << text.out;
  EXPECT_LT(text.out.find("highest MP1       " + run.NoisyName()), text.out.find("Session\n"));
  XmlElement svg = ParseSvg(jpstest::ReadFile(run.dir + "/sim.svg"));
  std::set<std::string> labels = Texts(svg);
  for (const auto& entry : run.truth.satellites) {
    EXPECT_EQ(labels.count(entry.first), 1u) << entry.first;
  }
  EXPECT_EQ(PathPieces(svg, "slips"), run.report["totals"]["slips"].number);
  EXPECT_EQ(PathPieces(svg, "gaps"), 2);
  EXPECT_GT(PathPieces(svg, "dual-phase"), static_cast<int>(run.truth.satellites.size()));
  EXPECT_EQ(labels.count("PT1"), 1u);
  EXPECT_EQ(labels.count("PT2"), 1u);
}

// jpsconv simulate's sessions: the demo's (ten minutes, the first seed) and
// one of ten hours. qc reports the slips the simulator says it made (within
// 10%), none where the receiver re-acquired every satellite at a new output
// set, and the GLONASS satellites that share a channel as rows of their own.
TEST(QcSimulated, SlipsAreThoseTheSimulatorMade) {
  for (const char* minutes : {"10", "600"}) {
    SCOPED_TRACE(minutes);
    std::string dir = jpstest::TempDir();
    ProgramRun sim = Jpsconv({"simulate", "-o", dir + "/s.jps", "--minutes", minutes}, dir);
    ASSERT_EQ(sim.exit, 0) << sim.err;
    size_t at = sim.out.find(" cycle slips");
    ASSERT_NE(at, std::string::npos) << sim.out;
    long made = std::atol(sim.out.c_str() + sim.out.rfind(' ', at - 1) + 1);
    ASSERT_EQ(Jpsconv({"convert", dir + "/s.jps", "-q"}, dir).exit, 0);
    ProgramRun run = Jpsconv({"qc", dir + "/s.kel", "--json"}, dir);
    ASSERT_EQ(run.exit, 0) << run.err;
    JsonValue r = ParseReport(run.out);
    double reported = r["totals"]["slips"].number;
    std::printf("%s minutes: %ld slips made, %.0f reported\n", minutes, made, reported);
    EXPECT_GT(made, 5);
    EXPECT_NEAR(reported, static_cast<double>(made), 0.1 * static_cast<double>(made));
    EXPECT_EQ(r["session"]["reacquisitions"].items.size(), 4u);
    if (std::string(minutes) == "600") {
      EXPECT_EQ(r["totals"]["glonass"].number, 24);
    }
  }
}

// The simulator writes full GPS weeks into the EPP file: the report dates the
// session by the simulator's own calendar.
TEST(QcSimulated, ShowsTheCalendarDate) {
  jpssim::SimulatorOptions options;
  options.minutes = 2;
  SessionTruth truth = Simulate(options);
  std::string dir = jpstest::TempDir();
  jpstest::WriteFile(dir + "/d.jps", truth.bytes);
  ASSERT_EQ(Jpsconv({"convert", dir + "/d.jps", "-q"}, dir).exit, 0);
  ASSERT_GE(LastEppWeek(jpstest::ReadFile(dir + "/d.epp")), 2048);
  ProgramRun run = Jpsconv({"qc", dir + "/d.kel"}, dir);
  ASSERT_EQ(run.exit, 0) << run.err;
  char date[32];
  std::snprintf(date, sizeof date, "%04d-%02d-%02d ", truth.first.date.year, truth.first.date.month,
                truth.first.date.day);
  EXPECT_EQ(run.out.find("  " + std::string(date)), run.out.find('\n') + 1) << run.out;
  EXPECT_NE(run.out.find(", GPS week " + std::to_string(truth.first.week) + "\n"),
            std::string::npos);
}

// ---------------------------------------------------------------- recordings

TEST(QcRecordings, CountsEqualThoseReadBackFromTheKelFile) {
  struct Recording {
    const char* name;
    const char* date;  // of the recording (its README)
    double interval;
  };
  for (const Recording& rec : {Recording{"receiver-2014-08-29-1s", "2014-08-29", 1},
                               Recording{"receiver-2015-07-23-30s", "2015-07-23", 30}}) {
    SCOPED_TRACE(rec.name);
    std::string jps = jpstest::DataFile(std::string(rec.name) + ".jps");
    if (jps.empty()) GTEST_SKIP() << "the shared recordings are not here";
    std::string dir = jpstest::TempDir(), kel = dir + "/" + rec.name + ".kel";
    ASSERT_EQ(Jpsconv({"convert", jps, "-o", kel, "-q"}, dir).exit, 0);
    ProgramRun run = Jpsconv({"qc", kel, "--json", "--svg", dir + "/pic.svg"}, dir);
    ASSERT_EQ(run.exit, 0) << run.err;
    JsonValue r = ParseReport(run.out);
    std::vector<jpstest::Epoch> epochs = jpstest::DecodeKelEpochs(jpstest::ReadFile(kel));
    ASSERT_GT(epochs.size(), 10u);

    // The broadcast week counts modulo 1024: 2014 and 2015 lie in its second era.
    const JsonValue& s = r["session"];
    EXPECT_EQ(s["gps_week"].number,
              LastEppWeek(jpstest::ReadFile(dir + "/" + rec.name + ".epp")) + 1024);
    EXPECT_EQ(s["first"]["gps_time"].text.substr(0, 10), rec.date);
    EXPECT_EQ(s["first"]["seconds_of_week"].number, epochs.front().time);
    EXPECT_EQ(s["last"]["seconds_of_week"].number, epochs.back().time);
    EXPECT_EQ(s["interval_s"].number, rec.interval);
    EXPECT_EQ(s["epochs_present"].number, static_cast<double>(epochs.size()));
    EXPECT_EQ(s["epochs_expected"].number,
              std::round((epochs.back().time - epochs.front().time) / rec.interval) + 1);

    // GLONASS satellites are rows by slot: the rows of a KEL number add up.
    std::map<int, KelCounts> kelCounts = CountKel(jpstest::ReadFile(kel)), rows;
    for (const auto& member : r["satellites"].members) {
      KelCounts& c = rows[static_cast<int>(member.second["number"].number)];
      const JsonValue& with = member.second["with"];
      long* sums[] = {&c.l1Code, &c.l1Phase, &c.doppler, &c.l2Code, &c.l2Phase};
      const char* keys[] = {"l1_code", "l1_phase", "doppler", "l2_code", "l2_phase"};
      for (int i = 0; i < 5; ++i) *sums[i] += static_cast<long>(with[keys[i]].number);
      c.epochs += static_cast<long>(member.second["epochs"].number);
    }
    ASSERT_EQ(rows.size(), kelCounts.size());
    for (const auto& [number, k] : kelCounts) {
      const KelCounts& q = rows[number];
      EXPECT_EQ(std::vector<long>({q.epochs, q.l1Code, q.l1Phase, q.doppler, q.l2Code, q.l2Phase}),
                std::vector<long>({k.epochs, k.l1Code, k.l1Phase, k.doppler, k.l2Code, k.l2Phase}))
          << number;
    }

    XmlElement svg = ParseSvg(jpstest::ReadFile(dir + "/pic.svg"));
    std::set<std::string> labels = Texts(svg);
    for (const auto& member : r["satellites"].members) EXPECT_EQ(labels.count(member.first), 1u);
  }
}

// ---------------------------------------------------------------- bad input

TEST(QcBadInput, NotKelEmptyOrCutFilesGiveAClearErrorAndStatusOne) {
  std::string dir = jpstest::TempDir();
  ASSERT_EQ(Jpsconv({"simulate", "-o", dir + "/s.jps", "--minutes", "1"}, dir).exit, 0);
  ASSERT_EQ(Jpsconv({"convert", dir + "/s.jps", "-q"}, dir).exit, 0);
  std::string kel = jpstest::ReadFile(dir + "/s.kel");
  size_t epochs = jpstest::DecodeKelEpochs(kel).size();

  // dump takes KEL files only; qc reports on a JPS file from its stream.
  ProgramRun notKel = Jpsconv({"dump", dir + "/s.jps"}, dir);
  EXPECT_EQ(notKel.exit, 1);
  EXPECT_NE(notKel.err.find("s.jps looks like a JPS file: convert it first (jpsconv convert "),
            std::string::npos)
      << notKel.err;
  EXPECT_EQ(Jpsconv({"qc", dir + "/s.jps"}, dir).exit, 0);
  jpstest::WriteFile(dir + "/text.kel", "neither a KEL nor a JPS file\n");
  EXPECT_EQ(Jpsconv({"qc", dir + "/text.kel"}, dir).exit, 1);
  jpstest::WriteFile(dir + "/empty.kel", std::string());
  ProgramRun empty = Jpsconv({"qc", dir + "/empty.kel"}, dir);
  EXPECT_EQ(empty.exit, 1);
  EXPECT_NE(empty.err.find("shorter than its 202-byte header"), std::string::npos) << empty.err;

  // A cut file: the report of the epochs before the cut, then the error.
  jpstest::WriteFile(dir + "/cut.kel", kel.substr(0, kel.size() - 10));
  ProgramRun cut = Jpsconv({"qc", dir + "/cut.kel", "--json", "--svg", dir + "/cut.svg"}, dir);
  EXPECT_EQ(cut.exit, 1);
  EXPECT_NE(cut.err.find("the file ends inside the measurements of epoch"), std::string::npos);
  JsonValue r = ParseReport(cut.out);
  EXPECT_FALSE(r["complete"].boolean);
  EXPECT_NE(r["damage"].text.find("the file ends inside"), std::string::npos);
  EXPECT_EQ(r["session"]["epochs_present"].number, static_cast<double>(epochs - 1));
  ParseSvg(jpstest::ReadFile(dir + "/cut.svg"));
  ProgramRun cutText = Jpsconv({"qc", dir + "/cut.kel"}, dir);
  EXPECT_NE(cutText.out.find("DAMAGED: the file ends inside"), std::string::npos);

  // A header and no epochs: nothing to report on, and said so.
  jpstest::WriteFile(dir + "/none.kel", kel.substr(0, 202));
  ProgramRun none = Jpsconv({"qc", dir + "/none.kel", "--json", "--svg", dir + "/none.svg"}, dir);
  EXPECT_EQ(none.exit, 1);
  EXPECT_NE(none.err.find("none.kel: no epochs"), std::string::npos) << none.err;
  EXPECT_EQ(Jpsconv({"qc", dir}, dir).exit, 2);   // a folder

  EXPECT_EQ(Jpsconv({"qc", dir + "/missing.kel"}, dir).exit, 2);
  EXPECT_EQ(Jpsconv({"qc"}, dir).exit, 2);
  EXPECT_EQ(Jpsconv({"qc", dir + "/s.kel", "--frobnicate"}, dir).exit, 2);
  EXPECT_EQ(Jpsconv({"qc", dir + "/s.kel", dir + "/s.kel"}, dir).exit, 2);
  ProgramRun unwritable = Jpsconv({"qc", dir + "/s.kel", "--svg", dir + "/no/such/dir.svg"}, dir);
  EXPECT_EQ(unwritable.exit, 2);
  EXPECT_NE(unwritable.err.find("cannot write"), std::string::npos);
}

// ---------------------------------------------------------------- picture

// Draws an SVG file into a PNG with rsvg-convert or headless Chromium; ""
// when neither can run here (*missing says why), else the PNG.
std::string Render(const std::string& svg, const std::string& png, int width, int height,
                   std::string* missing) {
  std::string command;
  std::string noRsvg = jpstest::MissingTool("rsvg-convert", "rsvg");
  std::string noChromium = jpstest::MissingTool("chromium", "chromium");
  if (noRsvg.empty()) {
    command = "rsvg-convert -o '" + png + "' '" + svg + "'";
  } else if (noChromium.empty()) {
    command = "chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --screenshot='" +
              png + "' --window-size=" + std::to_string(width) + "," + std::to_string(height) +
              " 'file://" + svg + "' >/dev/null 2>&1";
  } else {
    *missing = noRsvg + "; " + noChromium;
    return "";
  }
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  return jpstest::ReadFile(png);
}

uint32_t BigEndian32(const std::string& bytes, size_t at) {
  return static_cast<uint32_t>(
      static_cast<uint8_t>(bytes[at]) << 24 | static_cast<uint8_t>(bytes[at + 1]) << 16 |
      static_cast<uint8_t>(bytes[at + 2]) << 8 | static_cast<uint8_t>(bytes[at + 3]));
}

// Three hours of 1-second data: bars merged (not one shape per epoch), the
// file small, and a renderer draws it at its size.
TEST(QcPicture, LongSessionsDrawFewShapesAndARendererDrawsThem) {
  std::string dir = jpstest::TempDir();
  ASSERT_EQ(
      Jpsconv({"simulate", "-o", dir + "/long.jps", "--minutes", "180", "--gap", "4000:120"}, dir)
          .exit,
      0);
  ASSERT_EQ(Jpsconv({"convert", dir + "/long.jps", "-q"}, dir).exit, 0);
  std::string svgPath = dir + "/long.svg";
  ProgramRun run = Jpsconv({"qc", dir + "/long.kel", "--json", "--svg", svgPath}, dir);
  ASSERT_EQ(run.exit, 0) << run.err;
  JsonValue r = ParseReport(run.out);
  std::string text = jpstest::ReadFile(svgPath);
  XmlElement svg = ParseSvg(text);
  size_t satellites = r["satellites"].members.size();
  int bars =
      PathPieces(svg, "dual-phase") + PathPieces(svg, "l1-phase") + PathPieces(svg, "code-only");
  EXPECT_GT(bars, static_cast<int>(satellites));  // the gap cuts the bars across it
  EXPECT_LT(bars, static_cast<int>(10 * satellites));
  EXPECT_EQ(PathPieces(svg, "gaps"), 1);
  EXPECT_EQ(PathPieces(svg, "slips"), r["totals"]["slips"].number);
  EXPECT_LT(text.size(), 100000u);

  int width = std::atoi(svg.Attribute("width").c_str());
  int height = std::atoi(svg.Attribute("height").c_str());
  std::string missing;
  std::string png = Render(svgPath, dir + "/long.png", width, height, &missing);
  if (png.empty()) GTEST_SKIP() << missing;
  ASSERT_GT(png.size(), 24u);
  EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
  EXPECT_EQ(BigEndian32(png, 16), static_cast<uint32_t>(width));
  EXPECT_EQ(BigEndian32(png, 20), static_cast<uint32_t>(height));
  EXPECT_GT(png.size(), 20000u);  // bars, not a blank page (that packs to a few kB)
}

}  // namespace
