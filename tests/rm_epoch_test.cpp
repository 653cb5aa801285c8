// rM epochs: from the decoded record to KEL records, and whole files of rM
// records through the entry points.
#include "epoch/rm_epoch.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "plugin/jav_dll.h"
#include "support/little_endian.h"
#include "tools/builder/message_builder.h"
#include "plugin/conversion_api.h"
#include "tests/builder/test_decoder.h"
#include "tests/builder/test_host.h"

using namespace jps;
using namespace jpsbuild;

namespace {

constexpr double kL1 = 0.190293672798;

// The KEL records are packed: their doubles are read by value, never bound to
// a reference.
double Copy(double v) { return v; }

class BuildRmEpochTest : public ::testing::Test {
 protected:
  void SetUp() override {
    s_->RmEpochTime = 1000.0;
    s_->RmClockOffset = -1e-6;
  }

  // A satellite in slot i with a C/A range, phase and receiver Doppler.
  void Slot(int i, int sv, double range, int16_t flags = 0x50, uint16_t lock = 1234) {
    s_->SatIndices[i] = static_cast<uint8_t>(sv);
    s_->CaRange.values[i] = range;
    s_->CaPhase.values[i] = range / kL1;
    s_->P2Range.values[i] = range + 3.0;
    s_->P2Phase.values[i] = 0.0;
    s_->CaLoopFlags[i] = flags;
    s_->LockTimes[i] = lock;
    s_->CaDoppler[i] = -1000;
    if (s_->SatCount < i + 1) s_->SatCount = i + 1;
  }
  int Build() { return BuildRmEpoch(s_, &epoch_, m_); }

  jpstest::TestDecoder decoder_;
  DecoderState* s_ = &decoder_.state;
  // Messages sent to the host while BuildRmEpoch runs.
  std::vector<jpstest::HostMessage>& Sent = decoder_.messages;
  KelEpoch epoch_{};
  KelMeasurement m_[kMaxChannels]{};
};

TEST_F(BuildRmEpochTest, SatelliteCountUpTo23) {
  for (int i = 0; i < 23; ++i) Slot(i, i + 1, 2.0e7 + i);
  ASSERT_EQ(Build(), 0);
  EXPECT_EQ(epoch_.measurementCount, 23);
  EXPECT_EQ(m_[22].satellite, 23);

  for (int n : {24, 0}) {
    s_->SatCount = n;
    Sent.clear();
    EXPECT_EQ(Build(), -1);
    ASSERT_EQ(Sent.size(), 1u);   // the one report of the refusal
    EXPECT_EQ(Sent[0].text, "ERROR: Num sats " + std::to_string(n) + " not possible");
    EXPECT_EQ(Sent[0].time, -1.0);
    EXPECT_EQ(s_->SatCount, 0);
  }
}

TEST_F(BuildRmEpochTest, EpochRecordAndMeasurementFields) {
  Slot(0, 5, 22000000.0);
  ASSERT_EQ(Build(), 0);
  EXPECT_EQ(Copy(epoch_.receiverTime), 1000.0);
  EXPECT_EQ(Copy(epoch_.correctedTime), 1000.000001);
  EXPECT_EQ(Copy(epoch_.clockOffset), -299.792458);
  EXPECT_EQ(Copy(epoch_.clockDrift), 0.0);
  EXPECT_EQ(epoch_.epochFlags, 0);
  EXPECT_EQ(Copy(epoch_.latitude), 0.0);
  ASSERT_EQ(epoch_.measurementCount, 1);
  EXPECT_EQ(m_[0].satellite, 5);
  EXPECT_EQ(Copy(m_[0].l1Code), 22000000.0);
  EXPECT_EQ(Copy(m_[0].l1Phase), -22000000.0 / kL1);
  EXPECT_EQ(Copy(m_[0].doppler), 1.0);  // -(-1000 x 0.001)
  EXPECT_EQ(Copy(m_[0].l2Code), 22000003.0);
  EXPECT_EQ(DoubleBits(m_[0].l2Phase), 0u);  // missing: +0.0
  EXPECT_EQ(m_[0].lockCount, 1);             // first sight
}

TEST(RmLockCount, FirstSightFallingLockAndCap) {
  SatHistory h{};
  KelMeasurement r{};
  RmLockCount(r, 100.0, 1234, h);
  EXPECT_EQ(r.lockCount, 1);
  EXPECT_EQ(h.lastLock, 1);
  EXPECT_EQ(h.lastLockTime, 100.0);
  RmLockCount(r, 101.0, 1234, h);
  EXPECT_EQ(r.lockCount, 123);
  EXPECT_EQ(h.lastLock, 123);
  RmLockCount(r, 102.0, 3000, h);
  EXPECT_EQ(r.lockCount, 255);
  EXPECT_EQ(h.lastLock, 300);
  RmLockCount(r, 103.0, 2999, h);  // went down: tracking restarted
  EXPECT_EQ(r.lockCount, 1);
  EXPECT_EQ(h.lastLock, 1);
  EXPECT_EQ(h.lastLockTime, 103.0);
  RmLockCount(r, 104.0, 15, h);
  EXPECT_EQ(r.lockCount, 1);
}

TEST_F(BuildRmEpochTest, LoopFlags) {
  Slot(0, 7, 2.0e7, 0x40);        // code and phase not good: no message
  Slot(1, 8, 2.1e7, 0x70, 3000);  // phase invalid
  Slot(2, 9, 2.2e7, 0x10, 3000);  // status not set
  decoder_.continuity.History[7].lastLockTime = 999.0;
  decoder_.continuity.History[8].lastLockTime = 999.0;
  decoder_.continuity.History[9].lastLockTime = 999.0;
  ASSERT_EQ(Build(), 0);
  ASSERT_EQ(epoch_.measurementCount, 3);
  EXPECT_EQ(Copy(m_[0].l1Code), 0.0);
  EXPECT_EQ(s_->CaRange.values[0], 0.0);
  EXPECT_EQ(m_[0].lockCount, 1);
  EXPECT_EQ(Copy(m_[1].l1Code), 2.1e7);
  EXPECT_EQ(m_[1].lockCount, 1);
  EXPECT_EQ(m_[2].lockCount, 255);
  ASSERT_EQ(Sent.size(), 2u);
  EXPECT_EQ(Sent[0].text, "Phase invalid on PRN: 8");
  EXPECT_EQ(Sent[0].time, 1000.0);
  EXPECT_EQ(Sent[1].text, "Status not set on PRN: 9");
}

TEST_F(BuildRmEpochTest, SkippedAndDroppedSatellites) {
  Slot(0, 0, 2.0e7);   // no satellite
  Slot(1, 50, 2.0e7);  // GLONASS channel +5: its carriers follow from the channel
  Slot(2, 71, 2.1e7);  // a Galileo satellite: no place in a KEL epoch
  Slot(3, 3, 2.2e7);
  Slot(4, 80, 2.3e7);  // beyond the satellite numbers
  ASSERT_EQ(Build(), 0);
  ASSERT_EQ(epoch_.measurementCount, 2);
  EXPECT_EQ(m_[0].satellite, 50);
  EXPECT_EQ(m_[1].satellite, 3);
  EXPECT_EQ(m_[2].satellite, 0);  // nothing left behind by the skipped slots

  // Deriving Doppler does not keep the Galileo one either.
  s_->DopplerAbsent = 3;
  decoder_.continuity.History[71] = SatHistory{999.0, 2.1e7, 0, 0.0};
  ASSERT_EQ(Build(), 0);
  for (int k = 0; k < epoch_.measurementCount; ++k) EXPECT_NE(m_[k].satellite, 71);

  decoder_.switches.gpsOnly = true;
  ASSERT_EQ(Build(), 0);
  ASSERT_EQ(epoch_.measurementCount, 1);
  EXPECT_EQ(m_[0].satellite, 3);
  decoder_.switches.gpsOnly = false;
}

TEST_F(BuildRmEpochTest, DerivedDoppler) {
  s_->DopplerAbsent = 3;
  Slot(0, 5, 22000000.0);
  ASSERT_EQ(Build(), 0);
  EXPECT_EQ(epoch_.measurementCount, 0);  // first code of the satellite

  s_->RmEpochTime = 1001.0;
  s_->CaRange.values[0] = 22000000.0 - 190.293672798;
  ASSERT_EQ(Build(), 0);
  ASSERT_EQ(epoch_.measurementCount, 1);
  EXPECT_NEAR(Copy(m_[0].doppler), 1000.0, 1e-6);

  // A repeated record: no time step, no Doppler (and never NaN or infinity).
  for (double range : {22000000.0 - 190.293672798, 22000000.0}) {
    s_->CaRange.values[0] = range;
    ASSERT_EQ(Build(), 0);
    ASSERT_EQ(epoch_.measurementCount, 1);
    EXPECT_EQ(DoubleBits(m_[0].doppler), 0u);
  }

  // A record without the satellite's code keeps it with Doppler 0 and does
  // not spoil the next derivation.
  s_->RmEpochTime = 1002.0;
  s_->CaRange.values[0] = 0.0;
  ASSERT_EQ(Build(), 0);
  ASSERT_EQ(epoch_.measurementCount, 1);
  EXPECT_EQ(DoubleBits(m_[0].doppler), 0u);
  s_->RmEpochTime = 1003.0;
  s_->CaRange.values[0] = 22000000.0 - 190.293672798;
  ASSERT_EQ(Build(), 0);
  ASSERT_EQ(epoch_.measurementCount, 1);
  EXPECT_NEAR(Copy(m_[0].doppler), 500.0, 1e-6);  // from the code at 1001 s
}

// ---- Whole files -------------------------------------------------------

// Three records a second apart, clock count -8 (-1 us): PRN 5 with L1 and L2,
// an index 80 entry (no satellite), PRN 12 with L1 only and its phase flagged
// invalid in the second record.
Bytes ThreeRecords() {
  Bytes input;
  for (uint32_t k = 0; k < 3; ++k) {
    std::vector<RmEntry> entries = {
        MakeRmEntry(5, 1100000000 + 50 * k,
                    {MakeRmBlock(0, 4000, 45, 0x50, 1234 + 10 * k, -128000),
                     MakeRmBlock(2, -2000, 40, 0, 0, 0, 150)}),
        MakeRmEntry(80, 1000000000, {MakeRmBlock(0, 0, 20)}),
        MakeRmEntry(12, 1200000000 - 100 * k,
                    {MakeRmBlock(0, 1000, 30, k == 1 ? 0x70 : 0x50, 3000, 32000)})};
    Append(input, RmRecord(RmBody(1000000 + 1000 * k, 0xFFE1, 0, entries)));
  }
  return input;
}

std::string EpochBytes(int count, double receiverTime, double correctedTime, double clockOffset) {
  uint8_t b[68] = {};
  StoreU16(b + 0, 68);
  b[2] = static_cast<uint8_t>(count);
  StoreF64(b + 28, receiverTime);
  StoreF64(b + 36, correctedTime);
  StoreF64(b + 44, clockOffset);
  return std::string(reinterpret_cast<const char*>(b), sizeof b);
}

std::string MeasurementBytes(int sv, int lock, double l1Code, double l1Phase, double doppler,
                             double l2Code, double l2Phase) {
  uint8_t b[44] = {};
  StoreU16(b + 0, 44);
  b[2] = static_cast<uint8_t>(sv);
  b[3] = static_cast<uint8_t>(lock);
  StoreF64(b + 4, l1Code);
  StoreF64(b + 12, l1Phase);
  StoreF64(b + 20, doppler);
  StoreF64(b + 28, l2Code);
  StoreF64(b + 36, l2Phase);
  return std::string(reinterpret_cast<const char*>(b), sizeof b);
}

TEST(RmFile, ConvertsToKnownKelBytes) {
  ResetProcessStateForTesting();  // satellites seen for the first time
  jpstest::HostRun run = jpstest::ConvertBytes(ThreeRecords());
  ASSERT_EQ(run.result, 0);
  EXPECT_EQ(run.request.EpochsWritten, 3);

  // Values worked out by hand: code = count x 0.02 m; phase = -(p x 0.0005 m
  // + code) / wavelength; L2 code = 150 x 0.02 m + code; Doppler = -(d / 128)
  // x 0.001 Hz; corrected time = time + 1 us; clock offset = -1 us x c.
  std::string expected;
  expected += EpochBytes(2, 1000.0, 1000.000001, -299.792458);
  expected +=
      MeasurementBytes(5, 1, 22000000.0, -115610790.81884861, 1.0, 22000003.0, -90086318.2235225);
  expected += MeasurementBytes(12, 1, 24000000.0, -126120853.87345701, -0.25, 0.0, 0.0);
  expected += EpochBytes(2, 1001.0, 1001.000001, -299.792458);
  expected += MeasurementBytes(5, 124, 22000001.0, -115610796.07388408, 1.0, 22000004.0,
                               -90086322.31835532);
  expected += MeasurementBytes(12, 1, 23999998.0, -126120843.36338608, -0.25, 0.0, 0.0);
  expected += EpochBytes(2, 1002.0, 1002.000001, -299.792458);
  expected += MeasurementBytes(5, 125, 22000002.0, -115610801.32891954, 1.0, 22000005.0,
                               -90086326.41318816);
  expected += MeasurementBytes(12, 255, 23999996.0, -126120832.85331514, -0.25, 0.0, 0.0);
  EXPECT_EQ(jpstest::KelBody(run.kel), expected);

  ASSERT_EQ(run.messages.size(), 1u);
  EXPECT_EQ(run.messages[0].text, "Phase invalid on PRN: 12");
  EXPECT_EQ(run.messages[0].time, 1001.0);
}

TEST(RmFile, SkipRmEpochsWritesNone) {
  jpstest::HostSetup setup;
  setup.options = [](ConversionOptions& o) { o.SkipRmEpochs = 1; };
  jpstest::HostRun run = jpstest::ConvertBytes(ThreeRecords(), setup);
  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(run.request.EpochsWritten, 0);
  EXPECT_EQ(run.kel.size(), 202u);
}

TEST(RmFile, AutoDetectRecognisesRmRecords) {
  std::string dir = jpstest::TempDir();
  Bytes good;  // nine records: longer than the 502 bytes the test needs
  for (int k = 0; k < 3; ++k) Append(good, ThreeRecords());
  jpstest::WriteFile(dir + "/rm.jps", good);
  EXPECT_EQ(AutoDetect((dir + "/rm.jps").c_str()), 1);

  // The same bytes with every record's CRC broken are not recognised.
  Bytes bad = good;
  size_t recordSize = good.size() / 9;
  for (size_t k = 1; k <= 9; ++k) bad[k * recordSize - 1] ^= 0x5A;
  jpstest::WriteFile(dir + "/bad.jps", bad);
  EXPECT_EQ(AutoDetect((dir + "/bad.jps").c_str()), 0);
}

TEST(RmFile, ASatelliteWithoutL2GetsNoneFromTheSlotsPreviousSatellite) {
  ResetProcessStateForTesting();
  Bytes input;
  Append(input, RmRecord(RmBody(1000000, 1, 0,
                                {MakeRmEntry(5, 1100000000,
                                             {MakeRmBlock(0, 4000, 45, 0x50, 1234),
                                              MakeRmBlock(2, -2000, 40, 0, 0, 0, 150)})})));
  Append(input,
         RmRecord(RmBody(1001000, 1, 0, {MakeRmEntry(7, 1000000000, {MakeRmBlock(0, 0, 45)})})));
  jpstest::HostRun run = jpstest::ConvertBytes(input);
  std::string body = jpstest::KelBody(run.kel);
  ASSERT_EQ(body.size(), 2u * (68 + 44));
  KelMeasurement first{}, second{};
  DecodeKelMeasurement(reinterpret_cast<const uint8_t*>(body.data()) + 68, &first);
  DecodeKelMeasurement(reinterpret_cast<const uint8_t*>(body.data()) + 68 + 44 + 68, &second);
  EXPECT_EQ(first.satellite, 5);
  EXPECT_EQ(Copy(first.l2Code), 22000003.0);
  EXPECT_EQ(second.satellite, 7);
  EXPECT_EQ(Copy(second.l1Code), 20000000.0);
  EXPECT_EQ(Copy(second.l2Code), 0.0);
  EXPECT_EQ(Copy(second.l2Phase), 0.0);
}

TEST(RmFile, OnlyGpsAndGlonassNumbersReachAnEpochAndGlonassNeedsNoEphemeris) {
  // Entries for 33 and 37 (GPS PRNs without a KEL number), 71 (Galileo), 3
  // and 40 (GLONASS channel -5, before any ephemeris). 40's phase is worked
  // with its channel's wavelength, c / (1602 MHz - 5 x 562.5 kHz).
  ResetProcessStateForTesting();
  std::vector<RmEntry> entries;
  for (uint32_t sv : {33u, 3u, 37u, 71u, 40u}) {
    entries.push_back(MakeRmEntry(sv, 1100000000, {MakeRmBlock(0, 4000, 45, 0x50, 1234, -128000)}));
  }
  jpstest::HostRun run = jpstest::ConvertBytes(RmRecord(RmBody(1000000, 1, 0, entries)));
  std::vector<jpstest::KelGroup> groups = jpstest::ReadKelGroups(run.kel);
  ASSERT_EQ(groups.size(), 1u);
  ASSERT_EQ(+groups[0].epoch.measurementCount, 2);
  EXPECT_EQ(+groups[0].m[0].satellite, 3);
  EXPECT_EQ(+groups[0].m[1].satellite, 40);
  double wavelength = 299792458.0 / 1599187500.0;
  EXPECT_DOUBLE_EQ(groups[0].m[1].l1Phase, -(4000 * 0.0005 + 22000000.0) / wavelength);
}

}  // namespace
