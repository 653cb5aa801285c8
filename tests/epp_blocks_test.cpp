// Every value of an EPP file's GpsEph and GlnEph blocks, and its leap seconds.
#include "support/epp_blocks.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/builder/test_host.h"

using namespace jps;

namespace {

// Blocks as the converter writes them: CR LF line ends, tabs before the keys.
const char* kGpsBlock =
    "GpsEph { Prn: 5\r\n"
    "\tEl1: 783 504030 -6.51925802e-009 112 511200\r\n"
    "\tEl2: 1.00000000e-020 -2.27373675e-013 -2.91969627e-007\r\n"
    "\tEl3: 113 -6.65000000e+001 5.19735943e-009 2.11437205580873e+000\r\n"
    "\tEl4: -3.56696546e-006 1.09907604055479e-002 7.64615834e-006 5.15198767662048e+003\r\n"
    "\tEl5: 511200 -4.84287739e-008 2.94136602726712e+000 -2.42143869e-007\r\n"
    "\tEl6: 9.39139824589027e-001 2.22343750e+002 1.06870894573157e+000 -8.26605895e-009 "
    "-2.90012070e-010\r\n"
    "}\r\n";
const char* kGlonassBlock =
    "GlnEph { Prn: 41 0\r\n"
    "\tTkb: 82800 83700\r\n"
    "\tLte: 1.818989404e-012 9.040348232e-005 3\r\n"
    "\tPos: 5244.9614 12354.1064 21726.6787\r\n"
    "\tVel: -1.29359150e+000 2.66849327e+000 -1.21022415e+000\r\n"
    "\tAcc: 0.00000000e+000 2.79396772e-009 -1.86264515e-009\r\n"
    "\tFlg: 141 0\r\n"
    "\tAsh: 972 -3.897584974765778e-007 -4 2\r\n"
    "}\r\n";
const char* kHeader = "$EPHREC Ver6.0 JPS2KEL GPS/Glonass\r\n";

std::string WriteEpp(const std::string& text) {
  std::string path = jpstest::TempDir() + "/blocks.epp";
  jpstest::WriteFile(path, text);
  return path;
}

}  // namespace

TEST(EppBlocks, EveryValueOfBothKindsInFileOrder) {
  std::string path = WriteEpp(std::string(kHeader) + kGlonassBlock + kGpsBlock + kGlonassBlock +
                              "GpsIon { Utc: 16\r\n}\r\n");
  EppBlocks epp;
  ASSERT_EQ(ReadEppBlocks(path.c_str(), &epp), kEppBlocksRead);
  ASSERT_EQ(epp.gps.size(), 1u);
  ASSERT_EQ(epp.glonass.size(), 2u);
  EXPECT_EQ(epp.badBlocks, 0);
  ASSERT_EQ(epp.order.size(), 3u);
  EXPECT_TRUE(epp.order[0].first);
  EXPECT_FALSE(epp.order[1].first);
  EXPECT_EQ(epp.order[2], std::make_pair(true, size_t{1}));
  EXPECT_TRUE(epp.hasLeapSeconds);
  EXPECT_EQ(epp.leapSeconds, 16);

  // The values reach the RINEX records, whose tests pin every field; here
  // the order within the lines that hold several.
  const EppGpsBlock& g = epp.gps[0];
  EXPECT_EQ(g.week, 783);
  EXPECT_EQ(g.messageTime, 504030);
  EXPECT_EQ(g.toc, 511200);
  EXPECT_EQ(g.af2, 1e-20);  // El2 runs af2, af1, af0
  EXPECT_EQ(g.af0, -2.91969627e-7);
  EXPECT_EQ(g.iDot, -2.9001207e-10);
  const EppGlonassBlock& r = epp.glonass[1];
  EXPECT_EQ(r.number, 41);
  EXPECT_EQ(r.gamma, 1.818989404e-12);
  EXPECT_EQ(r.minusTau, 9.040348232e-5);
  EXPECT_EQ(r.age, 3);
  EXPECT_EQ(r.dayNumber, 972);
  EXPECT_EQ(r.channel, -4);
  EXPECT_EQ(r.slot, 2);
}

TEST(EppBlocks, IncompleteBlocksAreCountedAndOtherFilesRefused) {
  std::string gps = kGpsBlock;
  std::string noEl4 = gps;
  noEl4.erase(noEl4.find("\tEl4:"), noEl4.find("\tEl5:") - noEl4.find("\tEl4:"));
  std::string shortEl5 = gps;
  shortEl5.replace(shortEl5.find(" -2.42143869e-007"), 17, "");
  std::string glonass = kGlonassBlock;
  std::string badNumber = glonass;
  badNumber.replace(badNumber.find("Tkb: 82800"), 10, "Tkb: x2800");
  EppBlocks epp;
  std::string path = WriteEpp(std::string(kHeader) + noEl4 + shortEl5 + badNumber + gps);
  ASSERT_EQ(ReadEppBlocks(path.c_str(), &epp), kEppBlocksRead);
  EXPECT_EQ(epp.badBlocks, 3);
  EXPECT_EQ(epp.gps.size(), 1u);
  EXPECT_TRUE(epp.glonass.empty());
  EXPECT_FALSE(epp.hasLeapSeconds);  // no GpsIon block

  EXPECT_EQ(ReadEppBlocks(WriteEpp(kGpsBlock).c_str(), &epp), kEppNotKeywordFile);
  EXPECT_EQ(ReadEppBlocks((jpstest::TempDir() + "/none.epp").c_str(), &epp), kEppCannotOpen);
}
