// The first written epoch of the one-second recording, worked out by hand
// from the message bytes: every value of a GPS and of a GLONASS satellite
// (one whose channel had no ephemeris yet) and of the epoch record.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tests/builder/test_host.h"

namespace {

constexpr double kC = 299792458.0;
constexpr double kTwoTo40 = 1099511627776.0;

// Bytes quoted from the recording, at their file offsets.
struct Quote {
  size_t at;
  std::vector<uint8_t> bytes;
};

uint64_t LittleEndian(const std::vector<uint8_t>& bytes) {
  uint64_t v = 0;
  for (size_t i = 0; i < bytes.size(); ++i) v |= static_cast<uint64_t>(bytes[i]) << (8 * i);
  return v;
}
int64_t Signed(const std::vector<uint8_t>& bytes) {
  uint64_t v = LittleEndian(bytes);
  int bits = static_cast<int>(8 * bytes.size());
  return bits == 64 ? static_cast<int64_t>(v)
                    : static_cast<int64_t>(v) - ((v >> (bits - 1)) != 0 ? (int64_t{1} << bits) : 0);
}
double F8(const std::vector<uint8_t>& bytes) {
  uint64_t bits = LittleEndian(bytes);
  double v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}
float F4(const std::vector<uint8_t>& bytes) {
  uint32_t bits = static_cast<uint32_t>(LittleEndian(bytes));
  float v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

// One satellite's entries in the epoch's per-satellite messages.
struct Entries {
  int sv;
  Quote rc, cp, r2, p2, dc, tc, fc;   // [rc] [cp] [2r] [2p] [DC] [TC] [FC]
};

// Geodetic latitude, longitude (degrees) and height of an Earth-centred
// position, by iterating the WGS-84 relations to convergence.
void Geodetic(double x, double y, double z, double* lat, double* lon, double* h) {
  const double a = 6378137.0, f = 1 / 298.257223563, e2 = f * (2 - f);
  double p = std::hypot(x, y), phi = std::atan2(z, p * (1 - e2)), n = a;
  for (int i = 0; i < 20; ++i) {
    n = a / std::sqrt(1 - e2 * std::sin(phi) * std::sin(phi));
    *h = p / std::cos(phi) - n;
    phi = std::atan2(z, p * (1 - e2 * n / (n + *h)));
  }
  *lat = phi * 180 / M_PI;
  *lon = std::atan2(y, x) * 180 / M_PI;
}

}  // namespace

TEST(RecordingValues, FirstEpochOfTheOneSecondRecordingByHand) {
  std::string path = jpstest::DataFile("receiver-2014-08-29-1s.jps");
  if (path.empty()) GTEST_SKIP() << "the shared recordings are not here (../shared/data)";
  jpsbuild::Bytes file = jpstest::ReadBytes(path);
  auto quoted = [&](const Quote& q) {
    EXPECT_TRUE(q.at + q.bytes.size() <= file.size() &&
                std::equal(q.bytes.begin(), q.bytes.end(), file.begin() + q.at))
        << "the recording holds other bytes at " << q.at;
    return q.bytes;
  };

  // The second [~~] of the file opens the first epoch that is written (the
  // first has no receiver date before it): 72142000 ms, 20:02:22.
  const Quote time{3501, {0xb0, 0xcc, 0x4c, 0x04}};
  // [RD]: year 0x07de = 2014, month 8, day 29, time base 0. 2014-08-29 was a
  // Friday: day 5 of the GPS week.
  const Quote date{3512, {0xde, 0x07, 0x08, 0x1d, 0x00}};
  const Quote position{5228, {0x0f, 0xdd, 0x39, 0xdb, 0x32, 0xbf, 0x45, 0x41,    // [PV] x
                              0x49, 0x48, 0xbb, 0xdb, 0x45, 0xbc, 0x40, 0x41,    // y
                              0x7d, 0xba, 0x0d, 0x93, 0xc9, 0x06, 0x54, 0x41}};  // z
  const Quote clockOffset{5312, {0x41, 0xce, 0xf0, 0x1c, 0x8c, 0x5b, 0x29, 0xbf}};  // [TO] f8 s
  const Quote clockDrift{5335, {0x9e, 0x04, 0x99, 0x33}};                          // [DO] f4 s/s
  // [SI] lists satellite 23 first and 44 (GLONASS channel -1) third. Entry i
  // of a message lies at body offset i x entry size.
  const Entries gps{23,
                    {3653, {0x48, 0x92, 0x7d, 0xfa}}, {3752, {0xc7, 0x62, 0x00, 0x00}},
                    {4321, {0xfc, 0xb0}},             {4374, {0x5e, 0xe9, 0x00, 0x00}},
                    {3904, {0xf8, 0xef, 0x69, 0xfe}}, {4033, {0x9b, 0x16}},
                    {3600, {0x53, 0x81}}};
  const Entries glonass{44,
                        {3661, {0xec, 0x32, 0x47, 0xe4}}, {3760, {0xb5, 0x8b, 0x00, 0x00}},
                        {4325, {0x55, 0xbf}},             {4382, {0x73, 0xae, 0x00, 0x00}},
                        {3912, {0xe4, 0x3b, 0x34, 0xfe}}, {4037, {0x49, 0x11}},
                        {3604, {0x53, 0x81}}};
  ASSERT_EQ(quoted({3524, {0x17, 0x0b, 0x2c}}), (std::vector<uint8_t>{23, 11, 44}));
  std::vector<uint8_t> d = quoted(date);
  ASSERT_EQ(LittleEndian({d[0], d[1]}), 2014u);
  ASSERT_EQ(d[2], 8);
  ASSERT_EQ(d[3], 29);

  jpstest::HostRun run = jpstest::ConvertFresh(file);
  std::vector<jpstest::KelGroup> groups = jpstest::ReadKelGroups(run.kel);
  ASSERT_FALSE(groups.empty());
  const jpstest::KelGroup& first = groups[0];

  // The epoch record.
  double tow = 5 * 86400.0 + LittleEndian(quoted(time)) / 1000.0;
  EXPECT_EQ(tow, 504142.0);
  EXPECT_EQ(+first.epoch.receiverTime, tow);
  double offset = F8(quoted(clockOffset));
  EXPECT_DOUBLE_EQ(first.epoch.clockOffset, offset * kC);
  EXPECT_DOUBLE_EQ(first.epoch.correctedTime, tow - offset);
  EXPECT_DOUBLE_EQ(first.epoch.clockDrift, F4(quoted(clockDrift)) * kC);
  std::vector<uint8_t> pv = quoted(position);
  double lat, lon, h;
  Geodetic(F8({pv.begin(), pv.begin() + 8}), F8({pv.begin() + 8, pv.begin() + 16}),
           F8({pv.begin() + 16, pv.end()}), &lat, &lon, &h);
  EXPECT_NEAR(first.epoch.latitude, lat, 1e-8);   // about a millimetre
  EXPECT_NEAR(first.epoch.longitude, lon, 1e-8);
  EXPECT_NEAR(first.epoch.height, h, 1e-3);
  EXPECT_EQ(+first.epoch.epochFlags, 1);   // a position, static
  EXPECT_EQ(+first.epoch.measurementCount, 23);

  for (const Entries& e : {gps, glonass}) {
    SCOPED_TRACE(e.sv);
    // Carriers: GPS L1 and L2, or channel k's 1602 + k x 0.5625 and
    // 1246 + k x 0.4375 MHz.
    int k = e.sv - 45;
    double f1 = e.sv <= 32 ? 1575420000.0 : 1602000000.0 + k * 562500.0;
    double f2 = e.sv <= 32 ? 1227600000.0 : 1246000000.0 + k * 437500.0;
    // [rc]: C/A range = count x 1e-11 + 0.075 s; [2r]: L2 range = count x
    // 1e-11 + 2e-7 s + C/A range; [cp]/[2p]: phase = f x (count / 2^40 + C/A
    // range) cycles, written with the other sign; [DC]: Doppler in 1e-4 Hz,
    // also with the other sign.
    double ca = Signed(quoted(e.rc)) * 1e-11 + 0.075;
    const jps::KelMeasurement* m = nullptr;
    for (const auto& r : first.m) {
      if (r.satellite == e.sv) m = &r;
    }
    ASSERT_NE(m, nullptr);
    EXPECT_DOUBLE_EQ(m->l1Code, ca * kC);
    EXPECT_DOUBLE_EQ(m->l1Phase, -(f1 * (Signed(quoted(e.cp)) / kTwoTo40 + ca)));
    EXPECT_DOUBLE_EQ(m->l2Code, (Signed(quoted(e.r2)) * 1e-11 + 2e-7 + ca) * kC);
    EXPECT_DOUBLE_EQ(m->l2Phase, -(f2 * (Signed(quoted(e.p2)) / kTwoTo40 + ca)));
    EXPECT_DOUBLE_EQ(m->doppler, -(Signed(quoted(e.dc)) * 1e-4));
    // [TC] lock times above 255 s are written as 255; [FC] 0x8153 has the
    // status (0x40) and code-and-phase-good (0x10) bits and no slip (0x20).
    EXPECT_GT(LittleEndian(quoted(e.tc)), 255u);
    EXPECT_EQ(LittleEndian(quoted(e.fc)) & 0x70, 0x50u);
    EXPECT_EQ(+m->lockCount, 255);
  }
  // The same arithmetic done separately, to the millimetre.
  EXPECT_NEAR(first.m[0].l1Code, 22207324.645, 1e-3);
  EXPECT_NEAR(first.m[2].l2Phase, -87624177.274, 1e-3);
}
