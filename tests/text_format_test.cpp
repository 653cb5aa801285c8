// Formatting of host texts and EPP/STA lines.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "plugin/paths.h"
#include "support/day_numbers.h"
#include "support/text_format.h"

using namespace jps;

TEST(FormatText, ExponentsHaveASignAndThreeDigits) {
  char out[128];
  FormatText(out, sizeof out, "%.8e", 1.5e-5);
  EXPECT_STREQ(out, "1.50000000e-005");
  FormatText(out, sizeof out, "%.14le|%.9le", -2.5e100, 0.0);
  EXPECT_STREQ(out, "-2.50000000000000e+100|0.000000000e+000");
  FormatText(out, sizeof out, "%ld %d %.2lf %s%%", 7L, -3, 1.005, "x%sy");
  EXPECT_STREQ(out, "7 -3 1.00 x%sy%");
}

TEST(FormatText, NanPrintsWithoutSignInfinityWithIt) {
  // Bit patterns as a receiver may send them: negative quiet NaNs included.
  auto bits = [](uint64_t b) {
    double d;
    std::memcpy(&d, &b, sizeof d);
    return d;
  };
  char out[128];
  FormatText(out, sizeof out, "%.8e|%.14le|%.4lf|%E|%12.2e|", bits(0xFFF8000000000000),
             bits(0xFFF8000000000001), bits(0x7FF8000000000000), bits(0xFFF0000000000001),
             bits(0xFFF8000000000000));
  EXPECT_STREQ(out, "nan|nan|nan|NAN|         nan|");
  FormatText(out, sizeof out, "%.8e %.1lf", bits(0xFFF0000000000000), bits(0x7FF0000000000000));
  EXPECT_STREQ(out, "-inf inf");
}

TEST(FormatText, LongTextsAreCutNeverOverflowed) {
  char out[8];
  std::string big(100, 'a');
  EXPECT_EQ(FormatText(out, sizeof out, "%s and more", big.c_str()), 7u);
  EXPECT_STREQ(out, "aaaaaaa");
}

TEST(ReplaceExtension, BackslashAndSlashPaths) {
  char path[64];
  auto run = [&](const char* in, const char* ext) {
    std::snprintf(path, sizeof path, "%s", in);
    ReplaceExtension(path, sizeof path, ext);
    return std::string(path);
  };
  EXPECT_EQ(run("D:\\data\\site.jps", ".epp"), "D:\\data\\site.epp");
  EXPECT_EQ(run("D:\\data.old\\site", ".epp"), "D:\\data.old\\site.epp");
  EXPECT_EQ(run("site.", ".epp"), "site.epp");
  EXPECT_EQ(run("  lead.kel", ".STA"), "lead.STA");
  EXPECT_EQ(run("./out/run", ".epp"), "./out/run.epp");
  EXPECT_EQ(run("a.b/c.kel", ""), "a.b/c");
  char tiny[6] = "ab.cd";
  ReplaceExtension(tiny, sizeof tiny, ".epp");
  EXPECT_STREQ(tiny, "ab.ep");
}

TEST(DayNumbers, ModifiedJulianDaysAndWeekdays) {
  EXPECT_EQ(DateToMjd(1980, 1, 6), 44244);
  EXPECT_EQ(DateToDayOfWeek(1980, 1, 6), 0);
  EXPECT_EQ(DateToMjd(2004, 6, 10), 53166);
  EXPECT_EQ(DateToDayOfWeek(2004, 6, 10), 4);
  EXPECT_EQ(DateToMjd(2004, 2, 29), 53064);
  EXPECT_EQ(DateToMjd(2004, 3, 1), 53065);
  EXPECT_EQ(DateToDayOfWeek(2014, 8, 29), 5);   // a Friday
  EXPECT_EQ(FloatRemainder(14.0, 7.0), 0);
}
