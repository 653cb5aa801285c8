// The simulator's signal slots beyond C/A and L2 P: every form of every
// measurement family of every slot decodes, by the formulas of the message
// formats written out here, to the observations the simulator returns;
// each family's "no value" mark turns up; [NN] names the GLONASS slots; the
// signals each satellite sends, their strengths, and the agreement of each
// signal's code, phase and Doppler between epochs.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "support/little_endian.h"
#include "tests/builder/greis_frames.h"
#include "tools/simulator/simulator.h"

using jps::SignalSlot;
using jpssim::SatObservation;
using jpssim::SignalTruth;
using jpstest::Find;
using jpstest::Msg;

namespace {

constexpr double kC = 299792458.0;

// The messages of one slot, by family, in the order: full value, short
// integer, integer relative, float relative (ranges and phases); absolute,
// relative (Dopplers); dB-Hz, quarters (signal strengths).
struct SlotMessages {
  SignalSlot slot;
  const char* range[4];
  const char* phase[4];
  const char* doppler[2];
  const char* snr[2];
};
const SlotMessages kSlots[] = {
    {SignalSlot::kCa, {"RC", "rc", nullptr, nullptr}, {"PC", "pc", "cp", "CP"}, {"DC", nullptr},
     {"EC", "CE"}},
    {SignalSlot::kP1, {"R1", "r1", "1r", "1R"}, {"P1", "p1", "1p", "1P"}, {"D1", "1d"}, {"E1", "1E"}},
    {SignalSlot::kP2, {"R2", "r2", "2r", "2R"}, {"P2", "p2", "2p", "2P"}, {"D2", "2d"}, {"E2", "2E"}},
    {SignalSlot::kCa2, {"R3", "r3", "3r", "3R"}, {"P3", "p3", "3p", "3P"}, {"D3", "3d"}, {"E3", "3E"}},
    {SignalSlot::kL5, {"R5", "r5", "5r", "5R"}, {"P5", "p5", "5p", "5P"}, {"D5", "5d"}, {"E5", "5E"}},
};

// The nominal carrier of a slot's signal: GPS L1, L2 and L5; GLONASS
// 1602 MHz + k x 0.5625 MHz and 1246 MHz + k x 0.4375 MHz on channel k.
double Carrier(const SatObservation& o, SignalSlot slot) {
  bool l1 = slot == SignalSlot::kCa || slot == SignalSlot::kP1;
  if (o.glonass) {
    int k = o.index - 45;
    return l1 ? 1602e6 + k * 0.5625e6 : 1246e6 + k * 0.4375e6;
  }
  if (slot == SignalSlot::kL5) return 1176.45e6;
  return l1 ? 1575.42e6 : 1227.6e6;
}

// One entry of a message as the format reads it.
struct Entry {
  bool present = false;
  double value = 0;
};

// What one session's messages held, by identifier.
struct Seen {
  std::map<std::string, int> entries, marked;
  int epochsWithSlots = 0, epochsWithoutSlots = 0, unknownSlots = 0;
};

class EpochReader {
 public:
  EpochReader(const std::vector<Msg>& ms, const std::vector<SatObservation>& sats, Seen* seen)
      : ms_(ms), sats_(sats), seen_(seen), ca_(sats.size(), 0.0), dc_(sats.size(), 0) {}

  // The C/A range (s, 0 when marked) and the [DC] counts the relative forms refer to.
  void ReadReferences() {
    const Msg* rc = Find(ms_, "RC");
    const Msg* rcShort = Find(ms_, "rc");
    const Msg* dc = Find(ms_, "DC");
    ASSERT_TRUE((rc != nullptr) != (rcShort != nullptr));
    ASSERT_NE(dc, nullptr);
    for (size_t i = 0; i < sats_.size(); ++i) {
      if (rc != nullptr && !jpstest::IsNan64(&rc->body[8 * i])) ca_[i] = jps::LoadF64(&rc->body[8 * i]);
      if (rcShort != nullptr) {
        int32_t v = jps::LoadI32(&rcShort->body[4 * i]);
        if (v != 0x7FFFFFFF) ca_[i] = v * 1e-11 + 0.075;
      }
      dc_[i] = jps::LoadI32(&dc->body[4 * i]);
    }
  }

  void CheckSlot(const SlotMessages& s) {
    for (int form = 0; form < 4; ++form) {
      Each(s.range[form], form == 0 ? 8 : form == 2 ? 2 : 4, [&](const Msg& m, size_t i) {
        return CheckRange(m, form, i, s.slot);
      });
      Each(s.phase[form], form == 0 ? 8 : 4, [&](const Msg& m, size_t i) {
        return CheckPhase(m, form, i, s.slot);
      });
    }
    for (int form = 0; form < 2; ++form) {
      Each(s.doppler[form], form == 0 ? 4 : 2, [&](const Msg& m, size_t i) {
        return CheckDoppler(m, form, i, s.slot);
      });
      Each(s.snr[form], 1, [&](const Msg& m, size_t i) { return CheckSnr(m, form, i, s.slot); });
    }
  }

  // [NN]: one orbital slot per GLONASS entry of [SI], 255 when not known.
  void CheckGlonassSlots() {
    const Msg* nn = Find(ms_, "NN");
    std::vector<const SatObservation*> glonass;
    for (const SatObservation& o : sats_) {
      if (o.glonass) glonass.push_back(&o);
    }
    if (glonass.empty()) return;
    if (nn == nullptr) {
      ++seen_->epochsWithoutSlots;
      return;
    }
    ++seen_->epochsWithSlots;
    ASSERT_EQ(nn->body.size(), glonass.size());
    for (size_t k = 0; k < glonass.size(); ++k) {
      const SatObservation& o = *glonass[k];
      EXPECT_TRUE(o.glonassSlot >= 1 && o.glonassSlot <= 24);
      EXPECT_EQ(nn->body[k], o.slotKnown ? o.glonassSlot : 255) << int(o.index);
      seen_->unknownSlots += nn->body[k] == 255;
    }
  }

 private:
  // Runs check on every entry of message id (when the epoch has it), after
  // checking its size; counts its entries and marks.
  template <typename Check>
  void Each(const char* id, size_t entrySize, Check check) {
    if (id == nullptr) return;
    const Msg* m = Find(ms_, id);
    if (m == nullptr) return;
    ASSERT_EQ(m->body.size(), entrySize * sats_.size()) << id;
    for (size_t i = 0; i < sats_.size(); ++i) {
      SCOPED_TRACE(std::string(id) + " of satellite " + std::to_string(sats_[i].index));
      bool present = check(*m, i);
      ++seen_->entries[id];
      seen_->marked[id] += !present;
    }
  }

  // A relative form exists only where its reference does.
  static void Compare(Entry e, bool expected, double truth, double tolerance) {
    EXPECT_EQ(e.present, expected);
    if (e.present && expected) {
      EXPECT_NEAR(e.value, truth, tolerance);
    }
  }

  bool CheckRange(const Msg& m, int form, size_t i, SignalSlot slot) {
    const uint8_t* p = &m.body[0];
    Entry e;
    switch (form) {
      case 0:  // f8 s
        e = {!jpstest::IsNan64(p + 8 * i), jps::LoadF64(p + 8 * i) * kC};
        break;
      case 1: {  // i4: v x 1e-11 + 0.075 s
        int32_t v = jps::LoadI32(p + 4 * i);
        e = {v != 0x7FFFFFFF, (v * 1e-11 + 0.075) * kC};
        break;
      }
      case 2: {  // i2: v x 1e-11 + 2e-7 s + C/A
        int16_t v = jps::LoadI16(p + 2 * i);
        e = {v != 0x7FFF, (v * 1e-11 + 2e-7 + ca_[i]) * kC};
        break;
      }
      default:  // f4 s + C/A
        e = {!jpstest::IsNan32(p + 4 * i), (jps::LoadF32(p + 4 * i) + ca_[i]) * kC};
        break;
    }
    SignalTruth t = sats_[i].InSlot(slot);
    Compare(e, t.hasRange && (form < 2 || ca_[i] != 0), t.range, 0.0016);
    return e.present;
  }

  bool CheckPhase(const Msg& m, int form, size_t i, SignalSlot slot) {
    const uint8_t* p = &m.body[0];
    SignalTruth t = sats_[i].InSlot(slot);
    double f = Carrier(sats_[i], slot);
    if (t.sent) {
      EXPECT_EQ(t.frequency, f);
    }
    Entry e;
    switch (form) {
      case 0:  // f8 cycles
        e = {!jpstest::IsNan64(p + 8 * i), jps::LoadF64(p + 8 * i)};
        break;
      case 1: {  // u4 1/1024 cycle, rolling over: compared modulo 2^32 counts
        uint32_t v = jps::LoadU32(p + 4 * i);
        double period = 4294967296.0 / 1024.0;
        e = {v != 0xFFFFFFFFu, t.phase + std::remainder(v / 1024.0 - t.phase, period)};
        break;
      }
      case 2: {  // i4: (v x 2^-40 s + C/A) x f
        int32_t v = jps::LoadI32(p + 4 * i);
        e = {v != 0x7FFFFFFF, (v * std::ldexp(1.0, -40) + ca_[i]) * f};
        break;
      }
      default:  // f4: (v + C/A) x f
        e = {!jpstest::IsNan32(p + 4 * i), (jps::LoadF32(p + 4 * i) + ca_[i]) * f};
        break;
    }
    Compare(e, t.hasPhase && (form < 2 || ca_[i] != 0), t.phase, form == 0 ? 0.0 : 0.001);
    return e.present;
  }

  // Dopplers in RINEX's sign, the opposite of the receiver's.
  bool CheckDoppler(const Msg& m, int form, size_t i, SignalSlot slot) {
    const uint8_t* p = &m.body[0];
    const SatObservation& o = sats_[i];
    Entry e;
    if (form == 0) {  // i4: D = -v x 1e-4
      int32_t v = jps::LoadI32(p + 4 * i);
      e = {v != 0x7FFFFFFF, -v * 1e-4};
    } else {  // i2: D = -(v + v(DC)) x f / f(L1) x 1e-4
      int16_t v = jps::LoadI16(p + 2 * i);
      double scale = Carrier(o, slot) / Carrier(o, SignalSlot::kCa);
      e = {v != 0x7FFF, -(static_cast<double>(v) + dc_[i]) * scale * 1e-4};
    }
    SignalTruth t = o.InSlot(slot);
    Compare(e, t.hasDoppler && (form == 0 || dc_[i] != 0x7FFFFFFF), -t.doppler, 0.6e-4);
    return e.present;
  }

  bool CheckSnr(const Msg& m, int form, size_t i, SignalSlot slot) {
    uint8_t v = m.body[i];
    SignalTruth t = sats_[i].InSlot(slot);
    Entry e{v != 255, form == 0 ? v : v * 0.25};
    Compare(e, t.hasSnr, t.snr, form == 0 ? 0.5 : 0.125);
    return e.present;
  }

  const std::vector<Msg>& ms_;
  const std::vector<SatObservation>& sats_;
  Seen* seen_;
  std::vector<double> ca_;
  std::vector<int32_t> dc_;
};

// Runs a session, decoding each epoch's messages of every slot against its observations.
Seen ReadSession(const jpssim::SimulatorOptions& options) {
  Seen seen;
  jpssim::Session session(options);
  jpsbuild::Bytes bytes;
  int epoch = 0;
  while (session.Next(&bytes)) {
    std::vector<Msg> ms = jpstest::Frames(bytes);
    const std::vector<SatObservation>& sats = session.lastEpoch().satellites;
    EpochReader reader(ms, sats, &seen);
    reader.ReadReferences();
    for (const SlotMessages& s : kSlots) reader.CheckSlot(s);
    reader.CheckGlonassSlots();
    if (::testing::Test::HasFailure()) {
      ADD_FAILURE() << "in epoch " << epoch;
      break;
    }
    ++epoch;
    bytes.clear();
  }
  return seen;
}

}  // namespace

TEST(SimulatorSignals, EveryFormOfEverySlotDecodesToTheObservationsAndIsSometimesMarked) {
  jpssim::SimulatorOptions o;
  o.minutes = 10;
  o.seed = 5;
  Seen seen = ReadSession(o);
  ASSERT_FALSE(::testing::Test::HasFailure());
  for (const SlotMessages& s : kSlots) {
    std::vector<const char*> ids(std::begin(s.range), std::end(s.range));
    ids.insert(ids.end(), std::begin(s.phase), std::end(s.phase));
    ids.insert(ids.end(), std::begin(s.doppler), std::end(s.doppler));
    ids.insert(ids.end(), std::begin(s.snr), std::end(s.snr));
    for (const char* id : ids) {
      if (id == nullptr) continue;
      EXPECT_GT(seen.entries[id], 0) << id;
      EXPECT_GT(seen.marked[id], 0) << id;
      EXPECT_LT(seen.marked[id], seen.entries[id]) << id;
    }
  }
  // [NN] in four of the five parts, with a GLONASS satellite's slot unknown at first.
  EXPECT_NEAR(seen.epochsWithSlots, 480, 2);
  EXPECT_NEAR(seen.epochsWithoutSlots, 120, 2);
  EXPECT_GT(seen.unknownSlots, 0);
}

// Which satellites send which signals (by PRN, the same in every session),
// and how strong each is: the P codes and L2 weaker than C/A, L5 stronger,
// every signal stronger high in the sky.
TEST(SimulatorSignals, SignalsFollowTheSatellitesAndTheirStrengthTheElevation) {
  jpssim::SimulatorOptions o;
  o.minutes = 720;
  o.interval = 120;
  o.seed = 2;
  jpssim::Session session(o);
  jpsbuild::Bytes bytes;
  std::map<int, std::set<bool>> l2c, l5;
  std::map<int, std::vector<double>> high, low;  // strength minus C/A's, by slot; C/A itself
  while (session.Next(&bytes)) {
    for (const SatObservation& s : session.lastEpoch().satellites) {
      EXPECT_TRUE(s.p1.sent);
      EXPECT_FALSE(s.InSlot(SignalSlot::kL1c).sent);
      if (s.glonass) {
        EXPECT_TRUE(s.ca2.sent);
        EXPECT_FALSE(s.l5.sent);
      } else {
        l2c[s.index].insert(s.ca2.sent);
        l5[s.index].insert(s.l5.sent);
        if (s.l5.sent) {
          EXPECT_TRUE(s.ca2.sent) << int(s.index);
        }
      }
      if (s.glonass || (s.elevation >= 15 && s.elevation <= 45)) continue;
      auto& side = s.elevation > 45 ? high : low;
      side[-1].push_back(s.snr);
      for (SignalSlot slot : {SignalSlot::kP1, SignalSlot::kP2, SignalSlot::kCa2, SignalSlot::kL5}) {
        SignalTruth t = s.InSlot(slot);
        if (t.sent) side[static_cast<int>(slot)].push_back(t.snr - s.snr);
      }
    }
    bytes.clear();
  }
  int withL2c = 0, withL5 = 0;
  for (const auto& p : l2c) {
    EXPECT_EQ(p.second.size(), 1u) << p.first;  // fixed per satellite
    withL2c += *p.second.begin();
  }
  for (const auto& p : l5) withL5 += *p.second.begin();
  EXPECT_GE(l2c.size(), 25u);
  EXPECT_GT(withL2c, withL5);
  EXPECT_LT(withL2c, static_cast<int>(l2c.size()));
  EXPECT_GT(withL5, 0);

  auto mean = [](const std::vector<double>& v) {
    double sum = 0;
    for (double x : v) sum += x;
    return v.empty() ? NAN : sum / v.size();
  };
  EXPECT_GT(mean(high[-1]), mean(low[-1]) + 8);  // C/A: dB-Hz
  EXPECT_GT(mean(high[-1]), 45);
  EXPECT_LT(mean(low[-1]), 40);
  for (SignalSlot slot : {SignalSlot::kP1, SignalSlot::kP2, SignalSlot::kCa2}) {
    int k = static_cast<int>(slot);
    SCOPED_TRACE(k);
    EXPECT_LT(mean(high[k]), -2);
    EXPECT_LE(mean(low[k]), mean(high[k]));
  }
  EXPECT_LT(mean(high[static_cast<int>(SignalSlot::kP2)]),
            mean(high[static_cast<int>(SignalSlot::kCa2)]));
  EXPECT_GT(mean(high[static_cast<int>(SignalSlot::kL5)]), 0);
}

// The documented agreement, signal by signal (tools/simulator/simulator.h),
// with wavelengths from the carriers of the formats.
TEST(SimulatorSignals, EverySignalAgreesWithItselfBetweenEpochsAndWithTheOthers) {
  jpssim::SimulatorOptions o;  // ten minutes at 1 s
  o.seed = 12;
  jpssim::Session session(o);
  jpsbuild::Bytes bytes;
  const SignalSlot slots[] = {SignalSlot::kCa, SignalSlot::kP1, SignalSlot::kP2, SignalSlot::kCa2,
                              SignalSlot::kL5};
  const double codeBound[] = {5.0, 7.0, 7.0, 5.0, 3.0};
  double worstDoppler[5] = {}, worstCode[5] = {};
  int pairs[5] = {};
  double lowest[5] = {}, highest[5] = {}, worstP1Phase = 0, worstL2Phase = 0;
  std::map<int, SatObservation> previous;
  double previousTime = 0;
  while (session.Next(&bytes)) {
    bytes.clear();
    const jpssim::ReceiverEpoch& e = session.lastEpoch();
    std::map<int, SatObservation> now;
    for (const SatObservation& s : e.satellites) {
      now[s.index] = s;
      for (int k = 1; k < 5; ++k) {
        SignalTruth t = s.InSlot(slots[k]);
        if (!t.sent) continue;
        lowest[k] = std::min(lowest[k], t.range - s.caRange);
        highest[k] = std::max(highest[k], t.range - s.caRange);
      }
      worstP1Phase = std::max(worstP1Phase, std::fabs(s.p1.phase - s.l1Phase - 0.25));
      if (s.ca2.sent) {
        worstL2Phase = std::max(worstL2Phase, std::fabs(s.ca2.phase - s.l2Phase + 0.25));
      }
      auto p = previous.find(s.index);
      if (p == previous.end() || s.lockStarted) continue;
      double dt = e.t - previousTime;
      for (int k = 0; k < 5; ++k) {
        SignalTruth a = p->second.InSlot(slots[k]), b = s.InSlot(slots[k]);
        if (!b.sent) continue;
        double lambda = kC / Carrier(s, slots[k]);
        double dPhase = b.phase - a.phase;
        worstDoppler[k] =
            std::max(worstDoppler[k], std::fabs(dPhase - 0.5 * (a.doppler + b.doppler) * dt));
        worstCode[k] = std::max(worstCode[k], std::fabs((b.range - a.range) - dPhase * lambda));
        ++pairs[k];
      }
    }
    previous = now;
    previousTime = e.t;
  }
  for (int k = 0; k < 5; ++k) {
    SCOPED_TRACE(k);
    EXPECT_GT(pairs[k], 2000);
    EXPECT_LE(worstDoppler[k], 0.1);
    EXPECT_GT(worstDoppler[k], 0.01);  // the noise is there
    EXPECT_LE(worstCode[k], codeBound[k]);
    EXPECT_GT(worstCode[k], codeBound[k] / 10);
  }
  EXPECT_GE(lowest[1], -5.0);
  EXPECT_LE(highest[1], 5.0);
  for (int k = 2; k < 5; ++k) {
    EXPECT_GE(lowest[k], -6.0) << k;
    EXPECT_LE(highest[k], 25.0) << k;
  }
  EXPECT_LE(worstP1Phase, 0.02);
  EXPECT_LE(worstL2Phase, 0.02);
}

// [rM] records carry C/A and L2 P only: the other signals are not in the truth either.
TEST(SimulatorSignals, RmSessionsHoldOnlyTheirTwoSignals) {
  jpssim::SimulatorOptions o;
  o.minutes = 1;
  o.rm = true;
  jpssim::Session session(o);
  jpsbuild::Bytes bytes;
  while (session.Next(&bytes)) {
    for (const SatObservation& s : session.lastEpoch().satellites) {
      EXPECT_FALSE(s.p1.sent || s.ca2.sent || s.l5.sent);
      EXPECT_FALSE(s.hasP2Doppler);
      EXPECT_TRUE(s.hasSnr && s.hasP2Snr);
    }
  }
}
