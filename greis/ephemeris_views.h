// Typed views of the broadcast ephemeris messages: [GE] GPS, [QE] QZSS,
// [EN] Galileo and [CN] BeiDou share one GPS-style block; [NE] GLONASS and
// [WE] SBAS have their own. Angles are in semicircles as the receiver sends
// them; the views do no unit conversion.
#pragma once

#include <cstdint>

#include "greis/record_views.h"

namespace jps {

// The ephemeris messages of the systems beyond GPS ([GE]) and GLONASS ([NE]):
// QZSS, Galileo, BeiDou and SBAS.
inline constexpr char kOtherEphemerisIds[][3] = {"QE", "EN", "CN", "WE"};

// The GPS-style block shared by [GE] [QE] [EN] [CN].
namespace gps_ephemeris {
constexpr int kPrn = 0;              // u1 (QZSS 193-197)
constexpr int kTimeOfWeek = 1;       // u4, s: time of the message
constexpr int kFlags = 5;            // u1, bits below
constexpr int kIodc = 6;             // i2
constexpr int kToc = 8;              // i4, s
constexpr int kUraIndex = 12;        // i1
constexpr int kHealth = 13;          // u1, the 6 health bits of subframe 1
constexpr int kWeek = 14;            // i2
constexpr int kTgd = 16;             // f4, s
constexpr int kAf2 = 20;             // f4, s/s^2
constexpr int kAf1 = 24;             // f4, s/s
constexpr int kAf0 = 28;             // f4, s
constexpr int kToe = 32;             // i4, s
constexpr int kIode = 36;            // i2
constexpr int kSqrtA = 38;           // f8, m^0.5
constexpr int kEccentricity = 46;    // f8
constexpr int kM0 = 54;              // f8, semicircles
constexpr int kOmega0 = 62;          // f8, semicircles
constexpr int kI0 = 70;              // f8, semicircles
constexpr int kArgumentOfPerigee = 78;  // f8, semicircles
constexpr int kDeltaN = 86;          // f4, semicircles/s
constexpr int kOmegaDot = 90;        // f4, semicircles/s
constexpr int kIDot = 94;            // f4, semicircles/s
constexpr int kCrc = 98;             // f4, m
constexpr int kCrs = 102;            // f4, m
constexpr int kCuc = 106;            // f4, rad
constexpr int kCus = 110;            // f4, rad
constexpr int kCic = 114;            // f4, rad
constexpr int kCis = 118;            // f4, rad
constexpr int kBlockSize = 122;      // the block without the checksum

// Flag bits.
constexpr uint8_t kFlagFitInterval = 0x01;  // set: longer than 4 hours
constexpr uint8_t kFlagL2PData = 0x02;
constexpr uint8_t kCodesOnL2Shift = 2;      // bits 2-3
constexpr uint8_t kCodesOnL2Mask = 0x0C;
constexpr uint8_t kFlagAntiSpoofing = 0x10;
constexpr uint8_t kFlagAlert = 0x20;         // also "health bad" in the EPP writer's eyes
constexpr uint8_t kFlagFromMemory = 0x40;

// [GE] and [QE] optional block.
constexpr int kNavType = 122;        // u1
constexpr int kUraIndexes = 143;     // 4 x i1

// [EN] Galileo after the block.
constexpr int kBgdE1E5a = 122;       // f4, s
constexpr int kBgdE1E5b = 126;       // f4, s
constexpr int kAi0 = 130, kAi1 = 134, kAi2 = 138;   // f4
constexpr int kGalileoDisturbance = 142;  // u1
constexpr int kGalileoNavType = 143;      // u1: 0 I/NAV, 1 F/NAV

// [CN] BeiDou after the block.
constexpr int kTgd2 = 122;           // f4, s
constexpr int kBeidouNavType = 126;  // u1
}  // namespace gps_ephemeris

class GpsEphemerisView : public BodyView {
 public:
  using BodyView::BodyView;
  // True when the body holds the whole block.
  bool complete() const { return Holds(0, gps_ephemeris::kBlockSize); }
  int prn() const { return U1(gps_ephemeris::kPrn); }
  uint32_t timeOfWeek() const { return U4(gps_ephemeris::kTimeOfWeek); }
  uint8_t flags() const { return U1(gps_ephemeris::kFlags); }
  int iodc() const { return I2(gps_ephemeris::kIodc); }
  int32_t toc() const { return I4(gps_ephemeris::kToc); }
  int uraIndex() const { return I1(gps_ephemeris::kUraIndex); }
  int health() const { return U1(gps_ephemeris::kHealth); }
  int week() const { return I2(gps_ephemeris::kWeek); }
  float tgd() const { return F4(gps_ephemeris::kTgd); }
  float af2() const { return F4(gps_ephemeris::kAf2); }
  float af1() const { return F4(gps_ephemeris::kAf1); }
  float af0() const { return F4(gps_ephemeris::kAf0); }
  int32_t toe() const { return I4(gps_ephemeris::kToe); }
  int iode() const { return I2(gps_ephemeris::kIode); }
  double sqrtA() const { return F8(gps_ephemeris::kSqrtA); }
  double eccentricity() const { return F8(gps_ephemeris::kEccentricity); }
  double m0() const { return F8(gps_ephemeris::kM0); }
  double omega0() const { return F8(gps_ephemeris::kOmega0); }
  double i0() const { return F8(gps_ephemeris::kI0); }
  double argumentOfPerigee() const { return F8(gps_ephemeris::kArgumentOfPerigee); }
  float deltaN() const { return F4(gps_ephemeris::kDeltaN); }
  float omegaDot() const { return F4(gps_ephemeris::kOmegaDot); }
  float iDot() const { return F4(gps_ephemeris::kIDot); }
  float crc() const { return F4(gps_ephemeris::kCrc); }
  float crs() const { return F4(gps_ephemeris::kCrs); }
  float cuc() const { return F4(gps_ephemeris::kCuc); }
  float cus() const { return F4(gps_ephemeris::kCus); }
  float cic() const { return F4(gps_ephemeris::kCic); }
  float cis() const { return F4(gps_ephemeris::kCis); }

  bool fitIntervalLong() const { return (flags() & gps_ephemeris::kFlagFitInterval) != 0; }
  bool l2PDataFlag() const { return (flags() & gps_ephemeris::kFlagL2PData) != 0; }
  int codesOnL2() const {
    return (flags() & gps_ephemeris::kCodesOnL2Mask) >> gps_ephemeris::kCodesOnL2Shift;
  }
  bool alert() const { return (flags() & gps_ephemeris::kFlagAlert) != 0; }

  // Galileo ([EN]).
  bool hasGalileoFields() const { return Holds(gps_ephemeris::kGalileoNavType, 1); }
  float bgdE1E5a() const { return F4(gps_ephemeris::kBgdE1E5a); }
  float bgdE1E5b() const { return F4(gps_ephemeris::kBgdE1E5b); }
  float ai0() const { return F4(gps_ephemeris::kAi0); }
  float ai1() const { return F4(gps_ephemeris::kAi1); }
  float ai2() const { return F4(gps_ephemeris::kAi2); }
  int galileoDisturbance() const { return U1(gps_ephemeris::kGalileoDisturbance); }
  int galileoNavType() const { return U1(gps_ephemeris::kGalileoNavType); }
  // BeiDou ([CN]).
  bool hasBeidouFields() const { return Holds(gps_ephemeris::kBeidouNavType, 1); }
  float tgd2() const { return F4(gps_ephemeris::kTgd2); }
};

// [NE] GLONASS.
namespace glonass_ephemeris {
constexpr int kSlot = 0;          // u1, orbital slot
constexpr int kChannel = 1;       // i1, frequency channel
constexpr int kDayNumber = 2;     // i2, day in the four-year period (from 1)
constexpr int kTk = 4;            // i4, s of the Moscow day: start of the frame
constexpr int kTb = 8;            // i4, s of the Moscow day: reference time
constexpr int kHealth = 12;       // u1, bits below
constexpr int kAge = 13;          // u1, days (En)
constexpr int kFlags = 14;        // u1
constexpr int kPosition = 15;     // 3 x f8, km
constexpr int kVelocity = 39;     // 3 x f4, km/s
constexpr int kAcceleration = 51; // 3 x f4, km/s^2
constexpr int kTauSystem = 63;    // f8, s
constexpr int kTau = 71;          // f4, s
constexpr int kGamma = 75;        // f4
constexpr int kDeltaTau = 79;     // f4, s
constexpr int kFt = 83;           // u1
constexpr int kN4 = 84;           // u1, four-year period from 1996
constexpr int kExtraFlags = 85;   // u2

// Health bits.
constexpr uint8_t kHealthUnhealthy = 0x01;   // Bn says unhealthy: RINEX's health
constexpr uint8_t kHealthTauGamma = 0x02;
constexpr uint8_t kHealthOrbit = 0x04;
}  // namespace glonass_ephemeris

class GlonassEphemerisView : public BodyView {
 public:
  using BodyView::BodyView;
  bool complete() const { return Holds(0, glonass_ephemeris::kGamma + 4); }
  int slot() const { return U1(glonass_ephemeris::kSlot); }
  int channel() const { return I1(glonass_ephemeris::kChannel); }
  int dayNumber() const { return I2(glonass_ephemeris::kDayNumber); }
  int32_t tk() const { return I4(glonass_ephemeris::kTk); }
  int32_t tb() const { return I4(glonass_ephemeris::kTb); }
  int health() const { return U1(glonass_ephemeris::kHealth); }
  int age() const { return U1(glonass_ephemeris::kAge); }
  int flags() const { return U1(glonass_ephemeris::kFlags); }
  double position(int axis) const { return F8(glonass_ephemeris::kPosition + 8 * axis); }
  float velocity(int axis) const { return F4(glonass_ephemeris::kVelocity + 4 * axis); }
  float acceleration(int axis) const { return F4(glonass_ephemeris::kAcceleration + 4 * axis); }
  double tauSystem() const { return F8(glonass_ephemeris::kTauSystem); }
  float tau() const { return F4(glonass_ephemeris::kTau); }
  float gamma() const { return F4(glonass_ephemeris::kGamma); }
  bool hasN4() const { return Holds(glonass_ephemeris::kN4, 1); }
  int n4() const { return U1(glonass_ephemeris::kN4); }
  bool unhealthy() const { return (health() & glonass_ephemeris::kHealthUnhealthy) != 0; }
};

// [WE] SBAS.
namespace sbas_ephemeris {
constexpr int kPrn = 0;           // u1, 120-142
constexpr int kGpsPrn = 1;        // u1
constexpr int kIod = 2;           // u1
constexpr int kAccuracy = 3;      // u1, URA index
constexpr int kTimeOfDay = 4;     // u4, s: reference time t0
constexpr int kPosition = 8;      // 3 x f8, m
constexpr int kVelocity = 32;     // 3 x f4, m/s
constexpr int kAcceleration = 44; // 3 x f4, m/s^2
constexpr int kAf0 = 56;          // f4, s
constexpr int kAf1 = 60;          // f4, s/s
constexpr int kTimeOfWeek = 64;   // u4, s: time of the message
constexpr int kWeek = 68;         // u2
constexpr int kFlags = 70;        // u2
constexpr int kBlockSize = 72 - 1;
}  // namespace sbas_ephemeris

class SbasEphemerisView : public BodyView {
 public:
  using BodyView::BodyView;
  bool complete() const { return Holds(0, sbas_ephemeris::kBlockSize); }
  int prn() const { return U1(sbas_ephemeris::kPrn); }
  int gpsPrn() const { return U1(sbas_ephemeris::kGpsPrn); }
  int iod() const { return U1(sbas_ephemeris::kIod); }
  int accuracy() const { return U1(sbas_ephemeris::kAccuracy); }
  uint32_t timeOfDay() const { return U4(sbas_ephemeris::kTimeOfDay); }
  double position(int axis) const { return F8(sbas_ephemeris::kPosition + 8 * axis); }
  float velocity(int axis) const { return F4(sbas_ephemeris::kVelocity + 4 * axis); }
  float acceleration(int axis) const { return F4(sbas_ephemeris::kAcceleration + 4 * axis); }
  float af0() const { return F4(sbas_ephemeris::kAf0); }
  float af1() const { return F4(sbas_ephemeris::kAf1); }
  uint32_t timeOfWeek() const { return U4(sbas_ephemeris::kTimeOfWeek); }
  int week() const { return U2(sbas_ephemeris::kWeek); }
  int flags() const { return U2(sbas_ephemeris::kFlags); }
};

}  // namespace jps
