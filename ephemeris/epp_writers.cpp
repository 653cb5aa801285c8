// The EPP file's ephemeris blocks, written from the stored GREIS ephemeris
// records, and the GLONASS carrier-frequency table.
#include "ephemeris/epp_writers.h"

#include "context/conversion_context.h"
#include "support/little_endian.h"
#include "support/portable_math.h"
#include "support/satellite_numbers.h"

namespace jps {
namespace {

// GPS ephemeris record ([GE] body).
namespace ge {
constexpr int kPrn = 0;
constexpr int kTimeOfWeek = 1;
constexpr int kFlags = 5;
constexpr int kIodc = 6;
constexpr int kToc = 8;
constexpr int kWeek = 14;
constexpr int kTgd = 16;
constexpr int kAf2 = 20;
constexpr int kAf1 = 24;
constexpr int kAf0 = 28;
constexpr int kToe = 32;
constexpr int kIode = 36;
constexpr int kSqrtA = 38;
constexpr int kEccentricity = 46;
constexpr int kM0 = 54;
constexpr int kOmega0 = 62;
constexpr int kI0 = 70;
constexpr int kArgumentOfPerigee = 78;
constexpr int kDeltaN = 86;
constexpr int kOmegaDot = 90;
constexpr int kIDot = 94;
constexpr int kCrc = 98;
constexpr int kCrs = 102;
constexpr int kCuc = 106;
constexpr int kCus = 110;
constexpr int kCic = 114;
constexpr int kCis = 118;
}  // namespace ge

// GLONASS ephemeris record ([NE] body).
namespace ne {
constexpr int kSlot = 0;
constexpr int kChannel = 1;
constexpr int kDayNumber = 2;
constexpr int kTk = 4;
constexpr int kTb = 8;
constexpr int kHealth = 12;
constexpr int kAge = 13;
constexpr int kFlags = 14;
constexpr int kPosition = 15;       // 3 x f8
constexpr int kVelocity = 39;       // 3 x f4
constexpr int kAcceleration = 51;   // 3 x f4
constexpr int kTauSystem = 63;
constexpr int kTau = 71;
constexpr int kGamma = 75;
}  // namespace ne

constexpr unsigned kMaxEphemerisPrn = 33;
constexpr uint8_t kGpsHealthBadFlag = 0x20;   // flags bit 5
constexpr uint8_t kGlonassHealthMask = 0x07;  // health bits 0 to 2

constexpr const char* kGpsEphLine1 = "GpsEph { Prn: %d\n\tEl1: %d %ld %.8e %ld %ld\n";
constexpr const char* kGpsEphLine2 = "\tEl2: %.8e %.8e %.8e\n";
constexpr const char* kGpsEphLine3 = "\tEl3: %ld %.8e %.8e %.14le\n";
constexpr const char* kGpsEphLine4 = "\tEl4: %.8e %.14le %.8e %.14le\n";
constexpr const char* kGpsEphLine5 = "\tEl5: %ld %.8e %.14le %.8e\n";
constexpr const char* kGpsEphLine6 = "\tEl6: %.14le %.8e %.14le %.8e %.8e\n}\n";
constexpr const char* kGlnEphBlock =
    "GlnEph { Prn: %d %d\n\tTkb: %ld %ld\n\tLte: %.9le %.9le %d\n\tPos: %.4lf %.4lf %.4lf\n"
    "\tVel: %.8le %.8le %.8le\n\tAcc: %.8le %.8le %.8le\n\tFlg: %d %d\n\tAsh: %d %.15le %d %d\n}\n";

// A single-precision field as double.
double F4(const uint8_t* record, int offset) { return LoadF32(record + offset); }
double F8(const uint8_t* record, int offset) { return LoadF64(record + offset); }
// Semicircles to radians.
double Radians(double semicircles) { return semicircles * kPi; }
// The same for a single-precision rate: the product is kept in single precision.
double RadiansF4(double semicircles) { return static_cast<float>(semicircles * kPi); }


}  // namespace

int WriteGpsEph(DecoderState& state, TextStream& stream) {
  const uint8_t* r = state.GpsEphemerisRecord;
  unsigned prn = r[ge::kPrn];
  if (prn > kMaxEphemerisPrn) {
    state.Context->Report("PRN: %d not Possible in Ephemeris", static_cast<int>(prn));
    return -1;
  }
  if ((r[ge::kFlags] & kGpsHealthBadFlag) != 0) {
    state.Context->Report("PRN: %d Health Bad in Ephemeris", static_cast<int>(prn));
    return -1;
  }
  double deltaN = RadiansF4(F4(r, ge::kDeltaN));
  double m0 = Radians(F8(r, ge::kM0));
  double omega0 = Radians(F8(r, ge::kOmega0));
  double i0 = Radians(F8(r, ge::kI0));
  double argumentOfPerigee = Radians(F8(r, ge::kArgumentOfPerigee));
  double omegaDot = RadiansF4(F4(r, ge::kOmegaDot));
  double iDot = RadiansF4(F4(r, ge::kIDot));

  // %ld takes a 32-bit long on the host's platform: the time of week is
  // passed as the signed 32-bit value it shows there, on every platform.
  stream.Printf(kGpsEphLine1, static_cast<int>(prn), static_cast<int>(LoadI16(r + ge::kWeek)),
                static_cast<long>(LoadI32(r + ge::kTimeOfWeek)), F4(r, ge::kTgd),
                static_cast<long>(LoadI16(r + ge::kIodc)), static_cast<long>(LoadI32(r + ge::kToc)));
  stream.Printf(kGpsEphLine2, F4(r, ge::kAf2), F4(r, ge::kAf1), F4(r, ge::kAf0));
  stream.Printf(kGpsEphLine3, static_cast<long>(LoadI16(r + ge::kIode)), F4(r, ge::kCrs), deltaN, m0);
  stream.Printf(kGpsEphLine4, F4(r, ge::kCuc), F8(r, ge::kEccentricity), F4(r, ge::kCus),
                F8(r, ge::kSqrtA));
  stream.Printf(kGpsEphLine5, static_cast<long>(LoadI32(r + ge::kToe)), F4(r, ge::kCic), omega0,
                F4(r, ge::kCis));
  stream.Printf(kGpsEphLine6, i0, F4(r, ge::kCrc), argumentOfPerigee, omegaDot, iDot);
  return 0;
}

int WriteGlnEph(DecoderState& state, TextStream& stream) {
  if (state.Context->switches.gpsOnly) return 0;
  const uint8_t* r = state.GlnEphemerisRecord;
  int channel = LoadI8(r + ne::kChannel);
  // The table holds satellite numbers 0 to 70, so channels -45 to +25.
  int sv = GlonassNumber(channel);
  if (sv < 0 || sv >= kGlonassTableSize) {
    state.Context->Report("GLONASS frequency channel %d out of range", channel);
    return 0;
  }
  // Stored before the health test: an unhealthy satellite's phases still need
  // them. The channels of satellite numbers 38 to 70 hold these values from
  // the start of the conversion already.
  state.GlonassFrequencies[sv][0] = GlonassL1Frequency(channel);
  state.GlonassFrequencies[sv][1] = GlonassL2Frequency(channel);

  int health = r[ne::kHealth];
  if ((health & kGlonassHealthMask) != 0) {
    state.Context->Report("Glonass Ephmeris on PRN %d unhealthy: Health: %d", sv, health);
    return 0;
  }
  const uint8_t* position = r + ne::kPosition;
  const uint8_t* velocity = r + ne::kVelocity;
  const uint8_t* acceleration = r + ne::kAcceleration;
  stream.Printf(kGlnEphBlock, sv, 0, static_cast<long>(LoadI32(r + ne::kTk)),
                static_cast<long>(LoadI32(r + ne::kTb)), F4(r, ne::kGamma), -F4(r, ne::kTau),
                static_cast<int>(r[ne::kAge]), LoadF64(position), LoadF64(position + 8),
                LoadF64(position + 16), F4(velocity, 0), F4(velocity, 4), F4(velocity, 8),
                F4(acceleration, 0), F4(acceleration, 4), F4(acceleration, 8),
                static_cast<int>(r[ne::kFlags]), health & kGlonassHealthMask,
                static_cast<int>(LoadI16(r + ne::kDayNumber)), F8(r, ne::kTauSystem), channel,
                static_cast<int>(r[ne::kSlot]));
  return 0;
}

void WriteGpsIon(TextStream& stream, int leapSeconds) {
  stream.Printf("GpsIon { Utc: %d\n}\n", leapSeconds);
}

}  // namespace jps
