// Lines of a station-mark file read back, in every form the converter writes.
#include "support/sta_lines.h"

#include <gtest/gtest.h>

#include <string>

using namespace jps;

TEST(ParseStaLine, EveryLineFormTheConverterWrites) {
  StaLine line;
  EXPECT_EQ(ParseStaLine("Mark File:", &line), StaLineKind::kTitle);
  EXPECT_EQ(ParseStaLine("", &line), StaLineKind::kBlank);

  ASSERT_EQ(ParseStaLine("STA: * 433234.57 * PT1 * 1.532 * Fence_corner * ROVER_ANT * ", &line),
            StaLineKind::kStation);
  EXPECT_DOUBLE_EQ(line.time, 433234.57);
  EXPECT_STREQ(line.name, "PT1");
  EXPECT_DOUBLE_EQ(line.antennaHeight, 1.532);
  EXPECT_STREQ(line.description, "Fence_corner");
  EXPECT_STREQ(line.antenna, "ROVER_ANT");

  // Empty fields print as nothing between their separators.
  ASSERT_EQ(ParseStaLine("STA: * 12.00 * 7 * 0.000 * corner %s post *  * ", &line),
            StaLineKind::kStation);
  EXPECT_STREQ(line.name, "7");
  EXPECT_STREQ(line.description, "corner %s post");
  EXPECT_STREQ(line.antenna, "");
  ASSERT_EQ(ParseStaLine("STA: * 0.50 * POLE7 * 2.000 *  * ENTITY * ", &line),
            StaLineKind::kStation);
  EXPECT_STREQ(line.description, "");
  EXPECT_STREQ(line.antenna, "ENTITY");

  ASSERT_EQ(ParseStaLine("433300.2 ENTERING KINEMATIC MODE", &line), StaLineKind::kModeChange);
  EXPECT_DOUBLE_EQ(line.time, 433300.2);
  EXPECT_EQ(line.kinematic, 1);
  ASSERT_EQ(ParseStaLine("433900.0 ENTERING STATIC MODE", &line), StaLineKind::kModeChange);
  EXPECT_EQ(line.kinematic, 0);

  ASSERT_EQ(ParseStaLine("SITE PT3 CANCELED", &line), StaLineKind::kSiteCanceled);
  EXPECT_STREQ(line.name, "PT3");

  ASSERT_EQ(ParseStaLine("CAMERA PULSE #12 AT: 433512.000137", &line), StaLineKind::kCameraPulse);
  EXPECT_EQ(line.pulse, 12);
  EXPECT_DOUBLE_EQ(line.time, 433512.000137);
}

TEST(ParseStaLine, DamagedOrForeignLinesAreOtherAndLeaveNothingBehind) {
  StaLine line;
  for (const char* text :
       {"STA: * 12.00 * PT1 * 1.5 * d * a", "STA: * x * PT1 * 1.5 * d * a * ",
        "STA: * 12.00 * PT1 * 1.5 * d * a * extra * ", "STA: * 12.00 * PT1 * ",
        "433300.2 ENTERING ORBIT MODE", "ENTERING STATIC MODE", "12 ENTERING STATIC",
        "CAMERA PULSE #x AT: 5", "CAMERA PULSE #3 AT: ", "CAMERA PULSE #3", "SITE CANCELED",
        "Mark File: again", "\tSTA: * 1.00 * A * 0 * * * "}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(ParseStaLine(text, &line), StaLineKind::kOther);
    EXPECT_EQ(line.time, 0.0);
    EXPECT_STREQ(line.name, "");
  }
  // A name of a full line is kept up to the buffer's size.
  std::string longName(300, 'n');
  ASSERT_EQ(ParseStaLine(("SITE " + longName + " CANCELED").c_str(), &line),
            StaLineKind::kSiteCanceled);
  EXPECT_EQ(std::string(line.name), longName.substr(0, kTextLineSize - 1));
}
