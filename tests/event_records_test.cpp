// Typed field events [==], event-input marks [XA]/[XB] and the STA file they
// produce, end to end: a JPS stream in, the STA text (CR LF) and the host's
// messages out.
#include <gtest/gtest.h>

#include <initializer_list>
#include <limits>
#include <string>
#include <vector>

#include "plugin/conversion_api.h"
#include "context/conversion_switches.h"
#include "tools/builder/message_builder.h"
#include "tests/builder/test_host.h"

using namespace jpsbuild;
using jpstest::ConvertBytes;
using jpstest::HostRun;
using jpstest::HostSetup;

namespace {

constexpr uint32_t kFirstEpochMs = 36000000;   // 10:00:00 receiver time
// 2014-08-29 is a Friday: times of week are time of day + 5 x 86400 s.
// Events of epoch i are typed at 10:00:0i.5, time of week 468000.5 + i.
uint32_t EventMs(int epoch) { return kFirstEpochMs + static_cast<uint32_t>(epoch) * 1000 + 500; }

using Epoch = std::vector<Bytes>;

// [RD], then per entry one epoch ([~~] [SI] [RC] [PC] and the entry's
// messages). The last epoch is closed by [||] with a [~~] after it, so that
// the input does not end on the message that completes it.
Bytes Stream(const std::vector<Epoch>& epochs) {
  Bytes out = ReceiverDate(2014, 8, 29);
  for (size_t i = 0; i < epochs.size(); ++i) {
    Append(out, ReceiverTime(kFirstEpochMs + static_cast<uint32_t>(i) * 1000));
    Append(out, SatIndices({5}));
    Append(out, CaRanges({0.07}));
    Append(out, CaPhases({1.0e6}));
    for (const Bytes& m : epochs[i]) Append(out, m);
  }
  Append(out, EpochEnd());
  Append(out, ReceiverTime(kFirstEpochMs + static_cast<uint32_t>(epochs.size()) * 1000));
  return out;
}

// The typed texts of epoch i, in order.
Epoch Typed(int epoch, std::initializer_list<std::string> texts) {
  Epoch out;
  for (const std::string& t : texts) out.push_back(EventRecord(EventMs(epoch), t));
  return out;
}

// Expected STA text: the header line, then the given lines, each ended by CR LF.
std::string Sta(std::initializer_list<std::string> lines) {
  std::string out = "Mark File:\r\n";
  for (const std::string& l : lines) out += l + "\r\n";
  return out;
}

HostSetup Options(bool siteAwaitsSave, bool startDynamic = false, bool verbose = false) {
  HostSetup setup;
  setup.options = [=](jps::ConversionOptions& o) {
    o.SiteAwaitsSave = siteAwaitsSave ? 1 : 0;
    o.StartDynamic = startDynamic ? 1 : 0;
    o.Verbose = verbose ? 1 : 0;
  };
  return setup;
}

// Time tag of the first host message with this text; NaN when there is none.
double TimeOf(const HostRun& run, const std::string& text) {
  for (const auto& m : run.messages) {
    if (m.text == text) return m.time;
  }
  return std::numeric_limits<double>::quiet_NaN();
}

constexpr const char* kUnsavedSite = "SITE (PT1) found without SAVE.  Saving feature anyway";

}  // namespace

TEST(StationLines, AntennaTextHeightAndSlant) {
  HostRun run = ConvertBytes(
      Stream({Typed(0, {"_ANT=ROVER ANT", "_ANH=1.5S", "_sit=Pt1"}),
              Typed(1, {"_ANH=1.532s", "_SIT=P2"}),
              Typed(2, {"_ANH=1.6", "_SIT=P3"}),
              // Only the last height of an epoch counts, and so does its slant mark.
              Typed(3, {"_ANH=1.532s", "_ANH=1.7", "_SIT=P4"})}),
      Options(false));
  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(run.sta, Sta({"STA: * 468000.50 * Pt1 * 1.500 *  * ROVER_ANT * ",
                          "STA: * 468001.50 * P2 * 1.532 *  * SlantMeas * ",
                          "STA: * 468002.50 * P3 * 1.600 *  *  * ",
                          "STA: * 468003.50 * P4 * 1.700 *  *  * "}));
  EXPECT_EQ(run.request.StationMarksWritten, 4);
  EXPECT_EQ(run.request.EventMarksWritten, 0);
  EXPECT_EQ(run.request.EpochsWritten, 4);
}

TEST(StationLines, HeightIsTheLeadingDecimalNumber) {
  HostRun run = ConvertBytes(Stream({Typed(0, {"_ANH=2.25m", "_SIT=A"}),
                                     Typed(1, {"_ANH=abc", "_SIT=B"}),
                                     Typed(2, {"_ANH=-0.5e1x", "_SIT=C"}),
                                     Typed(3, {"_ANH=1e999", "_SIT=D"})}),
                             Options(false));
  EXPECT_EQ(run.sta, Sta({"STA: * 468000.50 * A * 2.250 *  *  * ",
                          "STA: * 468001.50 * B * 0.000 *  *  * ",
                          "STA: * 468002.50 * C * -5.000 *  *  * ",
                          "STA: * 468003.50 * D * 0.000 *  *  * "}));
}

TEST(EventTexts, MalformedTextsAreReportedAndTheEpochStays) {
  HostRun run = ConvertBytes(
      // Bodies below 12 bytes are ignored, so "_SIT=" alone would not get this far.
      Stream({Typed(0, {"_SIT=A=B", "_SIT PT1", "_SIT=\t", "=PT1xx", "_XYZ=1", "_DYM=MOVING"})}),
      Options(false));
  const double t = 468000.5;
  EXPECT_DOUBLE_EQ(TimeOf(run, "Too many '=' in event record (==)"), t);
  EXPECT_DOUBLE_EQ(TimeOf(run, "Missing '=' in event record (==)"), t);
  EXPECT_EQ(run.CountMessages("Failure to properly decode event record (==)"), 2);
  EXPECT_DOUBLE_EQ(TimeOf(run, "Unknown Event message '_XYZ'"), t);
  EXPECT_DOUBLE_EQ(TimeOf(run, "Invalid Dynamics flag 'MOVING'"), t);
  EXPECT_EQ(run.sta, Sta({}));
  EXPECT_EQ(run.request.EpochsWritten, 1);   // the messages all counted as good
}

TEST(EventTexts, ShortBodiesAndLateTimesAreIgnoredSilently) {
  Epoch epoch = {
      EventRecord(EventMs(0), "_SI=A"),                  // L = 11
      EventRecord(86400001, "_SIT=LATE"),                // after the end of the day
      Message("==", Body().U2(7)),                       // no whole time of day
  };
  HostRun run = ConvertBytes(Stream({epoch}), Options(false));
  EXPECT_TRUE(run.messages.empty()) << run.messages.front().text;
  EXPECT_EQ(run.sta, Sta({}));
  EXPECT_EQ(run.request.EpochsWritten, 1);
}

TEST(EventTexts, BadChecksumDiscardsTheEpoch) {
  Bytes event = EventRecord(EventMs(0), "_SIT=PT1");
  HostRun run = ConvertBytes(Stream({{Damaged(event, event.size() - 1)}}), Options(false));
  EXPECT_TRUE(run.HasMessage("Checksum on 29"));
  EXPECT_EQ(run.sta, Sta({}));
  EXPECT_EQ(run.request.EpochsWritten, 0);
}

TEST(EventTexts, SeventyCharacterTextsAreCutTo64AndValuesTo31) {
  // 70 characters: the slant mark is the 70th and falls off with the cut.
  std::string height = "_ANH=1.25" + std::string(60, '0') + "s";
  std::string longName = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789!?@";
  std::string site = "_SIT=" + longName;
  ASSERT_EQ(height.size(), 70u);
  ASSERT_EQ(site.size(), 70u);
  // A text far longer than that, up to the message limit.
  std::string description = "_DSC=" + std::string(240, 'D');
  HostRun run = ConvertBytes(Stream({Typed(0, {height, description, site})}), Options(true));
  EXPECT_EQ(run.CountMessages("Event string is too long--station information may be cut"), 3);
  EXPECT_DOUBLE_EQ(TimeOf(run, "Event string is too long--station information may be cut"), 468000.5);
  EXPECT_TRUE(run.HasMessage("SITE (ABCDEFGHIJKLMNOPQRSTUVWXYZabcde) found without SAVE.  "
                             "Saving feature anyway"));
  EXPECT_EQ(run.sta, Sta({"STA: * 468000.50 * ABCDEFGHIJKLMNOPQRSTUVWXYZabcde * 1.250 * " +
                          std::string(31, 'D') + " *  * "}));
}

TEST(EventTexts, PercentSignsArePrintedAsTyped) {
  HostRun run = ConvertBytes(
      Stream({Typed(0, {"_ANT=%s%n", "_DSC=50%", "_SIT=A%d%s%n", "_%s=%n"})}),
      Options(false, false, true));
  EXPECT_TRUE(run.HasMessage("EVENT(_SIT) = 'A%d%s%n'"));
  EXPECT_TRUE(run.HasMessage("Unknown Event message '_%s'"));
  EXPECT_EQ(run.sta, Sta({"STA: * 468000.50 * A%d%s%n * 0.000 *  * %s%n * "}));
}

TEST(Dynamics, ModeLinesAndTheSwitch) {
  // A mistyped flag is no mode change: the survey stays kinematic.
  HostRun run = ConvertBytes(Stream({Typed(0, {"_DYM=MOVING"}),
                                     Typed(1, {"_DSC=Fence"}),
                                     Typed(2, {"_DYM=static"}),
                                     Typed(3, {"_DYM=dynamic"})}),
                             Options(false, true));
  EXPECT_EQ(run.sta, Sta({"468002.5 ENTERING STATIC MODE", "468003.5 ENTERING KINEMATIC MODE"}));
  EXPECT_DOUBLE_EQ(TimeOf(run, "Entering STATIC mode"), 468002.5);
  EXPECT_DOUBLE_EQ(TimeOf(run, "Entering KINEMATIC mode"), 468003.5);
  EXPECT_EQ(run.CountMessages("Entering STATIC mode"), 1);
  EXPECT_TRUE(jps::PluginContextForTesting().switches.dynamicMode);
}

TEST(SiteAwaitsSave, SaveWritesTheSiteWithItsOwnTime) {
  HostRun run = ConvertBytes(Stream({Typed(0, {"_ANH=1.8", "_SIT=PT1", "_DSC=Fence"}),
                                     Typed(1, {"_SAV=PT2"}),
                                     Typed(2, {"_SAV=pt1"})}),
                             Options(true));
  EXPECT_EQ(run.sta, Sta({"STA: * 468000.50 * PT1 * 1.800 * Fence *  * "}));
  EXPECT_EQ(run.request.StationMarksWritten, 1);
  EXPECT_FALSE(run.HasMessage(kUnsavedSite));
}

TEST(SiteAwaitsSave, CancelDropsTheSite) {
  HostRun run = ConvertBytes(Stream({Typed(0, {"_SIT=PT1"}), Typed(1, {"_CAN=PT1"})}),
                             Options(true));
  EXPECT_EQ(run.sta, Sta({"SITE PT1 CANCELED"}));
  EXPECT_EQ(run.request.StationMarksWritten, 0);
  EXPECT_FALSE(run.HasMessage(kUnsavedSite));
}

TEST(SiteAwaitsSave, SwitchToDynamicWritesTheSite) {
  HostRun run = ConvertBytes(Stream({Typed(0, {"_SIT=PT1"}), Typed(1, {"_DYM=DYNAMIC"})}),
                             Options(true));
  EXPECT_EQ(run.sta, Sta({"468001.5 ENTERING KINEMATIC MODE",
                          "STA: * 468000.50 * PT1 * 0.000 *  *  * "}));
  EXPECT_EQ(run.request.StationMarksWritten, 1);
}

TEST(SiteAwaitsSave, UnsavedSiteIsWrittenAtTheEnd) {
  HostRun run = ConvertBytes(Stream({Typed(0, {"_ANT=GEOD", "_SIT=PT1"})}), Options(true));
  EXPECT_EQ(run.CountMessages(kUnsavedSite), 1);
  EXPECT_EQ(run.sta, Sta({"STA: * 468000.50 * PT1 * 0.000 *  * GEOD * "}));
  EXPECT_EQ(run.request.StationMarksWritten, 1);
}

TEST(SiteAwaitsSaveOff, EverySiteIsWrittenAtOnce) {
  HostRun run = ConvertBytes(Stream({Typed(0, {"_SIT=PT1", "_DSC=Fence"}),
                                     Typed(1, {"_CAN=PT1", "_SAV=PT1"}),
                                     Typed(2, {"_SIT=PT2"})}),
                             Options(false));
  // The description typed with PT1 comes after its line and belongs to PT2.
  EXPECT_EQ(run.sta, Sta({"STA: * 468000.50 * PT1 * 0.000 *  *  * ",
                          "STA: * 468002.50 * PT2 * 0.000 * Fence *  * "}));
  EXPECT_EQ(run.request.StationMarksWritten, 2);
  EXPECT_FALSE(run.HasMessage(kUnsavedSite));
}

TEST(Entities, WrittenAtOnceWithTheCurrentHeightAndDescription) {
  HostRun run = ConvertBytes(Stream({Typed(0, {"_SIT=PT1", "_ANH=1.8", "_DSC=Tree", "_ENT=POLE7"}),
                                     Typed(1, {"_ENT=POLE8"})}),
                             Options(true));
  EXPECT_EQ(run.sta, Sta({"STA: * 468000.50 * POLE7 * 1.800 * Tree * ENTITY * ",
                          "STA: * 468001.50 * POLE8 * 1.800 *  * ENTITY * ",
                          "STA: * 468000.50 * PT1 * 1.800 *  *  * "}));
  EXPECT_EQ(run.request.StationMarksWritten, 3);
  EXPECT_TRUE(run.HasMessage(kUnsavedSite));
}

TEST(CameraPulses, EachListNumbersItsOwnPulses) {
  HostRun run = ConvertBytes(
      Stream({{EventMark("XA", 36000250, 125000000), EventMark("XB", 36000300, 5),
               EventMark("XA", 36000750, 0), EventRecord(EventMs(0), "_SIT=PT1")},
              {EventMark("XA", 36001001, -1000)}}),
      Options(false));
  EXPECT_EQ(run.sta, Sta({"", "CAMERA PULSE #1 AT: 468000.375000",
                          "", "CAMERA PULSE #2 AT: 468000.750000",
                          "", "CAMERA PULSE #1 AT: 468000.300000",
                          "STA: * 468000.50 * PT1 * 0.000 *  *  * ",
                          "", "CAMERA PULSE #3 AT: 468001.000999"}));
  EXPECT_EQ(run.request.EventMarksWritten, 4);
  EXPECT_EQ(run.request.StationMarksWritten, 1);
}

TEST(CameraPulses, AThousandMarksPerListAndEpoch) {
  Epoch epoch;
  for (int i = 0; i < 1001; ++i) epoch.push_back(EventMark("XB", 36000000 + i, 0));
  HostRun run = ConvertBytes(Stream({epoch}), Options(false));
  EXPECT_EQ(run.CountMessages("Too many events per epoch, only 1000 allowed"), 1);
  EXPECT_EQ(run.request.EventMarksWritten, 1000);
  EXPECT_NE(run.sta.find("CAMERA PULSE #1000 AT: 468000.999000\r\n"), std::string::npos);
  EXPECT_EQ(run.sta.find("#1001"), std::string::npos);
}

TEST(CameraPulses, AMarkOfTheWrongLengthIsRefused) {
  // Eight bytes and the checksum: the time scale byte is missing.
  Bytes shortMark = Message("XA", Body().U4(36000250).I4(0));
  Bytes badMark = EventMark("XA", 36000250, 0);
  HostRun run = ConvertBytes(Stream({{shortMark}, {Damaged(badMark, 7)}}), Options(false));
  EXPECT_EQ(run.CountMessages("Checksum on 66"), 2);
  EXPECT_EQ(run.sta, Sta({}));
  EXPECT_EQ(run.request.EventMarksWritten, 0);
  EXPECT_EQ(run.request.EpochsWritten, 0);
}
