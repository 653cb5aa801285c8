// The receiver simulator: the stream frames and checks, every encoding
// decodes (by the formulas of the message formats, written out here) to the
// receiver's observations, the observations agree with each other between
// epochs within the documented tolerances, and a seed fixes the bytes.
#include "tools/simulator/simulator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "support/little_endian.h"
#include "tests/builder/greis_frames.h"
#include "tools/simulator/constellation.h"
#include "tools/simulator/glonass_orbit.h"
#include "tools/simulator/gps_orbit.h"

using jps::SignalSlot;
using jpstest::Find;
using jpstest::Frames;
using jpstest::IsNan32;
using jpstest::IsNan64;
using jpstest::Msg;
using jpssim::SatObservation;
using jpssim::Session;
using jpssim::SimulatorOptions;

namespace {

constexpr double kC = 299792458.0;

// Checks the per-satellite messages of one GREIS epoch against its observations.
void CheckGreisEpoch(const std::vector<Msg>& ms, const std::vector<SatObservation>& sats) {
  const size_t n = sats.size();
  const Msg* si = Find(ms, "SI");
  ASSERT_NE(si, nullptr);
  ASSERT_EQ(si->body.size(), n);
  std::vector<double> ca(n, 0.0);  // C/A range in seconds as read back
  for (size_t i = 0; i < n; ++i) {
    const SatObservation& o = sats[i];
    EXPECT_EQ(si->body[i], o.index);
    if (const Msg* m = Find(ms, "RC")) {
      const uint8_t* p = &m->body[8 * i];
      EXPECT_EQ(IsNan64(p), !o.hasCaRange);
      if (o.hasCaRange) ca[i] = jps::LoadF64(p);
    }
    if (const Msg* m = Find(ms, "rc")) {
      int32_t count = jps::LoadI32(&m->body[4 * i]);
      EXPECT_EQ(count == 0x7FFFFFFF, !o.hasCaRange);
      if (o.hasCaRange) ca[i] = count * 1e-11 + 0.075;
    }
    if (o.hasCaRange) {
      EXPECT_NEAR(ca[i] * kC, o.caRange, 0.0016);
    }

    // Phases: C/A and P on L1, P on L2, in each form.
    struct PhaseCheck {
      const char* id;
      SignalSlot slot;
      int form;  // 4 f8, 5 counter, 6 i4 relative, 8 f4 relative
    };
    const SignalSlot sc = SignalSlot::kCa, s1 = SignalSlot::kP1, s2 = SignalSlot::kP2;
    const PhaseCheck checks[] = {{"PC", sc, 4}, {"P1", s1, 4}, {"P2", s2, 4}, {"pc", sc, 5},
                                 {"p1", s1, 5}, {"p2", s2, 5}, {"cp", sc, 6}, {"1p", s1, 6},
                                 {"2p", s2, 6}, {"CP", sc, 8}, {"1P", s1, 8}, {"2P", s2, 8}};
    for (const PhaseCheck& c : checks) {
      const Msg* m = Find(ms, c.id);
      if (m == nullptr) continue;
      jpssim::SignalTruth truth = o.InSlot(c.slot);
      double want = truth.phase;
      bool has = truth.hasPhase;
      double f = c.slot == s2 ? o.l2Frequency : o.l1Frequency;
      SCOPED_TRACE(c.id);
      if (c.form == 4) {
        EXPECT_EQ(IsNan64(&m->body[8 * i]), !has);
        if (has) {
          EXPECT_EQ(jps::LoadF64(&m->body[8 * i]), want);
        }
      } else if (c.form == 5) {
        uint32_t raw = jps::LoadU32(&m->body[4 * i]);
        EXPECT_EQ(raw == 0xFFFFFFFFu, !has);
        double period = 4294967296.0 / 1024.0;
        if (has) {
          EXPECT_NEAR(std::remainder(raw / 1024.0 - want, period), 0.0, 0.001);
        }
      } else if (c.form == 6) {
        int32_t count = jps::LoadI32(&m->body[4 * i]);
        EXPECT_EQ(count == 0x7FFFFFFF, !has || ca[i] == 0);
        if (count != 0x7FFFFFFF) {
          EXPECT_NEAR(f * (count * std::ldexp(1.0, -40) + ca[i]), want, 0.0015);
        }
      } else {
        const uint8_t* p = &m->body[4 * i];
        EXPECT_EQ(IsNan32(p), !has || ca[i] == 0);
        if (!IsNan32(p)) {
          EXPECT_NEAR(f * (jps::LoadF32(p) + ca[i]), want, 0.001);
        }
      }
    }

    // L2 P range in each form.
    double p2 = 0;
    bool p2Sent = true;
    if (const Msg* m = Find(ms, "R2")) {
      p2Sent = !IsNan64(&m->body[8 * i]);
      p2 = jps::LoadF64(&m->body[8 * i]);
    } else if (const Msg* m = Find(ms, "r2")) {
      int32_t count = jps::LoadI32(&m->body[4 * i]);
      p2Sent = count != 0x7FFFFFFF;
      p2 = count * 1e-11 + 0.075;
    } else if (const Msg* m = Find(ms, "2r")) {
      int16_t count = jps::LoadI16(&m->body[2 * i]);
      p2Sent = count != 0x7FFF;
      p2 = count * 1e-11 + 2e-7 + ca[i];
    } else if (const Msg* m = Find(ms, "2R")) {
      p2Sent = !IsNan32(&m->body[4 * i]);
      p2 = jps::LoadF32(&m->body[4 * i]) + ca[i];
    } else {
      ADD_FAILURE() << "no L2 range message";
    }
    EXPECT_EQ(p2Sent, o.hasP2Range && (ca[i] != 0 || Find(ms, "R2") || Find(ms, "r2")));
    if (p2Sent) {
      EXPECT_NEAR(p2 * kC, o.p2Range, 0.0016);
    }

    const Msg* dc = Find(ms, "DC");
    ASSERT_NE(dc, nullptr);
    int32_t doppler = jps::LoadI32(&dc->body[4 * i]);
    EXPECT_EQ(doppler == 0x7FFFFFFF, !o.hasDoppler);
    if (o.hasDoppler) {
      EXPECT_NEAR(doppler * 1e-4, o.doppler, 0.6e-4);
    }
    EXPECT_EQ(jps::LoadU16(&Find(ms, "TC")->body[2 * i]), static_cast<uint16_t>(o.lockTime));
    EXPECT_EQ(jps::LoadU16(&Find(ms, "FC")->body[2 * i]), o.lockStarted ? 0x71 : 0x51);
  }
}

// Checks one [rM] record against the epoch's observations.
void CheckRmRecord(const Msg& m, const jpssim::ReceiverEpoch& e) {
  const uint8_t* b = m.body.data();
  EXPECT_EQ(jps::LoadU16(b + 2) & 0xE000, 0);  // GPS time frame
  EXPECT_EQ(jps::LoadU16(b + 2), e.tag.week & 0x7FF);
  EXPECT_EQ(jps::LoadU32(b + 4), static_cast<uint32_t>(std::llround(e.tag.secondsOfWeek * 1000)));
  int16_t clockWord = jps::LoadI16(b + 8);
  EXPECT_EQ(clockWord & 1, 1);
  EXPECT_NEAR((clockWord >> 2) * 125e-9, e.clockOffset, 63e-9);
  uint16_t layout = jps::LoadU16(b + 10);
  size_t count = (layout >> 8) & 0x1F;
  int absent = layout >> 13;
  ASSERT_EQ(count, e.satellites.size());
  size_t block = absent == 0 ? 14 : 10;
  size_t at = 12;
  const double gpsL1 = 0.190293672798, gpsL2 = 0.24421021342456825;
  for (const SatObservation& o : e.satellites) {
    ASSERT_LE(at + 6 + 2 * block, m.body.size());
    double range = jps::LoadU32(b + at) * 0.02;
    EXPECT_NEAR(range, o.caRange, 0.0101);
    EXPECT_EQ(b[at + 4], o.index);
    EXPECT_EQ(b[at + 5] & 7, 1);
    const uint8_t* l1 = b + at + 6;
    const uint8_t* l2 = l1 + block;
    uint32_t w1 = jps::LoadU32(l1 + 2), w2 = jps::LoadU32(l2 + 2);
    EXPECT_EQ((w1 >> 9) & 7, 0u);
    EXPECT_EQ((w2 >> 9) & 7, 2u);
    double lambda1 = o.glonass ? kC / o.l1Frequency : gpsL1;
    double lambda2 = o.glonass ? kC / o.l2Frequency : gpsL2;
    EXPECT_NEAR((static_cast<int32_t>(w1) >> 12) * 0.0005 + range, o.l1Phase * lambda1, 0.00026);
    EXPECT_NEAR((static_cast<int32_t>(w2) >> 12) * 0.0005 + range, o.l2Phase * lambda2, 0.00026);
    EXPECT_EQ(jps::LoadU16(l1 + 6), o.lockStarted ? 0x70 : 0x50);
    EXPECT_EQ(jps::LoadU16(l1 + 8), static_cast<uint16_t>(o.lockTime * 10));
    int16_t relative = jps::LoadI16(l2);
    EXPECT_EQ(relative == 0x7FFF, !o.hasP2Range);
    if (relative != 0x7FFF) {
      EXPECT_NEAR(relative * 0.02 + range, o.p2Range, 0.0101);
    }
    if (absent == 0) {
      int32_t d = jps::LoadI32(l1 + 10);
      EXPECT_EQ(d == -1, !o.hasDoppler);
      if (d != -1) {
        EXPECT_NEAR((d >> 7) * 0.001, o.doppler, 0.0011);
      }
    }
    at += 6 + 2 * block;
  }
  EXPECT_EQ(at, m.body.size());
}

struct Walked {
  std::map<std::string, int> ids;
  int epochs = 0;
};

// Runs a session epoch by epoch, checking each epoch's bytes.
Walked WalkSession(const SimulatorOptions& o) {
  Walked w;
  Session session(o);
  jpsbuild::Bytes bytes;
  while (session.Next(&bytes)) {
    std::vector<Msg> ms = Frames(bytes);
    for (const Msg& m : ms) ++w.ids[m.id];
    ++w.epochs;
    if (o.rm) {
      const Msg* rm = Find(ms, "rM");
      if (rm == nullptr) {
        ADD_FAILURE() << "epoch without [rM]";
      } else {
        CheckRmRecord(*rm, session.lastEpoch());
      }
    } else {
      CheckGreisEpoch(ms, session.lastEpoch().satellites);
    }
    if (::testing::Test::HasFailure()) {
      ADD_FAILURE() << "in epoch " << w.epochs;
      break;
    }
    bytes.clear();
  }
  return w;
}

}  // namespace

TEST(Simulator, EveryEncodingOfTheSessionDecodesToTheObservations) {
  SimulatorOptions o;
  o.minutes = 5;
  o.seed = 3;
  Walked w = WalkSession(o);
  EXPECT_EQ(w.epochs, 300);
  for (const char* id : {"~~", "RD", "SI", "EL", "AZ", "EC", "FC", "RC", "rc", "PC", "pc", "cp",
                         "CP", "P1", "p1", "1p", "R2", "r2", "2r", "2R", "P2", "p2", "2p", "2P",
                         "DC", "TC", "PV", "TO", "DO", "||", "GE", "NE", "UO", "==", "XA"}) {
    EXPECT_GT(w.ids[id], 0) << id;
  }
  EXPECT_EQ(w.ids["~~"], 300);
  EXPECT_EQ(w.ids["RD"], 300);
  EXPECT_EQ(w.ids["rM"], 0);
}

TEST(Simulator, RmRecordsCarryTheObservations) {
  SimulatorOptions o;
  o.minutes = 3;
  o.rm = true;
  Walked w = WalkSession(o);
  EXPECT_EQ(w.ids["rM"], 180);
  EXPECT_EQ(w.ids["RC"] + w.ids["rc"] + w.ids["PC"], 0);
  EXPECT_GT(w.ids["XA"], 0);
}

TEST(Simulator, MeasurementsAgreeBetweenEpochsWithinTheDocumentedTolerances) {
  SimulatorOptions o;  // ten minutes at 1 s
  Session session(o);
  jpsbuild::Bytes bytes;
  std::map<int, SatObservation> previous;
  double previousTime = 0;
  int pairs = 0, slips = 0;
  double worstDoppler = 0, worstL1 = 0, worstL2 = 0;
  while (session.Next(&bytes)) {
    bytes.clear();
    const jpssim::ReceiverEpoch& e = session.lastEpoch();
    EXPECT_LE(e.satellites.size(), 23u);
    std::map<int, SatObservation> now;
    for (const SatObservation& s : e.satellites) {
      EXPECT_GE(s.elevation, 5.0);
      EXPECT_TRUE(s.index >= 1 && (s.index <= 32 || (s.index >= 38 && s.index <= 51)));
      double ionoL2 = s.p2Range - s.caRange;
      EXPECT_GT(ionoL2, -6.0);
      EXPECT_LT(ionoL2, 25.0);
      now[s.index] = s;
      auto p = previous.find(s.index);
      if (p == previous.end()) continue;
      if (s.lockStarted) {
        ++slips;
        continue;
      }
      const SatObservation& a = p->second;
      double dt = e.t - previousTime;
      EXPECT_DOUBLE_EQ(s.lockTime - a.lockTime, dt);
      double lambda1 = kC / s.l1Frequency, lambda2 = kC / s.l2Frequency;
      double dPhase1 = s.l1Phase - a.l1Phase;
      worstDoppler =
          std::max(worstDoppler, std::fabs(dPhase1 - 0.5 * (s.doppler + a.doppler) * dt));
      worstL1 = std::max(worstL1, std::fabs((s.caRange - a.caRange) - dPhase1 * lambda1));
      worstL2 =
          std::max(worstL2, std::fabs((s.p2Range - a.p2Range) - (s.l2Phase - a.l2Phase) * lambda2));
      ++pairs;
    }
    previous = now;
    previousTime = e.t;
  }
  EXPECT_GT(pairs, 5000);
  EXPECT_GT(slips, 0);
  EXPECT_LE(worstDoppler, 0.1);
  EXPECT_LE(worstL1, 5.0);
  EXPECT_LE(worstL2, 7.0);
  // The noise is real: the bounds are not met trivially.
  EXPECT_GT(worstL1, 0.5);
}

TEST(Simulator, SameSeedSameBytesOtherSeedOtherBytes) {
  SimulatorOptions o;
  o.minutes = 2;
  o.seed = 42;
  jpssim::SessionStats stats;
  jpsbuild::Bytes first = jpssim::SimulateSessionBytes(o, &stats);
  EXPECT_EQ(first, jpssim::SimulateSessionBytes(o));
  EXPECT_EQ(stats.bytes, first.size());
  EXPECT_EQ(stats.epochs, 120);
  o.seed = 43;
  EXPECT_NE(first, jpssim::SimulateSessionBytes(o));
  o.rm = true;
  EXPECT_EQ(jpssim::SimulateSessionBytes(o), jpssim::SimulateSessionBytes(o));
}

// The options that the data-quality tests use: gaps leave out exactly their
// epochs; the extra code error changes only its satellite's ranges (on each
// of its signals), by noise of the deviation asked for.
TEST(Simulator, GapsLeaveOutTheirEpochsAndTheCodeErrorOnlyItsRanges) {
  SimulatorOptions o;
  o.minutes = 5;
  o.seed = 8;
  o.gaps = {{1, 2}, {100, 50}};
  Session gapped(o);
  jpsbuild::Bytes bytes;
  std::vector<double> times;
  while (gapped.Next(&bytes)) times.push_back(gapped.lastEpoch().t);
  ASSERT_EQ(times.size(), 300u - 52u);
  EXPECT_EQ(gapped.stats().epochs, 248);
  EXPECT_EQ(times[0], 0);
  EXPECT_EQ(times[1], 3);
  EXPECT_EQ(times[97], 99);
  EXPECT_EQ(times[98], 150);
  EXPECT_EQ(gapped.stats().sitesSaved, 2);

  o.gaps.clear();
  o.minutes = 20;
  Session plain(o);
  o.codeErrorSatellite = 45 + 1;  // a GLONASS satellite on channel +1
  o.codeErrorRms = 2.0;
  Session noisy(o);
  double squares = 0;
  int draws = 0;
  while (plain.Next(&bytes) && noisy.Next(&bytes)) {
    const auto& a = plain.lastEpoch().satellites;
    const auto& b = noisy.lastEpoch().satellites;
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
      EXPECT_EQ(a[i].l1Phase, b[i].l1Phase);
      EXPECT_EQ(a[i].doppler, b[i].doppler);
      for (SignalSlot slot : {SignalSlot::kCa, SignalSlot::kP1, SignalSlot::kP2, SignalSlot::kCa2}) {
        double error = b[i].InSlot(slot).range - a[i].InSlot(slot).range;
        if (a[i].index != o.codeErrorSatellite) {
          EXPECT_EQ(error, 0.0);
        } else {
          squares += error * error;
          ++draws;
        }
      }
    }
    bytes.clear();
  }
  ASSERT_GT(draws, 1000);
  EXPECT_NEAR(std::sqrt(squares / draws), 2.0, 0.15);

  o.codeErrorSatellite = 0;
  for (std::vector<jpssim::EpochGap> bad :
       {std::vector<jpssim::EpochGap>{{0, 3}}, {{5, 0}}, {{5, 3}, {8, 1}}, {{9, 2}, {5, 1}},
        {{1190, 10}}}) {
    o.gaps = bad;
    EXPECT_NE(jpssim::CheckSimulatorOptions(o), "") << bad[0].first;
  }
  o.gaps = {{1, 1}, {3, 1}, {1197, 2}};
  EXPECT_EQ(jpssim::CheckSimulatorOptions(o), "");
}

TEST(Simulator, OptionsOutsideTheirRangesAreRefused) {
  SimulatorOptions o;
  EXPECT_EQ(jpssim::CheckSimulatorOptions(o), "");
  o.interval = 0.0005;
  EXPECT_NE(jpssim::CheckSimulatorOptions(o), "");
  o.interval = 1.0005;  // not a whole number of milliseconds
  EXPECT_NE(jpssim::CheckSimulatorOptions(o), "");
  o.interval = 1;
  o.minutes = 0;
  EXPECT_NE(jpssim::CheckSimulatorOptions(o), "");
  o.minutes = 0.01;  // shorter than one epoch
  EXPECT_NE(jpssim::CheckSimulatorOptions(o), "");
}

TEST(SimulatorOrbits, GpsEphemeridesHandOverWithoutAJump) {
  jpssim::SessionClock clock(jpssim::GpsSecondsAtDay(2024, 6, 12) + 9 * 3600);
  jpssim::GpsSatellite sat(12, 2, 3, 1.0, 99);
  jpssim::GpsEphemeris before = sat.EphemerisAt(0, clock);
  jpssim::GpsEphemeris after = sat.EphemerisAt(3 * 3600, clock);
  ASSERT_NE(before.toe, after.toe);
  EXPECT_EQ(before.toeOfWeek, 3 * 86400 + 8 * 3600);  // Wednesday, two-hour block
  double relBefore = 0, relAfter = 0;
  for (double t : {1800.0, 5400.0, 9000.0}) {
    jpssim::Vec3 a = jpssim::GpsPosition(before, t, &relBefore);
    jpssim::Vec3 b = jpssim::GpsPosition(after, t, &relAfter);
    EXPECT_LT(jpssim::Norm(a - b), 1e-3) << t;
    double radius = jpssim::Norm(a);
    EXPECT_GT(radius, 26.1e6);
    EXPECT_LT(radius, 27.0e6);
  }
}

TEST(SimulatorOrbits, GlonassBroadcastStateIntegratesToTheSimulatedOrbit) {
  // A user integrates the broadcast state at tb with the interface
  // document's equations (PZ-90: mu, J2, Earth rotation, lunisolar terms).
  jpssim::SessionClock clock(jpssim::GpsSecondsAtDay(2024, 6, 12) + 9 * 3600);
  jpssim::GlonassSatellite sat(7, 5, 0.5, 99);
  jpssim::GlonassEphemeris e = sat.EphemerisAt(600, clock);
  EXPECT_EQ(e.tb % 1800, 900);
  const double mu = 398600.4418e9, ae = 6378136.0, j2 = 1082625.75e-9, w = 7.292115e-5;
  auto accel = [&](const double* s, double* d) {
    double r = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
    double k = 1.5 * j2 * mu * ae * ae / std::pow(r, 5), z2 = 5 * s[2] * s[2] / (r * r);
    d[0] = s[3];
    d[1] = s[4];
    d[2] = s[5];
    d[3] = -mu / (r * r * r) * s[0] - k * s[0] * (1 - z2) + w * w * s[0] + 2 * w * s[4] +
           e.acceleration.x;
    d[4] = -mu / (r * r * r) * s[1] - k * s[1] * (1 - z2) + w * w * s[1] - 2 * w * s[3] +
           e.acceleration.y;
    d[5] = -mu / (r * r * r) * s[2] - k * s[2] * (3 - z2) + e.acceleration.z;
  };
  double s[6] = {e.position.x, e.position.y, e.position.z,
                 e.velocity.x, e.velocity.y, e.velocity.z};
  double target = e.referenceTime + 840;
  const int steps = 84;
  double h = (target - e.referenceTime) / steps;
  for (int i = 0; i < steps; ++i) {
    double k1[6], k2[6], k3[6], k4[6], t[6];
    accel(s, k1);
    for (int j = 0; j < 6; ++j) t[j] = s[j] + h / 2 * k1[j];
    accel(t, k2);
    for (int j = 0; j < 6; ++j) t[j] = s[j] + h / 2 * k2[j];
    accel(t, k3);
    for (int j = 0; j < 6; ++j) t[j] = s[j] + h * k3[j];
    accel(t, k4);
    for (int j = 0; j < 6; ++j) s[j] += h / 6 * (k1[j] + 2 * k2[j] + 2 * k3[j] + k4[j]);
  }
  jpssim::Vec3 truth;
  sat.StateAt(target, &truth, nullptr);
  // Velocity is broadcast in single precision: 1e-3 m/s over 840 s.
  EXPECT_LT(jpssim::Norm(truth - jpssim::Vec3{s[0], s[1], s[2]}), 1.0);
  EXPECT_NEAR(jpssim::Norm(truth), 25.5e6, 0.1e6);
}
