#include "epoch/geodetic.h"

#include <cmath>

namespace jps {
namespace {

// WGS-84, with the constants the host's own tools use.
constexpr double kSemiMajorAxis = 6378137.0;         // a, metres
constexpr double kFlattening = 0.003352810703;       // f
constexpr double kEccentricitySquared = 0.006694380066;  // e^2

}  // namespace

GeodeticPosition EcefToGeodetic(double x, double y, double z) {
  const double a = kSemiMajorAxis;
  const double e2 = kEccentricitySquared;
  const double oneMinusF = 1.0 - kFlattening;

  double p = std::sqrt(x * x + y * y);
  double r = std::sqrt(p * p + z * z);
  double u = std::atan2(z * (oneMinusF + e2 * a / r), p);
  double sinU = std::sin(u);
  double cosU = std::cos(u);
  double latitude = std::atan2(z * oneMinusF + e2 * a * sinU * sinU * sinU,
                               oneMinusF * (p - e2 * a * cosU * cosU * cosU));
  double sinLat = std::sin(latitude);
  double n = a / std::sqrt(1.0 - e2 * sinLat * sinLat);

  GeodeticPosition g;
  g.latitude = latitude;
  g.longitude = std::atan2(y, x);
  g.height = p * std::cos(latitude) + z * sinLat - a * a / n;
  return g;
}

}  // namespace jps
