// The week and toe of the last GPS ephemeris of an EPP file.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "support/epp_reader.h"
#include "tests/builder/test_host.h"

using namespace jps;

namespace {

const char* kHeader = "$EPHREC Ver6.0 JPS2KEL GPS/Glonass\r\n";
const char* kGlonassBlock =
    "GlnEph { Prn: 46 0\r\n\tTkb: 36000 36900\r\n\tLte: 0.000000000e+000 -1.234567890e-005 0\r\n"
    "\tPos: 1.0000 2.0000 3.0000\r\n\tVel: 1e+000 2e+000 3e+000\r\n\tAcc: 0e+000 0e+000 0e+000\r\n"
    "\tFlg: 0 0\r\n\tAsh: 1 0.000000000000000e+000 1 5\r\n}\r\n";
const char* kClosing = "GpsIon { Utc: 16\r\n}\r\n";

// A GPS block in the converter's layout, with CR LF line ends.
std::string GpsBlock(int week, int toe, bool fifthToeValue = false) {
  char text[1024];
  std::snprintf(text, sizeof text,
                "GpsEph { Prn: 5\r\n\tEl1: %d 431990 -1.16415322e-008 23 %d\r\n"
                "\tEl2: 0.00000000e+000 1.13686838e-012 -1.70525350e-004\r\n"
                "\tEl3: 23 -5.43750000e+001 4.54911528e-009 -2.30052384561254e+000\r\n"
                "\tEl4: -2.91317701e-006 1.12361290864646e-002 9.21823084e-006 5.15370524978638e+003\r\n"
                "\tEl5: %d 1.47148967e-007 -2.68227561037235e+000 -3.72529030e-008%s\r\n"
                "\tEl6: 9.65178466945451e-001 1.79593750e+002 -1.51397557705637e+000 -7.94390236e-009 "
                "2.57153570e-010\r\n}\r\n",
                week, toe, toe, fifthToeValue ? " 7" : "");
  return text;
}

std::string WriteEpp(const std::string& text) {
  std::string path = jpstest::TempDir() + "/run.epp";
  jpstest::WriteFile(path, text);
  return path;
}

// "week/toe" from EppLatestGpsWeek, or "none".
std::string Latest(const std::string& path) {
  int32_t week = -1;
  double toe = -1;
  if (EppLatestGpsWeek(path.c_str(), &week, &toe) != 0) return "none";
  return std::to_string(week) + "/" + std::to_string(static_cast<long>(toe));
}

}  // namespace

// A recording converted by the whole converter: the reader finds the week
// and toe of the file's last GpsEph block.
TEST(EppReader, ReadsTheLastBlockOfAConvertedRecording) {
  std::string input = jpstest::DataFile("receiver-2014-08-29-1s.jps");
  if (input.empty()) GTEST_SKIP() << "recordings folder absent";
  jpstest::HostRun run = jpstest::RunHost(input, jpstest::TempDir() + "/rec.kel");
  size_t last = run.epp.rfind("GpsEph {");
  ASSERT_NE(last, std::string::npos);
  int week = -1, toe = -1;
  size_t el1 = run.epp.find("El1:", last);
  size_t el5 = run.epp.find("El5:", last);
  ASSERT_NE(el1, std::string::npos);
  ASSERT_NE(el5, std::string::npos);
  ASSERT_EQ(std::sscanf(run.epp.c_str() + el1, "El1: %d", &week), 1);
  ASSERT_EQ(std::sscanf(run.epp.c_str() + el5, "El5: %d", &toe), 1);
  EXPECT_EQ(week % 1024, 1807 % 1024);  // 2014-08-29 lies in GPS week 1807
  EXPECT_EQ(Latest(run.eppPath), std::to_string(week) + "/" + std::to_string(toe));
}

TEST(EppReader, LastGpsBlockInFileOrder) {
  // The last block is not the latest in time; GLONASS and GpsIon blocks are skipped.
  std::string path = WriteEpp(kHeader + GpsBlock(1807, 439200) + kGlonassBlock +
                              GpsBlock(1807, 432000) + kGlonassBlock + kClosing);
  EXPECT_EQ(Latest(path), "1807/432000");
  EppEphemerisList list;
  ASSERT_EQ(EppScanKeywordFile(path.c_str(), &list), 2);
  EppListTimes(2, &list);
  EXPECT_EQ(list.entries[0].time, 1807 * 604800 + 439200);
  EXPECT_EQ(list.entries[1].time, 1807 * 604800 + 432000);
}

TEST(EppReader, ZeroToeAndUnusableBlocks) {
  // Only when every toe is 0 is a block with toe 0 returned.
  EXPECT_EQ(Latest(WriteEpp(kHeader + GpsBlock(1807, 7200) + GpsBlock(1808, 0))), "1807/7200");
  EXPECT_EQ(Latest(WriteEpp(kHeader + GpsBlock(1807, 0) + GpsBlock(1808, 0))), "1808/0");
  EppEphemerisList list{};
  list.entries[0] = {1807, 0, 0};
  list.entries[1] = {300, 0, 0};
  EppListTimes(2, &list);
  EXPECT_EQ(list.entries[0].time, 1808 * 604800);        // toe 0 ends the week
  EXPECT_EQ(list.entries[1].time, (301 + 1024) * 604800);

  // An El5 line with five values leaves toe unknown and the block is dropped;
  // so is a week that cannot be one (negative, or past what an entry's
  // 32-bit time holds: 2^31 s after 1980 fall in week 3550) or a toe beyond
  // the week.
  EXPECT_EQ(Latest(WriteEpp(kHeader + GpsBlock(1807, 7200) + GpsBlock(1807, 9000, true))),
            "1807/7200");
  EXPECT_EQ(Latest(WriteEpp(kHeader + GpsBlock(1807, 9000, true))), "none");
  EXPECT_EQ(Latest(WriteEpp(kHeader + GpsBlock(1807, 7200) + GpsBlock(-1, 9000) +
                            GpsBlock(3550, 9000) + GpsBlock(1807, 604801))),
            "1807/7200");
  EXPECT_EQ(Latest(WriteEpp(std::string(kHeader) + kGlonassBlock + kClosing)), "none");
}

// Receivers that send the full week (2318 for 2024-06-12): the reader keeps
// it, up to the last week whose end an entry's time holds.
TEST(EppReader, FullWeeksAreWeeks) {
  EXPECT_EQ(Latest(WriteEpp(kHeader + GpsBlock(783, 7200) + GpsBlock(2318, 291600))),
            "2318/291600");
  EXPECT_EQ(Latest(WriteEpp("6 2318 0.1 2\n1\n2\n3\n291600\nlast\n")), "2318/291600");
  EppEphemerisList list;
  ASSERT_EQ(EppScanKeywordFile(WriteEpp(kHeader + GpsBlock(3549, 0)).c_str(), &list), 1);
  EppListTimes(1, &list);
  EXPECT_EQ(list.entries[0].time, 3550 * 604800);  // toe 0 ends the week
}

TEST(EppReader, StopsAtOneHundredTwentyEightEntries) {
  std::string text = kHeader;
  for (int i = 1; i <= 130; ++i) text += GpsBlock(1807, i * 100);
  EXPECT_EQ(Latest(WriteEpp(text)), "1807/12800");
}

TEST(EppReader, SixLineFormat) {
  std::string entry1 = "5 1807 0.1 2\n1 2 3\n4 5 6\n7 8 9\n432000 1.5\nlast line\n";
  std::string entry2 = "6 1808 0.1 2\r\n1 2 3\r\n4 5 6\r\n7 8 9\r\n7200\r\nlast line\r\n";
  std::string path = WriteEpp(entry1 + entry2 + "7 1809\n1\n2\n");  // the third is cut short
  EXPECT_EQ(Latest(path), "1808/7200");
  EppEphemerisList list;
  EXPECT_EQ(EppScanKeywordFile(path.c_str(), &list), -1);
  EXPECT_EQ(EppScanOldFile(path.c_str(), &list), 2);
  // A first line without two integers ends the scan.
  EXPECT_EQ(Latest(WriteEpp("hello\n1\n2\n3\n4\n5\n")), "none");
}

TEST(EppReader, PathsThatGiveNothing) {
  int32_t week = 0;
  double toe = 0;
  EXPECT_EQ(EppLatestGpsWeek("", &week, &toe), 1);
  EXPECT_EQ(EppLatestGpsWeek(nullptr, &week, &toe), 1);
  EXPECT_EQ(Latest(jpstest::TempDir() + "/missing.epp"), "none");
}
