// The navigation records built from the [GE] and [NE] messages of the real
// recordings against those of an independent decoder, RTKLIB's convbin, run
// on the same bytes: satellites and epochs, health, accuracy, codes on L2,
// IODC, TGD and every orbit and clock term to single precision. Skips when
// the recordings or convbin are not here.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "support/gps_weeks.h"
#include "tests/builder/program_run.h"
#include "tests/builder/test_host.h"
#include "tools/builder/message_scan.h"
#include "tools/rinex/navigation_file.h"
#include "tools/rinex/navigation_views.h"

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

// GPS seconds of a date and a time of day.
double GpsSeconds(int year, int month, int day, double secondOfDay) {
  jps::CalendarTime c{0, 0, 0, day, month - 1, year - 1900, 0};
  int64_t since = 0;
  jps::FullWeekOfCalendar(c, &since);
  return static_cast<double>(since) + secondOfDay;
}

void Compare(const std::string& file) {
  std::string jps = jpstest::DataFile(file);
  if (jps.empty()) GTEST_SKIP() << "the shared recordings are not here";
  if (!jpstest::OnPath("convbin")) GTEST_SKIP() << "convbin (Debian package rtklib) is not installed";
  std::string dir = jpstest::TempDir();
  jpstest::ProgramRun run = jpstest::Run({"convbin", "-r", "javad", "-v", "3.04", "-od", "-os", "-o",
                                          dir + "/x.obs", "-n", dir + "/x.nav", jps},
                                         dir);
  ASSERT_EQ(run.exit, 0) << run.err;
  std::map<std::string, Record> theirs = Records(jpstest::ReadFile(dir + "/x.nav"));

  jpsbuild::Bytes bytes = jpstest::ReadBytes(jps);
  jpsrinex::NavigationFile ours(jpsrinex::RinexVersion::k304, jpsrinex::NavFileKind::kMixed);
  int year = 0, month = 0, day = 0, leap = 0;
  double now = 0;
  jpsbuild::ForEachMessage(bytes.data(), bytes.size(), [&](size_t at, size_t size) {
    const uint8_t* m = bytes.data() + at;
    std::string id(reinterpret_cast<const char*>(m), 2);
    const uint8_t* body = m + 5;
    int length = static_cast<int>(size) - 5;
    if (id == "RD") {
      year = body[0] | body[1] << 8;
      month = body[2];
      day = body[3];
    } else if (id == "~~" && year > 0) {
      uint32_t ms = body[0] | body[1] << 8 | body[2] << 16 | static_cast<uint32_t>(body[3]) << 24;
      now = GpsSeconds(year, month, day, ms / 1000.0);
    } else if (id == "UO") {
      leap = static_cast<int8_t>(body[18]);
    } else if (id == "GE" && now > 0) {
      jpsrinex::GpsNavRecord r;
      if (jpsrinex::GpsRecordFromView(jps::GpsEphemerisView(body, length), 'G', now, &r)) ours.Add(r);
    } else if (id == "NE" && now > 0 && leap > 0) {
      jpsrinex::GlonassNavRecord r;
      if (jpsrinex::GlonassRecordFromView(jps::GlonassEphemerisView(body, length),
                                          std::llround(now) - leap, &r)) {
        ours.Add(r);
      }
    }
  });
  std::map<std::string, Record> mine = Records(ours.text());
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
  std::printf("%s: %d records compared with convbin's\n", file.c_str(), compared);
}

}  // namespace

TEST(RinexConvbin, OneSecondRecordingsNavigationRecords) { Compare("receiver-2014-08-29-1s.jps"); }

TEST(RinexConvbin, ThirtySecondRecordingsNavigationRecords) { Compare("receiver-2015-07-23-30s.jps"); }
