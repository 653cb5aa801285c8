// The EPP file's ephemeris blocks, written from the GREIS ephemeris messages.
#include "ephemeris/epp_writers.h"

#include "support/portable_math.h"
#include "support/satellite_numbers.h"

namespace jps {
namespace {

constexpr unsigned kMaxEphemerisPrn = 33;
// The GLONASS health bits that keep a block out: Bn, and the receiver's doubts
// about tau/gamma and about the orbit.
constexpr uint8_t kGlonassHealthMask = glonass_ephemeris::kHealthUnhealthy |
                                       glonass_ephemeris::kHealthTauGamma |
                                       glonass_ephemeris::kHealthOrbit;

constexpr const char* kGpsEphLine1 = "GpsEph { Prn: %d\n\tEl1: %d %ld %.8e %ld %ld\n";
constexpr const char* kGpsEphLine2 = "\tEl2: %.8e %.8e %.8e\n";
constexpr const char* kGpsEphLine3 = "\tEl3: %ld %.8e %.8e %.14le\n";
constexpr const char* kGpsEphLine4 = "\tEl4: %.8e %.14le %.8e %.14le\n";
constexpr const char* kGpsEphLine5 = "\tEl5: %ld %.8e %.14le %.8e\n";
constexpr const char* kGpsEphLine6 = "\tEl6: %.14le %.8e %.14le %.8e %.8e\n}\n";
constexpr const char* kGlnEphBlock =
    "GlnEph { Prn: %d %d\n\tTkb: %ld %ld\n\tLte: %.9le %.9le %d\n\tPos: %.4lf %.4lf %.4lf\n"
    "\tVel: %.8le %.8le %.8le\n\tAcc: %.8le %.8le %.8le\n\tFlg: %d %d\n\tAsh: %d %.15le %d %d\n}\n";

// Semicircles to radians.
double Radians(double semicircles) { return semicircles * kPi; }
// The same for a single-precision rate: the product is kept in single precision.
double RadiansF4(double semicircles) { return static_cast<float>(semicircles * kPi); }


}  // namespace

int WriteGpsEph(const GpsEphemerisView& e, TextStream& stream, ConversionContext& context) {
  unsigned prn = static_cast<unsigned>(e.prn());
  if (prn > kMaxEphemerisPrn) {
    context.Report("PRN: %d not Possible in Ephemeris", static_cast<int>(prn));
    return -1;
  }
  if (e.alert()) {
    context.Report("PRN: %d Health Bad in Ephemeris", static_cast<int>(prn));
    return -1;
  }
  double deltaN = RadiansF4(e.deltaN());
  double m0 = Radians(e.m0());
  double omega0 = Radians(e.omega0());
  double i0 = Radians(e.i0());
  double argumentOfPerigee = Radians(e.argumentOfPerigee());
  double omegaDot = RadiansF4(e.omegaDot());
  double iDot = RadiansF4(e.iDot());

  // %ld takes a 32-bit long on the host's platform: the time of week is
  // passed as the signed 32-bit value it shows there, on every platform.
  stream.Printf(kGpsEphLine1, static_cast<int>(prn), e.week(),
                static_cast<long>(static_cast<int32_t>(e.timeOfWeek())),
                static_cast<double>(e.tgd()), static_cast<long>(e.iodc()),
                static_cast<long>(e.toc()));
  stream.Printf(kGpsEphLine2, static_cast<double>(e.af2()), static_cast<double>(e.af1()),
                static_cast<double>(e.af0()));
  stream.Printf(kGpsEphLine3, static_cast<long>(e.iode()), static_cast<double>(e.crs()), deltaN,
                m0);
  stream.Printf(kGpsEphLine4, static_cast<double>(e.cuc()), e.eccentricity(),
                static_cast<double>(e.cus()), e.sqrtA());
  stream.Printf(kGpsEphLine5, static_cast<long>(e.toe()), static_cast<double>(e.cic()), omega0,
                static_cast<double>(e.cis()));
  stream.Printf(kGpsEphLine6, i0, static_cast<double>(e.crc()), argumentOfPerigee, omegaDot, iDot);
  return 0;
}

int WriteGlnEph(const GlonassEphemerisView& e, TextStream& stream, ConversionContext& context) {
  if (context.switches.gpsOnly) return 0;
  int channel = e.channel();
  // The table holds satellite numbers 0 to 70, so channels -45 to +25.
  int sv = GlonassNumber(channel);
  if (sv < 0 || sv > kLastGlonassNumber) {
    context.Report("GLONASS frequency channel %d out of range", channel);
    return 0;
  }
  int health = e.health();
  if ((health & kGlonassHealthMask) != 0) {
    context.Report("Glonass Ephmeris on PRN %d unhealthy: Health: %d", sv, health);
    return 0;
  }
  stream.Printf(kGlnEphBlock, sv, 0, static_cast<long>(e.tk()), static_cast<long>(e.tb()),
                static_cast<double>(e.gamma()), -static_cast<double>(e.tau()), e.age(),
                e.position(0), e.position(1), e.position(2), static_cast<double>(e.velocity(0)),
                static_cast<double>(e.velocity(1)), static_cast<double>(e.velocity(2)),
                static_cast<double>(e.acceleration(0)), static_cast<double>(e.acceleration(1)),
                static_cast<double>(e.acceleration(2)), e.flags(), health & kGlonassHealthMask,
                e.dayNumber(), e.tauSystem(), channel, e.slot());
  return 0;
}

void WriteGpsIon(TextStream& stream, int leapSeconds) {
  stream.Printf("GpsIon { Utc: %d\n}\n", leapSeconds);
}

}  // namespace jps
