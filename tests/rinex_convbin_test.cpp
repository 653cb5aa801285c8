// The navigation file that jpsconv rinex writes from the real recordings'
// [GE] and [NE] messages against that of an independent decoder, RTKLIB's
// convbin, run on the same bytes: the same records (satellites and epochs),
// and in each the health, accuracy, codes on L2, IODC, TGD and every orbit
// and clock term to single precision. Skips when the recordings or convbin
// are not here.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "tests/builder/optional_tools.h"
#include "tests/builder/program_run.h"
#include "tests/builder/test_host.h"

namespace {

using Record = std::vector<double>;  // the numbers of a record, line by line

// Every record of a 3.04 navigation text, by its first 23 columns ("G05 2014
// 08 29 22 00 00"); numbers written with E or D, with or without a leading 0.
std::map<std::string, Record> Records(const std::string& text) {
  std::map<std::string, Record> out;
  std::string key;
  bool body = text.find("END OF HEADER") == std::string::npos;  // records alone
  size_t b = 0;
  for (size_t e; (e = text.find('\n', b)) != std::string::npos; b = e + 1) {
    std::string line = text.substr(b, e - b);
    if (!body) {
      body = line.find("END OF HEADER") != std::string::npos;
      continue;
    }
    size_t start = 4;
    if (line[0] != ' ') {
      key = line.substr(0, 23);
      out[key].clear();
      start = 23;
    }
    for (size_t at = start; at + 19 <= line.size(); at += 19) {
      std::string f = line.substr(at, 19);
      for (char& c : f) c = c == 'D' ? 'E' : c;
      out[key].push_back(std::strtod(f.c_str(), nullptr));
    }
  }
  return out;
}

void Compare(const std::string& file) {
  std::string jps = jpstest::DataFile(file);
  if (jps.empty()) GTEST_SKIP() << "the shared recordings are not here";
  std::string missing = jpstest::MissingTool("convbin", "rtklib");
  if (!missing.empty()) GTEST_SKIP() << missing;
  std::string dir = jpstest::TempDir();
  jpstest::ProgramRun run = jpstest::Run({"convbin", "-r", "javad", "-v", "3.04", "-od", "-os", "-o",
                                          dir + "/x.obs", "-n", dir + "/x.nav", jps},
                                         dir);
  ASSERT_EQ(run.exit, 0) << run.err;
  std::map<std::string, Record> theirs = Records(jpstest::ReadFile(dir + "/x.nav"));

  jpstest::ProgramRun ourRun = jpstest::Jpsconv({"rinex", "-q", jps, "-o", dir}, dir);
  ASSERT_EQ(ourRun.exit, 0) << ourRun.out << ourRun.err;
  std::string name = file.substr(0, file.size() - 4);
  std::map<std::string, Record> mine = Records(jpstest::ReadFile(dir + "/" + name + ".nav"));
  ASSERT_FALSE(mine.empty());
  int compared = 0;
  for (const auto& [key, values] : mine) {
    auto other = theirs.find(key);
    ASSERT_NE(other, theirs.end()) << key << " is not among convbin's records";
    const Record& t = other->second;
    ASSERT_EQ(values.size(), t.size()) << key;
    for (size_t i = 0; i < values.size(); ++i) {
      // convbin writes the GPS fit interval as its flag, not in hours.
      if (key[0] == 'G' && i == values.size() - 1) continue;
      double tolerance = 1e-6 * std::fabs(t[i]) + 1e-12;
      EXPECT_NEAR(values[i], t[i], tolerance) << key << " number " << i;
    }
    ++compared;
  }
  EXPECT_GE(compared, 5);
  // Each of theirs is one of ours.
  for (const auto& [key, values] : theirs) EXPECT_EQ(mine.count(key), 1u) << key << " is not ours";
  std::printf("%s: %d records compared with convbin's (%zu theirs)\n", file.c_str(), compared,
              theirs.size());
}

}  // namespace

TEST(RinexConvbin, OneSecondRecordingsNavigationRecords) { Compare("receiver-2014-08-29-1s.jps"); }

TEST(RinexConvbin, ThirtySecondRecordingsNavigationRecords) { Compare("receiver-2015-07-23-30s.jps"); }
