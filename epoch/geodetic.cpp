#include "epoch/geodetic.h"

#include <cmath>

#include "support/portable_math.h"

namespace jps {
namespace {

// WGS-84, with the constants the host's own tools use.
constexpr double kSemiMajorAxis = 6378137.0;         // a, metres
constexpr double kFlattening = 0.003352810703;       // f
constexpr double kEccentricitySquared = 0.006694380066;  // e^2

// WGS-84's e^2 as its definition gives it (from a and 1/f = 298.257223563).
constexpr double kDefiningEccentricitySquared = 6.69437999014e-3;

}  // namespace

// sin, cos and atan2 come from support/portable_math.h, so that the position
// written to the KEL file has the same bits on every platform.
GeodeticPosition EcefToGeodetic(double x, double y, double z) {
  const double a = kSemiMajorAxis;
  const double e2 = kEccentricitySquared;
  const double oneMinusF = 1.0 - kFlattening;

  double p = std::sqrt(x * x + y * y);
  double r = std::sqrt(p * p + z * z);
  double sinU, cosU;
  PortableAtan2SinCos(z * (oneMinusF + e2 * a / r), p, &sinU, &cosU);
  double sinLat, cosLat;
  double latitude = PortableAtan2SinCos(z * oneMinusF + e2 * a * sinU * sinU * sinU,
                                        oneMinusF * (p - e2 * a * cosU * cosU * cosU), &sinLat,
                                        &cosLat);
  double n = a / std::sqrt(1.0 - e2 * sinLat * sinLat);

  GeodeticPosition g;
  g.latitude = latitude;
  g.longitude = PortableAtan2(y, x);
  g.height = p * cosLat + z * sinLat - a * a / n;
  return g;
}

EcefPosition GeodeticToEcef(double latitude, double longitude, double height) {
  const double e2 = kDefiningEccentricitySquared;
  double sinLat = std::sin(latitude), cosLat = std::cos(latitude);
  double n = kSemiMajorAxis / std::sqrt(1 - e2 * sinLat * sinLat);
  return {(n + height) * cosLat * std::cos(longitude), (n + height) * cosLat * std::sin(longitude),
          (n * (1 - e2) + height) * sinLat};
}

}  // namespace jps
