// The shared recordings through jpsconv convert and jpsconv rinex: the RINEX
// observation file read back gives the KEL file's values, and a positioning
// program that reads RINEX finds the receiver where the receiver found itself.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/builder/civil_days.h"
#include "tests/builder/optional_tools.h"
#include "tests/builder/program_run.h"
#include "tests/builder/test_host.h"

using jpstest::DecodeKelEpochs;
using jpstest::Epoch;
using jpstest::Jpsconv;
using jpstest::Measurement;
using jpstest::ProgramRun;

namespace {

struct Recording {
  const char* name;
  int year, month, day;  // the recording's date (data README)
};
const Recording kRecordings[] = {{"receiver-2014-08-29-1s", 2014, 8, 29},
                                 {"receiver-2015-07-23-30s", 2015, 7, 23}};

constexpr int kFields = 5;
constexpr size_t kFieldWidth = 16;  // F14.3, loss-of-lock, signal strength

using jpstest::GpsDays;

struct RinexSatellite {
  std::string id;
  std::string field[kFields];  // the F14.3 text, blank when there is no value
  char lossOfLock[kFields];
};
struct RinexEpoch {
  long week;
  double tow;
  int year, month, day;
  std::vector<RinexSatellite> satellites;
};
struct RinexObservations {
  std::map<int, int> channelOfSlot;
  std::vector<RinexEpoch> epochs;
};

// A small reader of what a RINEX 3 observation file holds, by its columns.
RinexObservations ReadObservations(const std::string& text) {
  RinexObservations out;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line) && line.find("END OF HEADER") != 60) {
    if (line.size() < 80 || line.compare(60, 20, "GLONASS SLOT / FRQ #") != 0) continue;
    for (size_t at = 4; at + 6 <= 60; at += 7) {
      int slot = 0, channel = 0;
      if (std::sscanf(line.c_str() + at, "R%2d %2d", &slot, &channel) == 2) {
        out.channelOfSlot[slot] = channel;
      }
    }
  }
  while (std::getline(in, line)) {
    if (line[0] == '>') {
      RinexEpoch e{};
      int hour = 0, minute = 0, flag = -1, count = 0;
      double second = 0;
      EXPECT_EQ(std::sscanf(line.c_str(), "> %d %d %d %d %d %lf %d %d", &e.year, &e.month, &e.day,
                            &hour, &minute, &second, &flag, &count),
                8)
          << line;
      EXPECT_EQ(flag, 0);
      long days = GpsDays(e.year, e.month, e.day);
      e.week = days / 7;
      e.tow = (days % 7) * 86400.0 + hour * 3600.0 + minute * 60.0 + second;
      out.epochs.push_back(e);
      continue;
    }
    EXPECT_FALSE(out.epochs.empty());
    if (out.epochs.empty()) break;
    line.resize(3 + kFields * kFieldWidth, ' ');
    RinexSatellite s;
    s.id = line.substr(0, 3);
    for (int i = 0; i < kFields; ++i) {
      s.field[i] = line.substr(3 + i * kFieldWidth, 14);
      s.lossOfLock[i] = line[3 + i * kFieldWidth + 14];
      EXPECT_EQ(line[3 + i * kFieldWidth + 15], ' ');
    }
    out.epochs.back().satellites.push_back(s);
  }
  return out;
}

// The GLONASS satellite numbers (45 + channel) of the EPP file's GlnEph blocks.
std::set<int> GlonassNumbersWithEphemeris(const std::string& epp) {
  std::set<int> numbers;
  for (size_t at = epp.find("GlnEph { Prn: "); at != std::string::npos;
       at = epp.find("GlnEph { Prn: ", at + 1)) {
    numbers.insert(std::atoi(epp.c_str() + at + 14));
  }
  return numbers;
}

// Converts the recording into dir and exports the KEL file; its path.
std::string ConvertAndExport(const Recording& r, const std::string& dir) {
  std::string jps = jpstest::DataFile(std::string(r.name) + ".jps");
  std::string kel = dir + "/" + r.name + ".kel";
  ProgramRun convert = Jpsconv({"convert", jps, "-o", kel, "-q"}, dir);
  EXPECT_EQ(convert.exit, 0) << convert.out << convert.err;
  ProgramRun rinex = Jpsconv({"rinex", kel, "-q"}, dir);
  EXPECT_EQ(rinex.exit, 0) << rinex.out << rinex.err;
  return kel;
}

void ExpectValue(const std::string& field, double kel, const std::string& what) {
  bool blank = field.find_first_not_of(' ') == std::string::npos;
  EXPECT_EQ(blank, kel == 0.0) << what << " [" << field << "] " << kel;
  if (!blank) {
    EXPECT_LE(std::fabs(std::atof(field.c_str()) - kel), 0.0005 + 1e-9) << what;
  }
}

}  // namespace

TEST(RinexRecordings, ObservationFileReadBackGivesTheKelValues) {
  for (const Recording& r : kRecordings) {
    if (jpstest::DataFile(std::string(r.name) + ".jps").empty()) {
      GTEST_SKIP() << "the shared recordings are not here";
    }
    SCOPED_TRACE(r.name);
    std::string kelPath = ConvertAndExport(r, jpstest::TempDir());
    std::string base = kelPath.substr(0, kelPath.size() - 4);
    std::vector<Epoch> kel = DecodeKelEpochs(jpstest::ReadFile(kelPath));
    std::set<int> withSlot = GlonassNumbersWithEphemeris(jpstest::ReadFile(base + ".epp"));
    RinexObservations rinex = ReadObservations(jpstest::ReadFile(base + ".obs"));
    ASSERT_FALSE(rinex.epochs.empty());
    EXPECT_EQ(rinex.epochs[0].year, r.year);
    EXPECT_EQ(rinex.epochs[0].month, r.month);
    EXPECT_EQ(rinex.epochs[0].day, r.day);
    EXPECT_EQ(rinex.epochs[0].week, GpsDays(r.year, r.month, r.day) / 7);

    size_t next = 0, values = 0, flags = 0;
    std::set<std::string> seen;   // satellites whose first phase went by
    bool slipOfG24 = false;
    for (const Epoch& e : kel) {
      // What RINEX can name: GPS PRNs, and GLONASS channels that an ephemeris gives a slot.
      std::map<int, const Measurement*> expected;
      for (const Measurement& m : e.measurements) {
        bool gps = m.satellite >= 1 && m.satellite <= 32;
        if (gps || withSlot.count(m.satellite) > 0) expected[m.satellite] = &m;
      }
      if (expected.empty()) continue;
      ASSERT_LT(next, rinex.epochs.size());
      const RinexEpoch& re = rinex.epochs[next++];
      EXPECT_NEAR(re.tow, e.time, 1e-6);
      ASSERT_EQ(re.satellites.size(), expected.size()) << e.time;
      for (const RinexSatellite& s : re.satellites) {
        int number = std::atoi(s.id.c_str() + 1);
        if (s.id[0] == 'R') number = 45 + rinex.channelOfSlot.at(number);
        ASSERT_EQ(expected.count(number), 1u) << s.id << " at " << e.time;
        const Measurement& m = *expected[number];
        // RINEX phases have the sign opposite to the KEL file's.
        const double kelValues[kFields] = {m.l1Code, -m.l1Phase, m.doppler, m.l2Code, -m.l2Phase};
        for (int i = 0; i < kFields; ++i) {
          ExpectValue(s.field[i], kelValues[i], s.id + " field " + std::to_string(i));
          bool phase = i == 1 || i == 4;
          // The flag sits on phases only; a satellite's first phase begins an arc.
          if (!phase || kelValues[i] == 0.0) {
            EXPECT_EQ(s.lossOfLock[i], ' ');
          }
          if (i == 1 && seen.insert(s.id).second) {
            EXPECT_EQ(s.lossOfLock[i], '1') << s.id;
          }
          flags += s.lossOfLock[i] == '1' ? 1 : 0;
          ++values;
        }
        // The 2015 recording's G24 slips at 19:18:00 with its lock count at 255.
        slipOfG24 |= s.id == "G24" && e.time == 415080.0 && s.lossOfLock[1] == '1';
      }
    }
    EXPECT_EQ(next, rinex.epochs.size());
    if (std::string(r.name).find("2015") != std::string::npos) {
      EXPECT_TRUE(slipOfG24);
    }
    std::printf("%s: %zu epochs, %zu values equal to the KEL file's, %zu phases flagged\n",
                r.name, next, values, flags);
  }
}

TEST(RinexRecordings, PositioningProgramSolvesFromTheExportedFiles) {
  std::string missing = jpstest::MissingTool("rnx2rtkp", "rtklib");
  if (!missing.empty()) GTEST_SKIP() << missing;
  for (const Recording& r : kRecordings) {
    std::string jps = jpstest::DataFile(std::string(r.name) + ".jps");
    if (jps.empty()) GTEST_SKIP() << "the shared recordings are not here";
    SCOPED_TRACE(r.name);
    std::string dir = jpstest::TempDir();
    std::string kelPath = ConvertAndExport(r, dir);
    std::string base = kelPath.substr(0, kelPath.size() - 4);

    // Each recording carries one GPS ephemeris that the receiver broadcast as
    // unhealthy (health byte 63 in its [GE] message: a satellite launched
    // weeks before). The EPP file has no place for that byte, so the
    // navigation file cannot say it; the program is told to leave such
    // satellites out, as their health would have told it.
    std::string bytes = jpstest::ReadFile(jps), excluded;
    for (size_t at = bytes.find("GE07B"); at != std::string::npos;
         at = bytes.find("GE07B", at + 1)) {
      if (at + 5 + 123 > bytes.size()) break;
      int prn = static_cast<unsigned char>(bytes[at + 5]);
      int health = static_cast<unsigned char>(bytes[at + 5 + 13]);
      if (prn >= 1 && prn <= 32 && health != 0) {
        char id[8];
        std::snprintf(id, sizeof id, " G%02d", prn);
        if (excluded.find(id) == std::string::npos) excluded += id;
      }
    }
    // Single-point positioning with GPS and GLONASS (navigation systems 1 + 4).
    jpstest::WriteFile(dir + "/spp.conf",
                       "pos1-posmode =single\npos1-navsys =5\nout-timeform =tow\n"
                       "pos1-exclsats =" +
                           excluded + "\n");
    std::string command = "rnx2rtkp -k " + dir + "/spp.conf -o " + dir + "/spp.pos " + base +
                          ".obs " + base + ".nav >" + dir + "/rnx2rtkp.txt 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << jpstest::ReadFile(dir + "/rnx2rtkp.txt");

    std::map<long, const Epoch*> byTime;  // ms of the week
    std::vector<Epoch> kel = DecodeKelEpochs(jpstest::ReadFile(kelPath));
    for (const Epoch& e : kel) byTime[std::lround(e.time * 1000)] = &e;
    std::istringstream pos(jpstest::ReadFile(dir + "/spp.pos"));
    std::string line;
    size_t solved = 0;
    double farthest = 0;
    while (std::getline(pos, line)) {
      if (line.empty() || line[0] == '%') continue;
      long week = 0;
      double tow = 0, latitude = 0, longitude = 0;
      ASSERT_EQ(std::sscanf(line.c_str(), "%ld %lf %lf %lf", &week, &tow, &latitude, &longitude), 4)
          << line;
      EXPECT_EQ(week, GpsDays(r.year, r.month, r.day) / 7);
      auto found = byTime.find(std::lround(tow * 1000));
      ASSERT_NE(found, byTime.end()) << line;
      const Epoch& e = *found->second;
      ASSERT_NE(e.flags & 1, 0) << "the receiver has no position at " << tow;
      // Metres north and east on a sphere of the Earth's mean radius: plenty for 10 m.
      constexpr double kRadius = 6371000.0, kRadian = 3.141592653589793 / 180;
      double north = (latitude - e.latitude) * kRadian * kRadius;
      double east = (longitude - e.longitude) * kRadian * kRadius * std::cos(e.latitude * kRadian);
      double distance = std::hypot(north, east);
      EXPECT_LE(distance, 10.0) << "at " << tow;
      farthest = std::max(farthest, distance);
      ++solved;
    }
    EXPECT_GE(solved * 10, kel.size() * 9);
    std::printf("%s: rnx2rtkp solved %zu of %zu epochs (left out:%s), farthest %.2f m\n", r.name,
                solved, kel.size(), excluded.c_str(), farthest);
  }
}
