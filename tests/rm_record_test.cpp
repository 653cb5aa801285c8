// The legacy raw-measurement record [rM]: its CRC, header check and parser.
#include "greis/rm_record.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "greis/framing.h"
#include "context/conversion_context.h"
#include "tools/builder/message_builder.h"
#include "tests/builder/test_decoder.h"
#include "tests/builder/test_host.h"

using namespace jps;
using namespace jpsbuild;

namespace {

constexpr double kL1 = 0.190293672798;
constexpr double kL2 = 0.24421021342456825;
constexpr uint32_t kClockMinus8 = 0xFFE1;  // count -8, valid bit set
constexpr uint32_t kWeek1800 = 0x0708;

// A decoder state of its own; the reasons of refusals go to its context's last error.
jpstest::DecoderHandle NewState() { return jpstest::DecoderHandle(); }

// The record in a buffer of exactly its own size, so that the sanitizers see
// any read beyond it.
struct Held {
  std::unique_ptr<uint8_t[]> bytes;
  int L;
};
Held Hold(const Bytes& record) {
  Held h{std::unique_ptr<uint8_t[]>(new uint8_t[record.size()]),
         static_cast<int>(record.size()) - 5};
  std::copy(record.begin(), record.end(), h.bytes.get());
  return h;
}

int Header(DecoderState& s, const Bytes& record) {
  Held h = Hold(record);
  return CheckRmHeader(s, h.bytes.get(), h.L);
}

// Header check then parser, as the dispatch runs them.
int Decode(DecoderState& s, const Bytes& record) {
  Held h = Hold(record);
  CheckRmHeader(s, h.bytes.get(), h.L);
  return ParseRmRecord(s, h.bytes.get(), h.L);
}

RmBlock L1Block(int32_t phaseUnits, uint32_t snr = 45, int32_t flags = 0x50, uint32_t lock = 1234,
                int32_t doppler = 0) {
  return MakeRmBlock(0, phaseUnits, snr, flags, lock, doppler);
}
// The loop flags, lock time and Doppler of an L2 block are never taken.
RmBlock L2Block(int32_t relativeRange, int32_t phaseUnits, uint32_t snr = 40) {
  return MakeRmBlock(2, phaseUnits, snr, 0x1234, 999, 0x7654321, relativeRange);
}

Bytes Record(uint32_t towMs, uint32_t dopplerCode, const std::vector<RmEntry>& entries,
             int satCount = -1, uint32_t clockWord = kClockMinus8, uint32_t week = kWeek1800) {
  return RmRecord(RmBody(towMs, clockWord, dopplerCode, entries, satCount, week));
}

Bytes OneSatellite(uint32_t towMs = 1000000) {
  return Record(towMs, 3, {MakeRmEntry(5, 1100000000, {L1Block(4000)})});
}

}  // namespace

// ---- CRC ---------------------------------------------------------------

TEST(RmCrc, KnownAnswersAndAWholeRecordWrittenOutByHand) {
  EXPECT_EQ(Crc16(reinterpret_cast<const uint8_t*>("123456789"), 9), 0x31C3);
  EXPECT_EQ(Crc16(reinterpret_cast<const uint8_t*>("A"), 1), 0x58E5);

  // One satellite, 10-byte block; CRC 0x62F5 carried low byte first.
  const Bytes record = {0x72, 0x4D, 0x30, 0x31, 0x45, 0x00, 0x00, 0x08, 0x07, 0x40, 0x42, 0x0F,
                        0x00, 0xE1, 0xFF, 0x00, 0x61, 0x00, 0xAB, 0x90, 0x41, 0x05, 0x00, 0xFF,
                        0x7F, 0x2D, 0x00, 0xFA, 0x00, 0x50, 0x00, 0xD2, 0x04, 0xF5, 0x62};
  EXPECT_EQ(record, OneSatellite());
  auto s = NewState();
  ASSERT_EQ(Decode(*s, record), 1);
  EXPECT_EQ(s->SatCount, 1);
  EXPECT_EQ(s->SatIndices[0], 5);
  EXPECT_EQ(s->CaRange.values[0], 22000000.0);
  EXPECT_EQ(s->CaPhase.values[0], (2.0 + 22000000.0) / kL1);
  EXPECT_EQ(s->CaSnr[0], 45);
  EXPECT_EQ(s->LockTimes[0], 1234);
  EXPECT_EQ(s->CaLoopFlags[0], 0x50);
  EXPECT_EQ(s->RmEpochTime, 1000.0);
  EXPECT_DOUBLE_EQ(s->RmClockOffset, -1e-6);  // clock count -8
  EXPECT_EQ(s->DopplerAbsent, 3);
  for (size_t i = 0; i < record.size(); ++i) {
    auto t = NewState();
    EXPECT_EQ(Decode(*t, Damaged(record, i, 0x01)), -1) << "byte " << i;
  }
}

TEST(RmCrc, ComparedLittleEndianUnlessBothBytesAreEqual) {
  Bytes record = OneSatellite();
  std::swap(record[record.size() - 1], record[record.size() - 2]);
  auto s = NewState();
  EXPECT_EQ(Decode(*s, record), -1);

  // A record whose CRC has two equal bytes reads the same either way.
  for (uint32_t tow = 1000000; tow < 1000000 + 100000; ++tow) {
    Bytes r = OneSatellite(tow);
    if (r[r.size() - 1] != r[r.size() - 2]) continue;
    auto t = NewState();
    EXPECT_EQ(Decode(*t, r), 1);
    return;
  }
  FAIL() << "no record with equal CRC bytes found";
}

// ---- Header check ------------------------------------------------------

TEST(CheckRmHeader, TimeFrameBitsStopTheCheckAndKeepEarlierFields) {
  auto s = NewState();
  ASSERT_EQ(Header(*s, Record(5000, 0, {}, 3, 5)), 0);
  for (uint32_t week : {0x2000u, 0xE708u}) {
    s.ClearLastError();
    EXPECT_EQ(Header(*s, Record(7000, 1, {}, 9, 9, week)), -1);
    EXPECT_STREQ(s.LastError(), "ERROR - Not GPS Time Frame - re-boot JPS receiver in GPS time");
    EXPECT_EQ(s->Rm.RmTimeOfWeekMs, 5000u);
    EXPECT_EQ(s->Rm.RmClockCount, 1);
    EXPECT_EQ(s->Rm.RmLayoutWord, 3 << 8);
    EXPECT_EQ(s->SatCount, 3);
    EXPECT_EQ(s->DopplerAbsent, 0);
  }
}

TEST(CheckRmHeader, WeekNumberKeepsElevenBits) {
  auto s = NewState();
  EXPECT_EQ(Header(*s, Record(1000, 0, {}, 1, 1, 0x07FF)), 0);
  EXPECT_EQ(s->Rm.RmWeek, 2047);
  EXPECT_EQ(Header(*s, Record(1000, 0, {}, 1, 1, 0x0800)), 0);
  EXPECT_EQ(s->Rm.RmWeek, 0);
  EXPECT_EQ(Header(*s, Record(1000, 0, {}, 1, 1, 0xFFFF)), 0);  // "none" is week 0
  EXPECT_EQ(s->Rm.RmWeek, 0);
}

TEST(CheckRmHeader, TimeOfWeekUpToAWholeWeek) {
  auto s = NewState();
  EXPECT_EQ(Header(*s, Record(604800000, 0, {}, 1)), 0);
  EXPECT_EQ(s->Rm.RmTimeOfWeekMs, 604800000u);
  EXPECT_EQ(Header(*s, Record(0xFFFFFFFF, 0, {}, 1)), 0);
  EXPECT_EQ(s->Rm.RmTimeOfWeekMs, 0u);
  s->SatCount = 7;
  EXPECT_EQ(Header(*s, Record(604800001, 0, {}, 1)), -1);
  EXPECT_STREQ(s.LastError(), "ERROR - Not a Valid GPS Time");
  EXPECT_EQ(s->SatCount, 7);  // not decoded
}

TEST(CheckRmHeader, ClockWords) {
  auto s = NewState();
  s->Rm.RmClockCount = 99;
  s.ClearLastError();
  EXPECT_EQ(Header(*s, Record(1000, 0, {}, 1, 0x7FFF)), 0);  // "none": not valid
  EXPECT_STREQ(s.LastError(), "WARNING: Clock not Valid");
  EXPECT_EQ(s->Rm.RmClockCount, 0);
  s.ClearLastError();
  EXPECT_EQ(Header(*s, Record(1000, 0, {}, 1, 5)), 0);
  EXPECT_EQ(s->Rm.RmClockCount, 1);  // 125 ns
  EXPECT_STREQ(s.LastError(), "");
  EXPECT_EQ(Header(*s, Record(1000, 0, {}, 1, 0xFFFD)), 0);  // -3
  EXPECT_EQ(s->Rm.RmClockCount, -1);
  EXPECT_EQ(Header(*s, Record(1000, 0, {}, 1, 0xFFE1)), 0);
  EXPECT_EQ(s->Rm.RmClockCount, -8);
}

TEST(CheckRmHeader, SatelliteCountAndDopplerCode) {
  auto s = NewState();
  EXPECT_EQ(Header(*s, Record(1000, 0, {}, 25)), -1);
  EXPECT_STREQ(s.LastError(), "ERROR: Num sats 25 not possible");
  EXPECT_EQ(s->SatCount, 25);
  EXPECT_EQ(Header(*s, Record(1000, 0, {}, 24)), 0);
  EXPECT_EQ(s->SatCount, 24);
  EXPECT_EQ(Header(*s, Record(1000, 0, {}, 0)), 0);
  EXPECT_EQ(s->SatCount, 0);

  EXPECT_EQ(Header(*s, Record(1000, 3, {}, 1)), 0);
  EXPECT_EQ(s->DopplerAbsent, 0);
  EXPECT_EQ(Header(*s, Record(1000, 1, {}, 1)), 0);
  EXPECT_EQ(s->DopplerAbsent, 1);
}

// ---- Parser ------------------------------------------------------------

TEST(ParseRmRecord, SatelliteCountsOutsideOneTo23) {
  for (int n : {24, 0}) {
    auto s = NewState();
    EXPECT_EQ(Decode(*s, Record(1000, 0, {MakeRmEntry(5, 1000, {L1Block(0)})}, n)), -1);
    EXPECT_EQ(std::string(s.LastError()), "ERROR: Num sats " + std::to_string(n) + " not possible");
    EXPECT_EQ(s->SatCount, 0);
  }
}

TEST(ParseRmRecord, TimeOfWeekLimit) {
  auto s = NewState();
  EXPECT_EQ(Decode(*s, OneSatellite(604800000)), 1);
  EXPECT_EQ(s->RmEpochTime, 604800.0);
  // The header check fails first and leaves the time; the parser refuses it.
  EXPECT_EQ(Decode(*s, OneSatellite(604800001)), -1);
  EXPECT_STREQ(s.LastError(), "ERROR: Invalid time 604800.0");
  EXPECT_EQ(s->RmEpochTime, 0.0);
}

TEST(ParseRmRecord, BlockSizeFollowsTheDopplerCode) {
  // The second entry lies after the first one's blocks: 14 or 10 bytes each.
  std::vector<RmEntry> entries = {
      MakeRmEntry(5, 1100000000, {L1Block(4000, 45, 0x50, 1234, -128000)}),
      MakeRmEntry(12, 1200000000, {L1Block(1000, 30, 0x70, 3000, 32000)})};
  auto with = NewState();
  ASSERT_EQ(Decode(*with, Record(1000, 0, entries)), 1);
  auto without = NewState();
  ASSERT_EQ(Decode(*without, Record(1000, 3, entries)), 1);

  EXPECT_EQ(with->DopplerAbsent, 0);
  EXPECT_EQ(with->CaDoppler[0], -1000);  // -128000 >> 7
  EXPECT_EQ(with->CaDoppler[1], 250);
  EXPECT_EQ(without->DopplerAbsent, 3);
  for (DecoderState* s : {with.get(), without.get()}) {
    EXPECT_EQ(s->SatIndices[1], 12);
    EXPECT_EQ(s->CaRange.values[1], 24000000.0);
    EXPECT_EQ(s->CaPhase.values[1], (0.5 + 24000000.0) / kL1);
    EXPECT_EQ(s->CaSnr[1], 30);
    EXPECT_EQ(s->CaLoopFlags[1], 0x70);
    EXPECT_EQ(s->LockTimes[1], 3000);
  }
  EXPECT_EQ(without->CaDoppler[0], 0);
  EXPECT_EQ(without->CaDoppler[1], 0);
}

TEST(ParseRmRecord, L1AndL2Blocks) {
  auto s = NewState();
  ASSERT_EQ(Decode(*s, Record(1000, 0,
                              {MakeRmEntry(5, 1100000000, {L1Block(4000), L2Block(150, -2000)}),
                               MakeRmEntry(7, 1000000000, {L1Block(0), L2Block(0x7FFF, 0)})})),
            1);
  EXPECT_EQ(s->CaRange.values[0], 22000000.0);
  EXPECT_EQ(s->P2Range.values[0], 22000003.0);  // 150 x 0.02 + C/A
  EXPECT_EQ(s->P2Phase.values[0], (-1.0 + 22000000.0) / kL2);
  EXPECT_EQ(s->P2Snr[0], 40);
  EXPECT_EQ(s->CaLoopFlags[0], 0x50);  // the L2 block's words are not taken
  EXPECT_EQ(s->LockTimes[0], 1234);
  EXPECT_EQ(s->CaDoppler[0], 0);
  EXPECT_EQ(s->P2Range.values[1], 0.0);  // relative range 0x7FFF: none
  EXPECT_EQ(s->P2Phase.values[1], 20000000.0 / kL2);
}

TEST(ParseRmRecord, FirstBlockL2HasNoCaRange) {
  auto s = NewState();
  ASSERT_EQ(Decode(*s, Record(1000, 0, {MakeRmEntry(5, 1100000000, {L2Block(150, 4000)})})), 1);
  EXPECT_EQ(s->CaRange.values[0], 0.0);
  EXPECT_EQ(s->P2Range.values[0], 0.0);
  EXPECT_EQ(s->P2Phase.values[0], 2.0 / kL2);
  EXPECT_EQ(s->CaSnr[0], 0);
  EXPECT_EQ(s->LockTimes[0], 0);
}

TEST(ParseRmRecord, OtherSignalTypesAndEmptyBlocksAreSkippedButOccupyTheirBytes) {
  RmBlock p1 = L2Block(150, 4000);
  p1.signalWord = RmSignalWord(20, 1, 4000);
  RmBlock empty;  // signal word 0xFFFFFFFF
  auto s = NewState();
  ASSERT_EQ(Decode(*s, Record(1000, 0,
                              {MakeRmEntry(5, 1100000000, {L1Block(4000), p1, empty}),
                               MakeRmEntry(9, 1000000000, {L1Block(0, 33)})})),
            1);
  EXPECT_EQ(s->P2Range.values[0], 0.0);
  EXPECT_EQ(s->P2Phase.values[0], 0.0);
  EXPECT_EQ(s->P2Snr[0], 0);
  EXPECT_EQ(s->CaSnr[0], 45);
  EXPECT_EQ(s->SatIndices[1], 9);
  EXPECT_EQ(s->CaRange.values[1], 20000000.0);
  EXPECT_EQ(s->CaSnr[1], 33);
}

TEST(ParseRmRecord, SatelliteIndicesAndGlonassFrequencies) {
  auto s = NewState();
  s->GlonassFrequencies[45][0] = 1602000000.0;
  s->GlonassFrequencies[45][1] = 1246000000.0;
  s->GlonassFrequencies[70][0] = 1605375000.0;
  ASSERT_EQ(
      Decode(*s,
             Record(1000, 0,
                    {MakeRmEntry(80, 1000000000, {L1Block(0)}),
                     MakeRmEntry(45, 1000000000, {L1Block(0), L2Block(50, 0)}),
                     MakeRmEntry(50, 1000000000, {L1Block(0, 30, 0x50, 10, 1280), L2Block(50, 0)}),
                     MakeRmEntry(71, 1000000000, {L1Block(0, 30, 0x50, 10, 1280)})})),
      1);
  // Index 80 counts as 0 and uses the GPS wavelength.
  EXPECT_EQ(s->SatIndices[0], 0);
  EXPECT_EQ(s->CaPhase.values[0], 20000000.0 / kL1);
  // A known GLONASS frequency gives the wavelength.
  EXPECT_EQ(s->CaPhase.values[1], 20000000.0 / (299792458.0 / 1602000000.0));
  EXPECT_EQ(s->P2Phase.values[1], 20000000.0 / (299792458.0 / 1246000000.0));
  // Before any ephemeris, channel +5's carriers (1602 MHz + 5 x 562.5 kHz,
  // 1246 MHz + 5 x 437.5 kHz) give the wavelengths.
  EXPECT_EQ(s->SatIndices[2], 50);
  EXPECT_EQ(s->CaRange.values[2], 20000000.0);
  EXPECT_DOUBLE_EQ(s->CaPhase.values[2], 20000000.0 / (299792458.0 / 1604812500.0));
  EXPECT_EQ(s->CaDoppler[2], 10);   // 1280 >> 7
  EXPECT_EQ(s->P2Range.values[2], 20000001.0);   // 50 x 0.02 m above the C/A range
  EXPECT_DOUBLE_EQ(s->P2Phase.values[2], 20000000.0 / (299792458.0 / 1248187500.0));
  EXPECT_EQ(s->CaSnr[2], 30);
  // 71 lies beyond the frequency table: no frequency.
  EXPECT_EQ(s->SatIndices[3], 71);
  EXPECT_EQ(s->CaRange.values[3], 0.0);
  EXPECT_EQ(s->CaPhase.values[3], 0.0);
}

TEST(ParseRmRecord, SignedFieldsKeepTheirSign) {
  auto s = NewState();
  ASSERT_EQ(Decode(*s, Record(1000, 0, {MakeRmEntry(5, 50, {L1Block(-1, 45, -2, 0xFFFF, -1)})})),
            1);
  EXPECT_EQ(s->CaPhase.values[0], (-0.0005 + 1.0) / kL1);
  EXPECT_EQ(s->CaLoopFlags[0], -2);
  EXPECT_EQ(s->LockTimes[0], 0);  // 0xFFFF: none
  EXPECT_EQ(s->CaDoppler[0], 0);  // 0xFFFFFFFF: none
  ASSERT_EQ(Decode(*s, Record(1000, 0, {MakeRmEntry(5, 50, {L1Block(0, 45, 0x50, 0, -129)})})), 1);
  EXPECT_EQ(s->CaDoppler[0], -2);  // -129 >> 7, rounded down
}

TEST(ParseRmRecord, ASlotKeepsNothingOfThePreviousRecord) {
  auto s = NewState();
  ASSERT_EQ(
      Decode(*s, Record(1000, 0,
                        {MakeRmEntry(5, 1100000000,
                                     {L1Block(4000, 45, 0x50, 1234, 12800), L2Block(150, 0)})})),
      1);
  ASSERT_EQ(s->P2Range.values[0], 22000003.0);
  // Slot 0 now holds another satellite with an L1 block only.
  ASSERT_EQ(
      Decode(*s, Record(2000, 0, {MakeRmEntry(7, 1000000000, {L1Block(0, 20, 0x50, 5, 6400)})})),
      1);
  EXPECT_EQ(s->SatIndices[0], 7);
  EXPECT_EQ(s->P2Range.values[0], 0.0);
  EXPECT_EQ(s->P2Phase.values[0], 0.0);
  EXPECT_EQ(s->P2Snr[0], 0);
  EXPECT_EQ(s->CaDoppler[0], 50);
  // And then one with an L2 block only.
  ASSERT_EQ(Decode(*s, Record(3000, 0, {MakeRmEntry(9, 1000000000, {L2Block(10, 0)})})), 1);
  EXPECT_EQ(s->CaRange.values[0], 0.0);
  EXPECT_EQ(s->CaPhase.values[0], 0.0);
  EXPECT_EQ(s->CaDoppler[0], 0);
  EXPECT_EQ(s->CaSnr[0], 0);
  EXPECT_EQ(s->CaLoopFlags[0], 0);
  EXPECT_EQ(s->LockTimes[0], 0);
}

TEST(ParseRmRecord, RecordsCutShortAreRefusedWithoutReadingBeyondThem) {
  auto s = NewState();
  ASSERT_EQ(Decode(*s, OneSatellite()), 1);
  // Two entries announced, one present.
  EXPECT_EQ(Decode(*s, Record(2000, 3, {MakeRmEntry(7, 1000, {L1Block(0)})}, 2)), -1);
  // Three blocks announced, one present.
  RmEntry shortEntry = MakeRmEntry(7, 1000, {L1Block(0)});
  Body body = RmBody(2000, 1, 3, {shortEntry});
  Bytes cut = RmRecord(Body().Raw(Damaged(body.bytes(), 12 + 5, 0x02)));
  EXPECT_EQ(Decode(*s, cut), -1);
  // The entry header alone, no blocks.
  EXPECT_EQ(Decode(*s, Record(2000, 3, {MakeRmEntry(7, 1000, {})})), -1);
  // Bodies too short for the header: nothing is decoded.
  s->SatCount = 4;
  EXPECT_EQ(Decode(*s, RmRecord(Body().U2(0).U2(0))), -1);
  EXPECT_EQ(Decode(*s, RmRecord(Body())), -1);
  EXPECT_EQ(s->SatCount, 4);
  // Nothing of the refused records was stored.
  EXPECT_EQ(s->SatIndices[0], 5);
  EXPECT_EQ(s->RmEpochTime, 1000.0);
}

TEST(ParseRmRecord, HeaderOutsideGpsTimeIsRefused) {
  auto s = NewState();
  ASSERT_EQ(Decode(*s, OneSatellite()), 1);
  EXPECT_EQ(Decode(*s, Record(9000, 3, {MakeRmEntry(7, 1000, {L1Block(0)})}, -1, 1, 0x2708)), -1);
  EXPECT_EQ(s->RmEpochTime, 1000.0);
  EXPECT_EQ(s->SatIndices[0], 5);
}

// ---- Through the decoder -----------------------------------------------

TEST(RmDispatch, BadRecordsAreReportedWithTheRecordTimeAndRescanned) {
  Bytes input = OneSatellite(1000000);
  Bytes bad = Damaged(OneSatellite(1001000), 20);
  Append(input, bad);
  Append(input, Record(1002000, 3, {MakeRmEntry(5, 1100000000, {L1Block(4000)})}, -1, 1, 0x2708));
  Append(input, OneSatellite(1003000));
  jpstest::HostRun run = jpstest::ConvertBytes(input);
  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(run.request.EpochsWritten, 2);
  ASSERT_EQ(run.CountMessages("Checksum on RAW Meas"), 2);
  for (const auto& m : run.messages) {
    if (m.text == "Checksum on RAW Meas") {
      EXPECT_EQ(m.time, 1000.0);
    }
  }
}

TEST(RmDispatch, ARecordInsideARefusedOneIsFound) {
  // A record whose announced length swallows the next one: its CRC fails, and
  // the rescan from the byte after its "r" finds the inner record.
  Bytes inner = OneSatellite(1005000);
  Bytes outer = OneSatellite(1004000);
  outer[2] = '0';
  outer[3] = '3';
  outer[4] = '0';  // 48 bytes: the inner record and more
  Append(outer, inner);
  Append(outer, Bytes(20, 0));
  jpstest::HostRun run = jpstest::ConvertBytes(outer);
  EXPECT_EQ(run.request.EpochsWritten, 1);
  EXPECT_EQ(run.CountMessages("Checksum on RAW Meas"), 1);
}
