// Station lines numbered by the converter.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "greis/decoder_state.h"
#include "greis/station_line.h"
#include "greis/station_output.h"
#include "support/text_stream.h"
#include "tests/builder/test_decoder.h"
#include "tests/builder/test_host.h"

using namespace jps;

namespace {

// Writes the lines as the STA file does, and counts them.
struct StaFileOutput : StationLineOutput {
  TextStream* stream = nullptr;
  int lines = 0;
  void OnStationLine(const StaLine& line) override {
    ++lines;
    WriteStaLine(*stream, line);
  }
};

}  // namespace

TEST(EmitNumberedStationLine, NumberedLinesAreStationLines) {
  std::string path = jpstest::TempDir() + "/run.STA";
  TextStream sta;
  ASSERT_TRUE(sta.Open(path.c_str()));
  StaFileOutput output;
  output.stream = &sta;
  jpstest::TestDecoder decoder;
  DecoderState* state = &decoder.state;
  state->StationOutput = &output;
  state->DayOfWeek = 5;

  NumberedStationEvent event{};
  event.msOfDay = 1234567;  // 20:34.567 into Friday
  std::strcpy(event.text, "corner %s post");
  EXPECT_EQ(EmitNumberedStationLine(*state, event), 0);
  event.msOfDay = 1235000;
  std::memset(event.text, 'z', sizeof event.text);  // not terminated: 31 characters are used
  EXPECT_EQ(EmitNumberedStationLine(*state, event), 0);
  ASSERT_TRUE(sta.Close());

  EXPECT_EQ(jpstest::ReadFile(path),
            "STA: * 433234.57 * 1 * 0.000 * corner %s post *  * \r\n"
            "STA: * 433235.00 * 2 * 0.000 * " + std::string(31, 'z') + " *  * \r\n");
  EXPECT_EQ(output.lines, 2);

  // Without a station output nothing is made.
  state->StationOutput = nullptr;
  EXPECT_EQ(EmitNumberedStationLine(*state, event), 0);
  EXPECT_EQ(output.lines, 2);
}
