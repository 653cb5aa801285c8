// The RINEX observation files of both versions from epochs of every system,
// read back column by column as the format defines the columns (the reader
// here is the test's own, written from the format's tables), and compared
// with the values the epochs were given.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "epoch/observation_epoch.h"
#include "tests/builder/test_host.h"
#include "tools/rinex/observation_file.h"

using jps::GnssSystem;
using jps::SignalSlot;

namespace {

struct Value {
  double v;
  char lli, ssi;  // ' ' for none
};
using SatelliteValues = std::map<std::string, Value>;  // type -> value
struct ReadEpoch {
  std::string time;  // the epoch line's date and time text
  int count = 0;
  std::string clock;
  std::map<std::string, SatelliteValues> satellites;  // "G05" -> values
};
struct ReadFile {
  std::vector<std::string> header;
  std::map<char, std::vector<std::string>> types;  // 3.04: by system; 2.11: all under ' '
  std::vector<ReadEpoch> epochs;
};

std::string Field(const std::string& line, size_t at, size_t width) {
  return at >= line.size() ? std::string(width, ' ') : (line.substr(at, width) + std::string(width, ' ')).substr(0, width);
}

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(' '), e = s.find_last_not_of(' ');
  return b == std::string::npos ? "" : s.substr(b, e - b + 1);
}

// Values in fields of 16 columns: F14.3, I1, I1.
void ReadValues(const std::string& text, const std::vector<std::string>& types, SatelliteValues* out) {
  for (size_t i = 0; i < types.size(); ++i) {
    std::string f = Field(text, 16 * i, 16);
    if (Trim(f.substr(0, 14)).empty()) {
      EXPECT_EQ(f, std::string(16, ' ')) << "indicators on a blank value";
      continue;
    }
    (*out)[types[i]] = {std::strtod(f.substr(0, 14).c_str(), nullptr), f[14], f[15]};
  }
}

ReadFile Read(const std::string& path, bool v3) {
  ReadFile r;
  std::vector<std::string> lines;
  std::string text = jpstest::ReadFile(path), line;
  for (char c : text) {
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  EXPECT_TRUE(line.empty()) << "the file ends inside a line";
  size_t i = 0;
  char system = ' ';
  for (; i < lines.size(); ++i) {
    const std::string& l = lines[i];
    EXPECT_EQ(l.size(), 80u) << l;
    r.header.push_back(l);
    std::string label = Trim(Field(l, 60, 20));
    if (label == "END OF HEADER") break;
    if (label == "SYS / # / OBS TYPES") {
      if (l[0] != ' ') system = l[0];
      for (size_t c = 7; c + 3 <= 60; c += 4) {
        if (!Trim(l.substr(c, 3)).empty()) r.types[system].push_back(l.substr(c, 3));
      }
    }
    if (label == "# / TYPES OF OBSERV") {
      for (size_t c = 10; c + 2 <= 60; c += 6) {
        if (!Trim(l.substr(c, 2)).empty()) r.types[' '].push_back(l.substr(c, 2));
      }
    }
  }
  for (++i; i < lines.size();) {
    const std::string& l = lines[i++];
    ReadEpoch e;
    std::vector<std::string> sats;
    if (v3) {
      EXPECT_EQ(l[0], '>') << l;
      e.time = l.substr(2, 27);
      EXPECT_EQ(l.substr(29, 3), "  0");
      e.count = std::atoi(l.substr(32, 3).c_str());
      e.clock = Trim(Field(l, 41, 15));
      for (int s = 0; s < e.count; ++s) {
        const std::string& sl = lines[i++];
        std::string id = sl.substr(0, 3);
        ReadValues(sl.size() > 3 ? sl.substr(3) : "", r.types[id[0]], &e.satellites[id]);
      }
    } else {
      e.time = l.substr(1, 25);
      EXPECT_EQ(l.substr(26, 3), "  0");
      e.count = std::atoi(l.substr(29, 3).c_str());
      e.clock = Trim(Field(l, 68, 12));
      for (int s = 0; s < e.count; ++s) {
        if (s > 0 && s % 12 == 0) {
          const std::string& more = lines[i++];
          EXPECT_EQ(more.substr(0, 32), std::string(32, ' '));
          sats.push_back("");  // placeholder, filled below
          sats.pop_back();
          sats.push_back(more.substr(32 + 3 * (s % 12), 3));
          continue;
        }
        const std::string& from = s < 12 ? l : lines[i - 1];
        sats.push_back(from.substr(32 + 3 * (s % 12), 3));
      }
      const std::vector<std::string>& types = r.types[' '];
      size_t perSatellite = (types.size() + 4) / 5;
      for (const std::string& id : sats) {
        std::string joined;
        for (size_t k = 0; k < perSatellite; ++k) {
          std::string part = lines[i++];
          EXPECT_LE(part.size(), 80u);
          part.resize(80, ' ');
          joined += part;
        }
        ReadValues(joined, types, &e.satellites[id]);
      }
    }
    r.epochs.push_back(e);
  }
  return r;
}

jps::SignalValues Signal(double code, double phase, double doppler, double cnr, uint8_t present,
                         uint8_t lli = 0) {
  jps::SignalValues v{};
  v.code = code;
  v.phase = phase;
  v.doppler = doppler;
  v.cnr = cnr;
  v.present = present;
  v.lli = lli;
  return v;
}

constexpr uint8_t kAll = jps::kHasCode | jps::kHasPhase | jps::kHasDoppler | jps::kHasCnr;

void Put(jps::SatelliteValues& s, SignalSlot slot, const jps::SignalValues& v) {
  s.signals[static_cast<int>(slot)] = v;
  s.slotsPresent |= static_cast<uint8_t>(1u << static_cast<int>(slot));
}

jps::SatelliteValues& Add(jps::ObservationEpoch& e, GnssSystem system, int number, int channel = 0) {
  jps::SatelliteValues& s = e.satellites[e.satelliteCount++];
  s = jps::SatelliteValues{};
  s.system = system;
  s.number = static_cast<int16_t>(number);
  s.channel = static_cast<int8_t>(channel);
  return s;
}

// An epoch of 2014-08-29 20:02:22 GPS time with a satellite of every system.
void MixedEpoch(jps::ObservationEpoch& e) {
  e = jps::ObservationEpoch{};
  e.week = 1807;
  e.timeOfWeek = 504142.0;
  e.hasClockOffset = true;
  e.clockOffset = -1.25e-4;
  e.hasPosition = true;
  e.position[0] = 2850428.0;
  e.position[1] = 2193559.0;
  e.position[2] = 5249846.0;
  // Listed out of order: the files list satellites by system, then number.
  jps::SatelliteValues& j = Add(e, GnssSystem::kQzss, 1);
  Put(j, SignalSlot::kCa, Signal(38000000.25, 199690000.5, 10.5, 47, kAll));
  jps::SatelliteValues& g = Add(e, GnssSystem::kGps, 5);
  Put(g, SignalSlot::kCa, Signal(21734318.35, 114214691.55, -2815.305, 45.25, kAll, 1));
  Put(g, SignalSlot::kP1, Signal(21734318.9, 0, 0, 40, jps::kHasCode | jps::kHasCnr));
  Put(g, SignalSlot::kP2, Signal(21734322.783, 88998480.652, 0, 38, jps::kHasCode | jps::kHasPhase | jps::kHasCnr));
  Put(g, SignalSlot::kCa2, Signal(21734322.1, 88998481.25, 0, 0, jps::kHasCode | jps::kHasPhase));
  jps::SatelliteValues& r = Add(e, GnssSystem::kGlonass, 1, 1);
  Put(r, SignalSlot::kCa, Signal(19288208.875, 103000000.25, 816.5, 11.9, kAll));
  Put(r, SignalSlot::kP2, Signal(19288212.5, 80000000.75, 0, 0, jps::kHasCode | jps::kHasPhase, 1));
  Add(e, GnssSystem::kGlonass, 0, -3);  // slot not known: left out
  jps::SatelliteValues& ga = Add(e, GnssSystem::kGalileo, 11);
  Put(ga, SignalSlot::kCa, Signal(25000000.5, 131374999.5, -100.0, 60, kAll));
  Put(ga, SignalSlot::kL5, Signal(25000001.5, 97000000.125, 0, 0, jps::kHasCode | jps::kHasPhase));
  Put(ga, SignalSlot::kP2, Signal(25000002.5, 0, 0, 0, jps::kHasCode));
  jps::SatelliteValues& sb = Add(e, GnssSystem::kSbas, 20);
  Put(sb, SignalSlot::kCa, Signal(37000000.0, -1.0, 0.0, 30.5, kAll));
  jps::SatelliteValues& c = Add(e, GnssSystem::kBeidou, 6);
  Put(c, SignalSlot::kCa, Signal(36000000.75, 187000000.5, 1.5, 36, jps::kHasCode | jps::kHasPhase));
}

void ExpectValue(const ReadEpoch& e, const std::string& sat, const std::string& type, double v,
                 char lli, char ssi) {
  auto s = e.satellites.find(sat);
  ASSERT_NE(s, e.satellites.end()) << sat;
  auto t = s->second.find(type);
  ASSERT_NE(t, s->second.end()) << sat << " " << type;
  EXPECT_NEAR(t->second.v, v, 0.0005 + 1e-9) << sat << " " << type;
  EXPECT_EQ(t->second.lli, lli) << sat << " " << type;
  EXPECT_EQ(t->second.ssi, ssi) << sat << " " << type;
}

std::string WriteFile(jpsrinex::RinexVersion version, const std::vector<jps::ObservationEpoch*>& epochs) {
  std::string path = jpstest::TempDir() + "/mixed.obs";
  jpsrinex::ObservationFile file(version);
  std::string error;
  EXPECT_TRUE(file.Create(path, "", &error)) << error;
  for (jps::ObservationEpoch* e : epochs) EXPECT_TRUE(file.Add(*e));
  jpsrinex::ObservationHeader h;
  h.program = "jpsconv 1.0";
  h.markerName = "PT_7";
  EXPECT_TRUE(file.Finish(h, &error)) << error;
  EXPECT_TRUE(file.Rename(&error)) << error;
  return path;
}

}  // namespace

TEST(RinexWriters, EverySystemIn304ReadBackColumnByColumn) {
  static jps::ObservationEpoch e;
  MixedEpoch(e);
  ReadFile f = Read(WriteFile(jpsrinex::RinexVersion::k304, {&e}), true);
  // Each system's types in slot order (c 1 2 3 5 l), C L D S in a slot, only those that occur.
  EXPECT_EQ(f.types['G'], (std::vector<std::string>{"C1C", "L1C", "D1C", "S1C", "C1W", "S1W", "C2W",
                                                    "L2W", "S2W", "C2X", "L2X"}));
  EXPECT_EQ(f.types['R'], (std::vector<std::string>{"C1C", "L1C", "D1C", "S1C", "C2P", "L2P"}));
  EXPECT_EQ(f.types['E'], (std::vector<std::string>{"C1X", "L1X", "D1X", "S1X", "C7X", "C5X", "L5X"}));
  EXPECT_EQ(f.types['S'], (std::vector<std::string>{"C1C", "L1C", "D1C", "S1C"}));
  EXPECT_EQ(f.types['J'], (std::vector<std::string>{"C1C", "L1C", "D1C", "S1C"}));
  EXPECT_EQ(f.types['C'], (std::vector<std::string>{"C2I", "L2I"}));
  ASSERT_EQ(f.epochs.size(), 1u);
  const ReadEpoch& r = f.epochs[0];
  EXPECT_EQ(r.time, "2014 08 29 20 02 22.0000000");
  EXPECT_EQ(r.count, 6);
  EXPECT_EQ(r.clock, "-0.000125000000");
  // SSI: floor(C/N0 / 6) within 1-9, on every value of a signal with a C/N0;
  // every phase is the signal's first in the file, so marked.
  ExpectValue(r, "G05", "C1C", 21734318.35, ' ', '7');
  ExpectValue(r, "G05", "L1C", 114214691.55, '1', '7');
  ExpectValue(r, "G05", "D1C", -2815.305, ' ', '7');
  ExpectValue(r, "G05", "S1C", 45.25, ' ', '7');
  ExpectValue(r, "G05", "C1W", 21734318.9, ' ', '6');
  ExpectValue(r, "G05", "S1W", 40, ' ', '6');
  ExpectValue(r, "G05", "C2W", 21734322.783, ' ', '6');
  ExpectValue(r, "G05", "L2W", 88998480.652, '1', '6');
  ExpectValue(r, "G05", "C2X", 21734322.1, ' ', ' ');
  ExpectValue(r, "G05", "L2X", 88998481.25, '1', ' ');
  EXPECT_EQ(r.satellites.at("G05").count("D2W"), 0u);
  ExpectValue(r, "R01", "C1C", 19288208.875, ' ', '1');  // 11.9 dB-Hz: the lowest, 1
  ExpectValue(r, "R01", "L2P", 80000000.75, '1', ' ');
  ExpectValue(r, "E11", "S1X", 60, ' ', '9');
  ExpectValue(r, "E11", "C7X", 25000002.5, ' ', ' ');
  ExpectValue(r, "E11", "L5X", 97000000.125, '1', ' ');
  ExpectValue(r, "S20", "L1C", -1.0, '1', '5');
  ExpectValue(r, "S20", "D1C", 0.0, ' ', '5');
  ExpectValue(r, "J01", "C1C", 38000000.25, ' ', '7');
  ExpectValue(r, "C06", "L2I", 187000000.5, '1', ' ');
  EXPECT_EQ(r.satellites.size(), 6u);
  auto label = [&](const std::string& l) {
    for (const std::string& h : f.header) if (Trim(h.substr(60)) == l) return h.substr(0, 60);
    return std::string("(none)");
  };
  EXPECT_EQ(Trim(label("GLONASS SLOT / FRQ #")), "1 R01  1");
  EXPECT_EQ(Trim(label("APPROX POSITION XYZ")), "2850428.0000  2193559.0000  5249846.0000");
  EXPECT_EQ(Trim(label("TIME OF FIRST OBS")), "2014     8    29    20     2   22.0000000     GPS");
}

TEST(RinexWriters, EverySystemIn211ReadBackColumnByColumn) {
  static jps::ObservationEpoch e;
  MixedEpoch(e);
  ReadFile f = Read(WriteFile(jpsrinex::RinexVersion::k211, {&e}), false);
  // One list for all systems; QZSS and BeiDou have no place in 2.11.
  EXPECT_EQ(f.types[' '], (std::vector<std::string>{"C1", "L1", "D1", "S1", "P1", "P2", "L2", "S2",
                                                    "C2", "C5", "L5", "C7"}));
  ASSERT_EQ(f.epochs.size(), 1u);
  const ReadEpoch& r = f.epochs[0];
  EXPECT_EQ(r.time, "14  8 29 20  2 22.0000000");
  EXPECT_EQ(r.count, 4);
  EXPECT_EQ(r.clock, "-0.000125000");
  ExpectValue(r, "G05", "C1", 21734318.35, ' ', '7');
  ExpectValue(r, "G05", "L1", 114214691.55, '1', '7');
  ExpectValue(r, "G05", "P1", 21734318.9, ' ', '6');   // P on L1: code only
  ExpectValue(r, "G05", "P2", 21734322.783, ' ', '6');
  ExpectValue(r, "G05", "L2", 88998480.652, '1', '6');  // the L2 phase is P's (the first: marked)
  ExpectValue(r, "G05", "S2", 38, ' ', '6');
  ExpectValue(r, "G05", "C2", 21734322.1, ' ', ' ');    // L2C: code only
  EXPECT_EQ(r.satellites.at("G05").size(), 9u);
  ExpectValue(r, "R01", "P2", 19288212.5, ' ', ' ');
  ExpectValue(r, "R01", "L2", 80000000.75, '1', ' ');
  ExpectValue(r, "E11", "C1", 25000000.5, ' ', '9');  // E1 -> 1, E5a -> 5, E5b -> 7
  ExpectValue(r, "E11", "L5", 97000000.125, '1', ' ');
  ExpectValue(r, "E11", "C7", 25000002.5, ' ', ' ');
  ExpectValue(r, "S20", "S1", 30.5, ' ', '5');
  EXPECT_EQ(r.satellites.count("J01") + r.satellites.count("C06"), 0u);
  bool waves = false;
  for (const std::string& h : f.header) waves = waves || Trim(h.substr(60)) == "WAVELENGTH FACT L1/2";
  EXPECT_TRUE(waves);
}

TEST(RinexWriters, TypesFirstMetLaterTakeTheirPlaceInEveryEarlierLine) {
  // The first epoch has P on L2 only, the second adds C/A; 13 satellites make
  // 2.11 continue its epoch line.
  static jps::ObservationEpoch a, b;
  a = jps::ObservationEpoch{};
  a.week = 1807;
  a.timeOfWeek = 100;
  for (int n = 1; n <= 13; ++n) {
    Put(Add(a, GnssSystem::kGps, n), SignalSlot::kP2, Signal(2e7 + n, 0, 0, 0, jps::kHasCode));
  }
  b = a;
  b.timeOfWeek = 101;
  for (int n = 0; n < 13; ++n) Put(b.satellites[n], SignalSlot::kCa, Signal(2.1e7 + n, 0, 0, 0, jps::kHasCode));
  for (auto version : {jpsrinex::RinexVersion::k304, jpsrinex::RinexVersion::k211}) {
    bool v3 = version == jpsrinex::RinexVersion::k304;
    ReadFile f = Read(WriteFile(version, {&a, &b}), v3);
    EXPECT_EQ(f.types[v3 ? 'G' : ' '], (std::vector<std::string>{v3 ? "C1C" : "C1", v3 ? "C2W" : "P2"}));
    ASSERT_EQ(f.epochs.size(), 2u);
    EXPECT_EQ(f.epochs[0].count, 13);
    for (int n = 1; n <= 13; ++n) {
      std::string id = "G" + std::string(n < 10 ? "0" : "") + std::to_string(n);
      const SatelliteValues& first = f.epochs[0].satellites.at(id);
      EXPECT_EQ(first.size(), 1u) << id;
      EXPECT_EQ(first.at(v3 ? "C2W" : "P2").v, 2e7 + n);
      const SatelliteValues& second = f.epochs[1].satellites.at(id);
      EXPECT_EQ(second.at(v3 ? "C1C" : "C1").v, 2.1e7 + n - 1);
    }
  }
}

TEST(RinexWriters, ABodyLongerThanTheWriteBufferComesWholeAfterItsHeader) {
  // Epochs of 13 satellites, at least 32 characters of values each: the
  // body is three times the buffer the file is written and moved through.
  // With late C/A the columns come out of the header's order and the body
  // is put in order on its way.
  constexpr int kSatellites = 13;
  const int epochs = static_cast<int>(3 * jpsrinex::kWriteBufferSize / (kSatellites * 32)) + 1;
  static jps::ObservationEpoch e;
  for (bool lateCa : {false, true}) {
    for (auto version : {jpsrinex::RinexVersion::k304, jpsrinex::RinexVersion::k211}) {
      bool v3 = version == jpsrinex::RinexVersion::k304;
      std::string path = jpstest::TempDir() + "/mixed.obs";
      jpsrinex::ObservationFile file(version);
      std::string error;
      ASSERT_TRUE(file.Create(path, "", &error)) << error;
      for (int t = 0; t < epochs; ++t) {
        e = jps::ObservationEpoch{};
        e.week = 1807;
        e.timeOfWeek = 1000 + t;
        for (int n = 1; n <= kSatellites; ++n) {
          jps::SatelliteValues& s = Add(e, GnssSystem::kGps, n);
          Put(s, SignalSlot::kP2, Signal(2.0e7 + 1000 * n + t * 0.125, 0, 0, 0, jps::kHasCode));
          if (!lateCa || t > 0) Put(s, SignalSlot::kCa, Signal(0, 1.05e8 + n + t * 0.25, 0, 0, jps::kHasPhase));
        }
        ASSERT_TRUE(file.Add(e));
      }
      ASSERT_TRUE(file.Finish(jpsrinex::ObservationHeader{}, &error)) << error;
      ASSERT_TRUE(file.Rename(&error)) << error;
      ReadFile f = Read(path, v3);
      EXPECT_EQ(f.types[v3 ? 'G' : ' '], (std::vector<std::string>{v3 ? "L1C" : "L1", v3 ? "C2W" : "P2"}));
      ASSERT_EQ(f.epochs.size(), static_cast<size_t>(epochs)) << lateCa;
      for (int t = 0; t < epochs; ++t) {
        const ReadEpoch& r = f.epochs[t];
        ASSERT_EQ(r.count, kSatellites) << t;
        EXPECT_EQ(std::atoi(r.time.substr(r.time.size() - 10).c_str()), (1000 + t) % 60) << t;  // seconds
        for (int n = 1; n <= kSatellites; ++n) {
          std::string id = "G" + std::string(n < 10 ? "0" : "") + std::to_string(n);
          ExpectValue(r, id, v3 ? "C2W" : "P2", 2.0e7 + 1000 * n + t * 0.125, ' ', ' ');
          // A signal's first phase in the file is marked.
          bool first = t == (lateCa ? 1 : 0);
          if (!lateCa || t > 0) ExpectValue(r, id, v3 ? "L1C" : "L1", 1.05e8 + n + t * 0.25, first ? '1' : ' ', ' ');
        }
      }
      for (const char* left : {".part", ".body.part"}) {
        EXPECT_FALSE(std::filesystem::exists(path + left)) << left;
      }
    }
  }
}

TEST(RinexWriters, SignalStrengthFieldsAsPrintfWritesThemOnAndOffTheQuarterGrid) {
  // The receiver's C/N0 comes in whole and quarter dB-Hz; any other value,
  // zero of either sign and values beyond its byte are written the same way.
  const double cnrs[] = {0.25,  1.0,   5.75,   6.0,   11.75,  12.0,    17.5,  45.25, 53.75,
                         54.0,  60.0,  127.5,  255.5, 255.75, 256.0,   300.25, 0.0,  -0.0,
                         -0.25, -6.0,  11.9,   45.1,  0.125,  1e-300, 5e9,    -1e9,  1e10,
                         std::nan("")};
  const int count = static_cast<int>(sizeof cnrs / sizeof cnrs[0]);
  static jps::ObservationEpoch e;
  e = jps::ObservationEpoch{};
  e.week = 1807;
  e.timeOfWeek = 100;
  for (int i = 0; i < count; ++i) {
    jps::SatelliteValues& s = Add(e, GnssSystem::kGps, i + 1);
    Put(s, SignalSlot::kCa, Signal(2e7, 0, 0, cnrs[i], jps::kHasCode | jps::kHasCnr));
  }
  std::string text = jpstest::ReadFile(WriteFile(jpsrinex::RinexVersion::k304, {&e}));
  for (int i = 0; i < count; ++i) {
    double cnr = cnrs[i];
    char value[64];
    std::snprintf(value, sizeof value, "%14.3f", cnr);
    // The indicator: 1 below 12 dB-Hz, a step for each 6 dB-Hz, 9 from 54 on.
    double steps = std::floor(cnr / 6);
    char ssi = static_cast<char>('0' + (!(steps >= 1) ? 1 : steps > 9 ? 9 : static_cast<int>(steps)));
    bool fits = std::isfinite(cnr) && std::strlen(value) == 14;
    std::string id = "G" + std::string(i + 1 < 10 ? "0" : "") + std::to_string(i + 1);
    size_t at = text.find("\n" + id);
    ASSERT_NE(at, std::string::npos) << id;
    std::string line = text.substr(at + 1, text.find('\n', at + 1) - at - 1);
    line.resize(3 + 32, ' ');
    // C1C and S1C, each with the signal's indicator.
    EXPECT_EQ(line.substr(3, 16), std::string("  20000000.000 ") + ssi) << cnr;
    EXPECT_EQ(line.substr(19, 16), fits ? std::string(value) + ' ' + ssi : std::string(16, ' ')) << cnr;
  }
}
