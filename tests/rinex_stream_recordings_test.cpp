// The shared recordings through jpsconv rinex, our RINEX file against an
// independent decoder's RINEX of the same bytes (convbin, run as a program),
// both read by their columns: every code, phase, Doppler and C/N0 it writes,
// of every signal and system, is in our file under the same satellite, time
// and RINEX code, in every epoch (the last one too, which the end of the
// input closes).
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/builder/civil_days.h"
#include "tests/builder/optional_tools.h"
#include "tests/builder/program_run.h"
#include "tests/builder/test_host.h"

namespace {

constexpr size_t kFieldWidth = 16;   // F14.3, loss-of-lock, signal strength
constexpr size_t kValueWidth = 14;
constexpr size_t kTypesPerLine = 13;
constexpr double kTolerance = 0.001;  // m, cycles, Hz (the file's three decimals)

// Milliseconds since the GPS time origin of a GPS-time date.
long long GpsMs(long y, long m, long d, long hour, long minute, double second) {
  long days = jpstest::GpsDays(y, m, d);
  return days * 86400000LL + hour * 3600000LL + minute * 60000LL + std::llround(second * 1000);
}

struct RinexValue {
  double value;
  char lossOfLock;
  int channel;   // GLONASS: the frequency channel the header gives the slot
};
// "G23 C1C" -> value, for one epoch.
using Values = std::map<std::string, RinexValue>;

struct RinexFile {
  std::map<int, int> channelOfSlot;          // GLONASS SLOT / FRQ #
  std::vector<std::pair<long long, Values>> epochs;   // GPS ms, values
};

// What a RINEX 3 observation file holds, read by its columns.
RinexFile ReadRinex(const std::string& text) {
  RinexFile out;
  std::map<char, std::vector<std::string>> types;
  std::istringstream in(text);
  std::string line;
  char system = ' ';
  while (std::getline(in, line) && line.find("END OF HEADER") != 60) {
    if (line.size() < 80) continue;
    std::string label = line.substr(60, 20);
    if (label == "SYS / # / OBS TYPES ") {
      if (line[0] != ' ') system = line[0];
      for (size_t k = 0; k < kTypesPerLine; ++k) {
        std::string type = line.substr(7 + 4 * k, 3);
        if (type != "   ") types[system].push_back(type);
      }
    } else if (label == "GLONASS SLOT / FRQ #") {
      for (size_t at = 4; at + 6 <= 60; at += 7) {
        int slot = 0, channel = 0;
        if (std::sscanf(line.c_str() + at, "R%2d %2d", &slot, &channel) == 2) {
          out.channelOfSlot[slot] = channel;
        }
      }
    }
  }
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    if (line[0] == '>') {
      int y = 0, mo = 0, d = 0, h = 0, mi = 0, flag = -1;
      double s = 0;
      EXPECT_EQ(std::sscanf(line.c_str(), "> %d %d %d %d %d %lf %d", &y, &mo, &d, &h, &mi, &s, &flag), 7);
      EXPECT_EQ(flag, 0) << line;
      out.epochs.push_back({GpsMs(y, mo, d, h, mi, s), {}});
      continue;
    }
    if (out.epochs.empty()) {
      ADD_FAILURE() << "a satellite before the first epoch: " << line;
      break;
    }
    std::string satellite = line.substr(0, 3);
    const std::vector<std::string>& t = types[line[0]];
    for (size_t k = 0; k < t.size(); ++k) {
      size_t at = 3 + k * kFieldWidth;
      if (at >= line.size()) break;
      std::string field = line.substr(at, kValueWidth);
      if (field.find_first_not_of(' ') == std::string::npos) continue;
      char lli = at + kValueWidth < line.size() ? line[at + kValueWidth] : ' ';
      int channel = line[0] == 'R' ? out.channelOfSlot[std::atoi(satellite.c_str() + 1)] : 0;
      out.epochs.back().second[satellite + " " + t[k]] = {std::atof(field.c_str()), lli, channel};
    }
  }
  return out;
}

struct Figures {
  int compared = 0, differing = 0, missing = 0, extra = 0;
  int theirLossOfLock = 0, ourLossOfLock = 0, theirsNotOurs = 0;
  std::set<std::string> extraSatellites;
};

// Single-point positions (ECEF, m) of rnx2rtkp by GPS time of week.
std::map<long long, std::array<double, 3>> Positions(const std::string& dir, const std::string& obs,
                                                     const std::string& nav) {
  std::string pos = obs + ".pos";
  jpstest::ProgramRun run =
      jpstest::Run({"rnx2rtkp", "-p", "0", "-sys", "G,R", "-e", "-o", pos, obs, nav}, dir);
  EXPECT_EQ(run.exit, 0) << run.err;
  std::map<long long, std::array<double, 3>> out;
  std::istringstream in(jpstest::ReadFile(pos));
  std::string line;
  while (std::getline(in, line)) {
    int week = 0;
    double tow = 0;
    std::array<double, 3> xyz{};
    if (line.empty() || line[0] == '%') continue;
    if (std::sscanf(line.c_str(), "%d %lf %lf %lf %lf", &week, &tow, &xyz[0], &xyz[1], &xyz[2]) == 5) {
      out[week * 604800000LL + std::llround(tow * 1000)] = xyz;
    }
  }
  return out;
}

// The positioning program solves every epoch of our files, with no satellite
// left out by hand (an unhealthy one says so itself), and lands where it
// lands from the independent decoder's files: the means over the epochs both
// solve within 5 cm.
void ComparePositions(const std::string& dir, const std::string& name, size_t ourEpochs) {
  std::string missing = jpstest::MissingTool("rnx2rtkp", "rtklib");
  if (!missing.empty()) {
    std::cout << missing << ": positions not compared\n";
    return;
  }
  auto ours = Positions(dir, dir + "/" + name + ".obs", dir + "/" + name + ".nav");
  auto theirs = Positions(dir, dir + "/x.obs", dir + "/x.nav");
  EXPECT_EQ(ours.size(), ourEpochs) << "epochs solved from our files";
  std::array<double, 3> mean[2] = {};
  int common = 0;
  for (const auto& [ms, xyz] : ours) {
    auto other = theirs.find(ms);
    if (other == theirs.end()) continue;
    for (int k = 0; k < 3; ++k) {
      mean[0][k] += xyz[k];
      mean[1][k] += other->second[k];
    }
    ++common;
  }
  ASSERT_GT(common, 0);
  double squared = 0;
  for (int k = 0; k < 3; ++k) squared += std::pow((mean[0][k] - mean[1][k]) / common, 2);
  EXPECT_LT(std::sqrt(squared), 0.05);
  std::cout << name << ": " << ours.size() << " epochs solved from our files, "
            << theirs.size() << " from theirs; mean positions " << std::sqrt(squared)
            << " m apart\n";
}

void CompareRecording(const std::string& name, int expectedEpochs) {
  std::string jps = jpstest::DataFile(name + ".jps");
  if (jps.empty()) GTEST_SKIP() << "the shared recordings are not here (../shared/data)";
  std::string missing = jpstest::MissingTool("convbin", "rtklib");
  if (!missing.empty()) GTEST_SKIP() << missing;

  std::string dir = jpstest::TempDir();
  jpstest::ProgramRun convbin = jpstest::Run(
      {"convbin", "-r", "javad", "-v", "3.04", "-od", "-os", "-o", dir + "/x.obs", "-n",
       dir + "/x.nav", jps},
      dir);
  ASSERT_EQ(convbin.exit, 0) << convbin.err;
  RinexFile rinex = ReadRinex(jpstest::ReadFile(dir + "/x.obs"));
  ASSERT_EQ(static_cast<int>(rinex.epochs.size()), expectedEpochs);

  jpstest::ProgramRun ourRun = jpstest::Jpsconv({"rinex", "-q", jps, "-o", dir}, dir);
  ASSERT_EQ(ourRun.exit, 0) << ourRun.out << ourRun.err;
  RinexFile ourFile = ReadRinex(jpstest::ReadFile(dir + "/" + name + ".obs"));
  std::map<long long, const Values*> ours;
  for (const auto& [ms, values] : ourFile.epochs) ours[ms] = &values;
  ASSERT_EQ(ours.size(), rinex.epochs.size());

  Figures f;
  for (size_t i = 0; i < rinex.epochs.size(); ++i) {
    const auto& [ms, theirs] = rinex.epochs[i];
    auto found = ours.find(ms);
    if (found == ours.end()) {
      ADD_FAILURE() << "no epoch of ours at " << ms << " ms";
      f.missing += static_cast<int>(theirs.size());
      continue;
    }
    const Values& mine = *found->second;
    for (const auto& [key, v] : theirs) {
      auto m = mine.find(key);
      if (key[4] == 'L') f.theirLossOfLock += v.lossOfLock == '1' ? 1 : 0;
      if (m == mine.end()) {
        ++f.missing;
        ADD_FAILURE() << name << " at " << ms << " ms: " << key << " " << v.value << " is not ours";
        continue;
      }
      ++f.compared;
      double difference = std::fabs(m->second.value - v.value);
      bool same = key[4] == 'S' ? m->second.value == v.value : difference <= kTolerance + 1e-9;
      if (!same) {
        ++f.differing;
        ADD_FAILURE() << name << " at " << ms << " ms: " << key << " ours " << m->second.value
                      << " theirs " << v.value;
      }
      if (key[4] == 'L' && v.lossOfLock == '1' && m->second.lossOfLock != '1') ++f.theirsNotOurs;
    }
    for (const auto& [key, v] : mine) {
      f.ourLossOfLock += key[4] == 'L' && v.lossOfLock == '1' ? 1 : 0;
      if (theirs.count(key) != 0) continue;
      ++f.extra;
      f.extraSatellites.insert(key.substr(0, 3));
      // What we have beyond theirs: only GLONASS satellites that their own
      // header places on our channel (slot from the ephemeris, no [NN]).
      int slot = std::atoi(key.c_str() + 1);
      auto channel = rinex.channelOfSlot.find(slot);
      EXPECT_TRUE(key[0] == 'R' && channel != rinex.channelOfSlot.end() &&
                  channel->second == v.channel)
          << name << " at " << ms << " ms: ours only: " << key;
    }
  }
  EXPECT_EQ(f.differing, 0);
  EXPECT_EQ(f.missing, 0);
  EXPECT_GT(f.compared, 0);
  ComparePositions(dir, name, ourFile.epochs.size());
  // Every loss of lock they mark, we mark too.
  EXPECT_EQ(f.theirsNotOurs, 0);
  std::string extra;
  for (const std::string& s : f.extraSatellites) extra += " " + s;
  std::cout << name << ": " << f.compared << " values compared, " << f.missing
            << " of theirs missing, " << f.extra << " of ours not theirs (" << extra
            << " ); loss of lock marked: theirs " << f.theirLossOfLock << ", ours "
            << f.ourLossOfLock << "\n";
  ::testing::Test::RecordProperty("compared", f.compared);
  ::testing::Test::RecordProperty("extra", f.extra);
}


using Marks = std::map<std::string, std::vector<long long>>;  // "G05 L1C" -> times, ms

Marks LossOfLockMarks(const RinexFile& f) {
  Marks marks;
  for (const auto& [ms, values] : f.epochs) {
    for (const auto& [key, v] : values) {
      if (key[4] == 'L' && v.lossOfLock == '1') marks[key].push_back(ms);
    }
  }
  return marks;
}

// A mark at an epoch that decimated leaves out belongs to the first phase of
// the signal decimated holds after it, and each signal's first phase there is
// marked. exact: decimated marks nothing else. Returns the marks carried
// from epochs left out.
int ExpectCarried(const Marks& marks, const RinexFile& decimated, bool exact, const std::string& what) {
  std::map<std::string, long long> last;  // the signal's last phase in decimated
  int carried = 0;
  for (const auto& [ms, values] : decimated.epochs) {
    for (const auto& [key, v] : values) {
      if (key[4] != 'L') continue;
      auto previous = last.find(key);
      bool first = previous == last.end();
      long long after = first ? -1 : previous->second;
      last[key] = ms;
      bool lost = false, here = false;
      auto found = marks.find(key);
      for (long long at : found != marks.end() ? found->second : std::vector<long long>{}) {
        lost = lost || (at > after && at <= ms);
        here = here || at == ms;
      }
      bool marked = v.lossOfLock == '1';
      if (exact || first || lost) {
        EXPECT_EQ(marked, first || lost) << what << " at " << ms << " ms: " << key;
      }
      carried += lost && !here ? 1 : 0;
    }
  }
  return carried;
}

}  // namespace

// 90 receiver times, the first with its date: 90 epochs, the last closed by
// the end of the input. The satellite on GLONASS channel -6 has no slot in [NN]
// (255) but one in its ephemeris [NE] (25): we write it as R25 from the
// second epoch on (its [NE] arrives during that epoch); the independent
// decoder names R25 on channel -6 in its header but writes none of its values.
TEST(RinexStreamRecordings, OneSecondRecordingHoldsEveryValueOfTheIndependentDecoderAndSolves) {
  CompareRecording("receiver-2014-08-29-1s", 90);
}

TEST(RinexStreamRecordings, ThirtySecondRecordingHoldsEveryValueOfTheIndependentDecoderAndSolves) {
  CompareRecording("receiver-2015-07-23-30s", 267);
}

// Files on a coarser grid (--interval) keep the receiver's losses of lock: one
// at an epoch left out marks the signal's next phase in the file, and a
// signal's first phase in the file is marked. From the stream against the
// independent decoder's marks at every epoch; from the KEL file against its
// own export at every epoch.
TEST(RinexStreamRecordings, DecimatedFilesCarryEveryLossOfLockToTheNextPhase) {
  std::string name = "receiver-2014-08-29-1s";
  std::string jps = jpstest::DataFile(name + ".jps");
  if (jps.empty()) GTEST_SKIP() << "the shared recordings are not here (../shared/data)";
  std::string dir = jpstest::TempDir();
  std::filesystem::create_directories(dir + "/grid");
  auto run = [&](const std::vector<std::string>& args) {
    jpstest::ProgramRun r = jpstest::Jpsconv(args, dir);
    EXPECT_EQ(r.exit, 0) << r.out << r.err;
  };
  run({"rinex", "-q", "--interval", "5", jps, "-o", dir + "/grid"});
  RinexFile grid = ReadRinex(jpstest::ReadFile(dir + "/grid/" + name + ".obs"));
  ASSERT_EQ(grid.epochs.size(), 18u);  // 504145 to 504230 s of 504142 to 504231
  std::string missing = jpstest::MissingTool("convbin", "rtklib");
  if (missing.empty()) {
    jpstest::ProgramRun convbin = jpstest::Run(
        {"convbin", "-r", "javad", "-v", "3.04", "-od", "-os", "-o", dir + "/x.obs", jps}, dir);
    ASSERT_EQ(convbin.exit, 0) << convbin.err;
    // At least the independent decoder's marks (ours mark more: above).
    int carried = ExpectCarried(LossOfLockMarks(ReadRinex(jpstest::ReadFile(dir + "/x.obs"))),
                                grid, false, "stream");
    EXPECT_GT(carried, 0);
    std::cout << "from the stream: " << carried << " of the independent decoder's marks carried\n";
  } else {
    std::cout << missing << ": the stream's marks not compared\n";
  }

  run({"convert", "-q", "--no-progress", jps, "-o", dir + "/" + name + ".kel"});
  run({"rinex", "-q", dir + "/" + name + ".kel", "-o", dir});
  run({"rinex", "-q", "--interval", "5", dir + "/" + name + ".kel", "-o", dir + "/grid"});
  int carried = ExpectCarried(LossOfLockMarks(ReadRinex(jpstest::ReadFile(dir + "/" + name + ".obs"))),
                              ReadRinex(jpstest::ReadFile(dir + "/grid/" + name + ".obs")), true, "KEL");
  EXPECT_GT(carried, 0);
  std::cout << "from the KEL file: " << carried << " marks carried\n";
}
