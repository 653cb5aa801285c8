// The data-quality report of the shared recordings: the slips and GLONASS
// slots they are known for, and the names and multipath that an independent
// decoder's RINEX file (convbin of Debian's rtklib, run here) gives for the
// same bytes, worked out here without the report's code. The report from the
// stream: its C/N0 against the decoder's signal strengths, its elevations
// and unhealthy satellites against the recordings' own bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "greis/framing.h"
#include "tests/builder/json_reader.h"
#include "tests/builder/optional_tools.h"
#include "tests/builder/program_run.h"
#include "tests/builder/test_host.h"

namespace {

using jpstest::Count;
using jpstest::Jpsconv;
using jpstest::JsonValue;
using jpstest::ProgramRun;

constexpr double kL1 = 1575.42e6, kL2 = 1227.6e6;

JsonValue ParseReport(const std::string& text) {
  JsonValue report;
  EXPECT_EQ(jpstest::ParseJson(text, &report), "") << text.substr(0, 2000);
  return report;
}

// The 2015 recording: G24's phase jumps at 19:18:00 (GF by 5.3 m, MW by 18.5
// cycles) while its lock count stays at 255; split there, its multipath is
// small. R20 and R24 share channel +2 and are two rows, in qc as in dump.
TEST(QcRecordings, SlipOfG24AndTwoSatellitesOnOneChannel) {
  std::string jps = jpstest::DataFile("receiver-2015-07-23-30s.jps");
  if (jps.empty()) GTEST_SKIP() << "the shared recordings are not here";
  std::string dir = jpstest::TempDir();
  ASSERT_EQ(Jpsconv({"convert", jps, "-o", dir + "/r.kel", "-q"}, dir).exit, 0);
  ProgramRun run = Jpsconv({"qc", dir + "/r.kel", "--json"}, dir);
  ASSERT_EQ(run.exit, 0) << run.err;
  JsonValue r = ParseReport(run.out);
  const JsonValue& g24 = r["satellites"]["G24"];
  ASSERT_EQ(g24["slips"].number, 1);
  EXPECT_EQ(g24["slip_times"][0].number, 4 * 86400 + 19 * 3600 + 18 * 60);  // Thursday 19:18:00
  EXPECT_LT(g24["mp1_m"].number, 2.0);
  EXPECT_LT(g24["mp2_m"].number, 2.0);
  std::printf("G24: MP1 %.2f m, MP2 %.2f m\n", g24["mp1_m"].number, g24["mp2_m"].number);

  const JsonValue& sats = r["satellites"];
  EXPECT_FALSE(sats.Has("R+2"));
  long channelTwo = 0;
  for (const char* name : {"R20", "R24"}) {
    ASSERT_TRUE(sats.Has(name)) << name;
    EXPECT_EQ(sats[name]["number"].number, 47);
    channelTwo += static_cast<long>(sats[name]["epochs"].number);
  }
  EXPECT_EQ(sats["R20"]["slot"].number, 20);
  long records = 0;
  for (const jpstest::Epoch& e : jpstest::DecodeKelEpochs(jpstest::ReadFile(dir + "/r.kel"))) {
    for (const jpstest::Measurement& m : e.measurements) records += m.satellite == 47;
  }
  EXPECT_EQ(channelTwo, records);
  EXPECT_EQ(r["totals"]["glonass"].number, 13);

  // dump names them alike, in the table and in CSV.
  ProgramRun csv = Jpsconv({"dump", dir + "/r.kel", "--csv"}, dir);
  ProgramRun table = Jpsconv({"dump", dir + "/r.kel"}, dir);
  for (const char* name : {"R20", "R24"}) {
    EXPECT_EQ(Count(csv.out, ",47," + std::string(name) + ","), sats[name]["epochs"].number);
    EXPECT_EQ(Count(table.out, "\n  " + std::string(name) + " "), sats[name]["epochs"].number);
  }
}

// An observation file of RINEX 3: per epoch (GPS time of day, s) and
// satellite, each observable's value and loss-of-lock flag.
struct RinexValue {
  double value = 0;
  bool lostLock = false;
};
struct RinexFile {
  std::map<char, std::vector<std::string>> types;  // by system
  std::map<std::string, int> channels;             // GLONASS slot -> frequency channel
  std::vector<std::pair<double, std::map<std::string, std::map<std::string, RinexValue>>>> epochs;
};

RinexFile ReadRinex(const std::string& text) {
  RinexFile f;
  std::istringstream in(text);
  std::string line;
  char system = 0;
  while (std::getline(in, line) && line.find("END OF HEADER") == std::string::npos) {
    std::istringstream content(line.substr(0, 60));
    std::string word;
    if (line.find("SYS / # / OBS TYPES") != std::string::npos) {
      if (line[0] != ' ') system = line[0];
      content.ignore(line[0] != ' ' ? 6 : 0);
      while (content >> word) f.types[system].push_back(word);
    } else if (line.find("GLONASS SLOT / FRQ #") != std::string::npos) {
      content.ignore(4);
      int channel = 0;
      while (content >> word >> channel) f.channels[word] = channel;
    }
  }
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    if (line[0] == '>') {
      f.epochs.push_back({std::stoi(line.substr(13, 2)) * 3600.0 +
                              std::stoi(line.substr(16, 2)) * 60.0 + std::stod(line.substr(19, 11)),
                          {}});
      continue;
    }
    const std::vector<std::string>& types = f.types[line[0]];
    for (size_t k = 0; k < types.size() && 3 + 16 * k + 14 <= line.size(); ++k) {
      std::string field = line.substr(3 + 16 * k, 14);
      if (field.find_first_not_of(' ') == std::string::npos) continue;
      RinexValue& v = f.epochs.back().second[line.substr(0, 3)][types[k]];
      v.value = std::stod(field);
      v.lostLock = line.size() > 3 + 16 * k + 14 && (line[3 + 16 * k + 14] - '0') % 2 == 1;
    }
  }
  return f;
}

// The independent decoder's observation file of a recording (written into dir).
RinexFile Decoded(const std::string& jps, const std::string& dir) {
  ProgramRun decoded = jpstest::Run({"convbin", "-r", "javad", "-v", "3.04", "-od", "-os", "-o",
                                     dir + "/x.obs", "-n", dir + "/x.nav", jps},
                                    dir);
  EXPECT_EQ(decoded.exit, 0) << decoded.err;
  return ReadRinex(jpstest::ReadFile(dir + "/x.obs"));
}

// MP1 and MP2 of every satellite of the file between two times of day: the
// code minus l1 L1 (1 + 2 / (a - 1)) plus l2 L2 2 / (a - 1) (MP1), or minus
// l1 L1 2a / (a - 1) plus l2 L2 (2a / (a - 1) - 1) (MP2), a = (f1 / f2)^2,
// with each arc's mean taken off; an arc runs over the file's successive
// epochs with both phases and no loss-of-lock flag, and counts from 10 values.
struct IndependentMultipath {
  double squares[2] = {0, 0};
  long values[2] = {0, 0};
  int arcs[2] = {0, 0};
  std::vector<double> arc[2];
  void EndArc() {
    for (int i = 0; i < 2; ++i) {
      double n = static_cast<double>(arc[i].size()), mean = 0;
      for (double v : arc[i]) mean += v / n;
      for (double v : arc[i]) squares[i] += arc[i].size() >= 10 ? (v - mean) * (v - mean) : 0;
      values[i] += arc[i].size() >= 10 ? static_cast<long>(n) : 0;
      arcs[i] += arc[i].size() >= 10;
      arc[i].clear();
    }
  }
  double Rms(int i) const { return std::sqrt(squares[i] / static_cast<double>(values[i])); }
};

std::map<std::string, IndependentMultipath> Multipath(const RinexFile& f, double from, double to) {
  const double c = 299792458.0;
  std::map<std::string, IndependentMultipath> out;
  std::set<std::string> before;
  for (const auto& epoch : f.epochs) {
    if (epoch.first < from - 1e-3 || epoch.first > to + 1e-3) continue;
    std::set<std::string> now;
    for (const auto& [sat, values] : epoch.second) {
      bool gps = sat[0] == 'G';
      if (!gps && !f.channels.count(sat)) continue;
      int k = gps ? 0 : f.channels.at(sat);
      double f1 = gps ? kL1 : 1602e6 + k * 0.5625e6, f2 = gps ? kL2 : 1246e6 + k * 0.4375e6;
      auto value = [&](const char* type) {
        auto it = values.find(type);
        return it == values.end() ? RinexValue{} : it->second;
      };
      RinexValue c1 = value("C1C"), l1 = value("L1C"), c2 = value(gps ? "C2W" : "C2P"),
                 l2 = value(gps ? "L2W" : "L2P");
      IndependentMultipath& mp = out[sat];
      if (!before.count(sat) || l1.value == 0 || l2.value == 0 || l1.lostLock || l2.lostLock) {
        mp.EndArc();
      }
      if (l1.value == 0 || l2.value == 0) continue;
      now.insert(sat);
      double a = (f1 / f2) * (f1 / f2), p1 = l1.value * c / f1, p2 = l2.value * c / f2;
      if (c1.value != 0) mp.arc[0].push_back(c1.value - (1 + 2 / (a - 1)) * p1 + 2 / (a - 1) * p2);
      if (c2.value != 0)
        mp.arc[1].push_back(c2.value - 2 * a / (a - 1) * p1 + (2 * a / (a - 1) - 1) * p2);
    }
    before = now;
  }
  for (auto& entry : out) entry.second.EndArc();
  return out;
}

// Both recordings through an independent decoder (convbin):
// qc names each GLONASS satellite by the slot the decoder gives its ranges,
// and its multipath lies within 1% of the one worked out from the decoder's
// RINEX file, on every satellite where both find the same arcs.
TEST(QcRecordings, NamesAndMultipathAgreeWithAnIndependentDecoder) {
  std::string missing = jpstest::MissingTool("convbin", "rtklib");
  if (!missing.empty()) GTEST_SKIP() << missing;
  for (const char* name : {"receiver-2014-08-29-1s", "receiver-2015-07-23-30s"}) {
    SCOPED_TRACE(name);
    std::string jps = jpstest::DataFile(std::string(name) + ".jps");
    if (jps.empty()) GTEST_SKIP() << "the shared recordings are not here";
    std::string dir = jpstest::TempDir();
    RinexFile rinex = Decoded(jps, dir);
    ASSERT_FALSE(rinex.epochs.empty());
    ASSERT_EQ(Jpsconv({"convert", jps, "-o", dir + "/r.kel", "-q"}, dir).exit, 0);
    ProgramRun run = Jpsconv({"qc", dir + "/r.kel", "--json"}, dir);
    ASSERT_EQ(run.exit, 0) << run.err;
    JsonValue r = ParseReport(run.out);

    // The decoder's name of each KEL GLONASS record: the one with its C/A range.
    std::vector<jpstest::Epoch> epochs =
        jpstest::DecodeKelEpochs(jpstest::ReadFile(dir + "/r.kel"));
    std::map<std::string, long> named;
    for (const jpstest::Epoch& e : epochs) {
      double day = std::fmod(e.time, 86400.0);
      for (const auto& rec : rinex.epochs) {
        if (std::fabs(rec.first - day) > 1e-3) continue;
        for (const jpstest::Measurement& m : e.measurements) {
          for (const auto& sat : rec.second) {
            auto c1 = sat.second.find("C1C");
            if (m.satellite > 32 && sat.first[0] == 'R' && c1 != sat.second.end() &&
                std::fabs(c1->second.value - m.l1Code) < 1e-3) {
              ++named[sat.first];
            }
          }
        }
      }
    }
    int slotted = 0;
    for (const auto& member : r["satellites"].members) {
      if (member.second["slot"].IsNull() || member.first[0] != 'R') continue;
      EXPECT_EQ(member.second["epochs"].number, named[member.first]) << member.first;
      ++slotted;
    }
    EXPECT_GE(slotted, 8);

    std::map<std::string, IndependentMultipath> mp = Multipath(
        rinex, std::fmod(epochs.front().time, 86400.0), std::fmod(epochs.back().time, 86400.0));
    int compared = 0;
    double worst = 0;
    for (const auto& entry : mp) {
      if (!r["satellites"].Has(entry.first)) continue;
      const JsonValue& q = r["satellites"][entry.first];
      const char* keys[2][3] = {{"mp1_m", "mp1_epochs", "mp1_arcs"},
                                {"mp2_m", "mp2_epochs", "mp2_arcs"}};
      for (int i = 0; i < 2; ++i) {
        if (entry.second.values[i] == 0 || q[keys[i][1]].number != entry.second.values[i] ||
            q[keys[i][2]].number != entry.second.arcs[i]) {
          continue;
        }
        double independent = entry.second.Rms(i);
        EXPECT_NEAR(q[keys[i][0]].number, independent, 0.01 * independent)
            << entry.first << " " << keys[i][0];
        worst = std::max(worst, std::fabs(q[keys[i][0]].number / independent - 1));
        ++compared;
      }
    }
    std::printf("%s: %d multipath figures compared, the largest difference %.3f%%\n", name,
                compared, 100 * worst);
    EXPECT_GE(compared, 30);
  }
}

// The GREIS messages of a recording: an identifier and a length (a message
// with a bad checksum, as the recordings' [PM] have, is passed over whole);
// other bytes are passed over one by one.
std::vector<std::pair<std::string, std::vector<uint8_t>>> Messages(const jpsbuild::Bytes& b) {
  std::vector<std::pair<std::string, std::vector<uint8_t>>> out;
  auto hex = [](uint8_t c) { return std::isdigit(c) || (c >= 'A' && c <= 'F'); };
  for (size_t at = 0; at + 5 <= b.size();) {
    int length = -1;
    if (std::isprint(b[at]) && std::isprint(b[at + 1]) && hex(b[at + 2]) && hex(b[at + 3]) &&
        hex(b[at + 4])) {
      length = std::stoi(std::string(b.begin() + at + 2, b.begin() + at + 5), nullptr, 16);
    }
    if (length < 1 || at + 5 + length > b.size()) {
      ++at;
      continue;
    }
    if (jps::GreisChecksum(&b[at], length) == 0) {
      out.push_back({std::string(b.begin() + at, b.begin() + at + 2),
                     std::vector<uint8_t>(b.begin() + at + 5, b.begin() + at + 5 + length - 1)});
    }
    at += 5 + static_cast<size_t>(length);
  }
  return out;
}

struct Statistic {
  long count = 0;
  double sum = 0, min = 1e9, max = -1e9;
  void Add(double v) {
    ++count;
    sum += v;
    min = std::min(min, v);
    max = std::max(max, v);
  }
};

// Both recordings from their streams (jpsconv qc FILE.jps):
//  - C/N0 per satellite and signal: as many values, the same mean and least
//    as the decoder's RINEX S values of the same satellite and signal;
//  - the GPS satellites' elevations are the receiver's [EL] values (read
//    here from the bytes with the satellite list [SI] they follow), and their
//    azimuths, which the recordings do not send, are worked out for every bin;
//  - the satellites named unhealthy are those whose [GE] health bits are not
//    0 or whose [NE] health bit 0 is set, read from the bytes: G09 (health
//    63) in 2014.
TEST(QcRecordings, StreamReportAgreesWithTheDecoderAndTheBytes) {
  if (!jpstest::OnPath("convbin")) GTEST_SKIP() << "convbin is not installed (package rtklib)";
  bool g09 = false;
  for (const char* name : {"receiver-2014-08-29-1s", "receiver-2015-07-23-30s"}) {
    SCOPED_TRACE(name);
    std::string jps = jpstest::DataFile(std::string(name) + ".jps");
    if (jps.empty()) GTEST_SKIP() << "the shared recordings are not here";
    std::string dir = jpstest::TempDir();
    RinexFile rinex = Decoded(jps, dir);
    ASSERT_FALSE(rinex.epochs.empty());
    ProgramRun run = Jpsconv({"qc", jps, "--json"}, dir);
    ASSERT_EQ(run.exit, 0) << run.err;
    JsonValue r = ParseReport(run.out);
    ASSERT_EQ(r["source"].text, "receiver stream");
    const JsonValue& sats = r["satellites"];

    std::map<std::string, std::map<std::string, Statistic>> strengths;  // satellite, code
    for (const auto& epoch : rinex.epochs) {
      for (const auto& [sat, values] : epoch.second) {
        for (const auto& [type, v] : values) {
          if (type[0] == 'S') strengths[sat][type.substr(1)].Add(v.value);
        }
      }
    }
    int compared = 0;
    double worst = 0;
    for (const auto& [sat, codes] : strengths) {
      ASSERT_TRUE(sats.Has(sat)) << sat;
      for (const auto& [code, theirs] : codes) {
        SCOPED_TRACE(sat + " " + code);
        ASSERT_TRUE(sats[sat]["signals"].Has(code));
        const JsonValue& ours = sats[sat]["signals"][code];
        EXPECT_EQ(ours["cnr_values"].number, theirs.count);
        EXPECT_NEAR(ours["cnr_mean"].number, theirs.sum / theirs.count, 5e-5);
        EXPECT_EQ(ours["cnr_min"].number, theirs.min);
        EXPECT_EQ(ours["cnr_max"].number, theirs.max);
        worst = std::max(worst, std::fabs(ours["cnr_mean"].number - theirs.sum / theirs.count));
        ++compared;
      }
    }
    EXPECT_GE(compared, 60);
    std::printf("%s: C/N0 of %d satellite signals compared with the decoder's, means at most "
                "%.5f dB-Hz apart\n",
                name, compared, worst);

    std::vector<uint8_t> list;
    std::map<std::string, Statistic> elevations;
    std::set<std::string> unhealthy;
    for (const auto& [id, body] : Messages(jpstest::ReadBytes(jps))) {
      if (id == "SI") list = body;
      if (id == "EL" && body.size() == list.size()) {
        for (size_t k = 0; k < list.size(); ++k) {
          char sat[8];
          std::snprintf(sat, sizeof sat, "G%02d", list[k]);
          // The receiver marks an elevation it does not have with 127.
          if (list[k] >= 1 && list[k] <= 32 && body[k] != 127) {
            elevations[sat].Add(static_cast<int8_t>(body[k]));
          }
        }
      }
      char sat[8];
      if (id == "GE" && body.size() > 13 && body[13] != 0) {
        std::snprintf(sat, sizeof sat, "G%02d", body[0]);
        unhealthy.insert(sat);
        g09 |= std::string(sat) == "G09" && body[13] == 63;
      }
      if (id == "NE" && body.size() > 12 && (body[12] & 1) != 0) {
        std::snprintf(sat, sizeof sat, "R%02d", body[0]);
        unhealthy.insert(sat);
      }
    }
    int gps = 0;
    for (const auto& [sat, e] : elevations) {
      SCOPED_TRACE(sat);
      ASSERT_TRUE(sats.Has(sat));
      const JsonValue& sky = sats[sat]["sky"];
      EXPECT_EQ(sky["elevation_from_receiver"].number, e.count);
      if (sky["elevation_computed"].number == 0) {  // else the figures hold those too
        EXPECT_EQ(sky["elevation_min"].number, e.min);
        EXPECT_EQ(sky["elevation_max"].number, e.max);
        EXPECT_NEAR(sky["elevation_mean"].number, e.sum / e.count, 0.005);
      }
      EXPECT_EQ(sky["azimuth_from_receiver"].number, 0);
      for (const JsonValue& point : sats[sat]["track"].items) {
        EXPECT_FALSE(point[2].IsNull()) << "no azimuth at " << point[0].number;
      }
      ++gps;
    }
    EXPECT_GE(gps, 10);
    std::set<std::string> named;
    for (const JsonValue& u : r["stream"]["unhealthy"].items) {
      named.insert(u["satellite"].text);
      if (u["satellite"].text == "G09") {
        EXPECT_EQ(u["health"].number, 63);
      }
    }
    EXPECT_EQ(named, unhealthy);
    ProgramRun text = Jpsconv({"qc", jps}, dir);
    for (const std::string& sat : unhealthy) {
      EXPECT_NE(text.out.find(sat + " (health "), std::string::npos) << sat;
    }
  }
  EXPECT_TRUE(g09) << "G09's [GE] of 2014 should carry health 63";
}

}  // namespace
