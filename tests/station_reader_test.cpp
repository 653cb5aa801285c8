// Station lines of a STA file read back.
#include "support/station_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/builder/test_host.h"

using namespace jps;

TEST(StationReader, FieldsOfStationLinesAndNothingElse) {
  std::string path = jpstest::TempDir() + "/marks.STA";
  jpstest::WriteFile(path,
                     "Mark File:\r\n"
                     "STA: * 291617.75 * PT1 * 1.532 * Fence_corner * ROVER_ANT * \r\n"
                     "291671.8 ENTERING KINEMATIC MODE\r\n"
                     "\r\nCAMERA PULSE #1 AT: 291680.750137\r\n"
                     "SITE PT9 CANCELED\r\n"
                     "STA: * 291724.75 * PT2 * 1.745 *  * SlantMeas * \r\n"
                     "STA: * 291730.00 * 1 * 0.000 * two words *  * \r\n"
                     "STA: * soon * PT3 * 1.000 *  *  * \r\n");
  std::vector<StationRecord> lines;
  ASSERT_TRUE(ReadStationLines(path.c_str(), &lines));
  ASSERT_EQ(lines.size(), 3u);  // the line whose time is not a number is not one
  EXPECT_EQ(lines[0].time, 291617.75);
  EXPECT_EQ(lines[0].name, "PT1");
  EXPECT_EQ(lines[0].antennaHeight, 1.532);
  EXPECT_EQ(lines[0].description, "Fence_corner");
  EXPECT_EQ(lines[0].antenna, "ROVER_ANT");
  EXPECT_EQ(lines[1].description, "");
  EXPECT_EQ(lines[1].antenna, kStaSlantAntennaText);
  EXPECT_EQ(lines[2].name, "1");
  EXPECT_EQ(lines[2].description, "two words");
  EXPECT_EQ(lines[2].antenna, "");

  EXPECT_FALSE(ReadStationLines((jpstest::TempDir() + "/none.STA").c_str(), &lines));
}
