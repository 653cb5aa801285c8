// ECEF to WGS-84 latitude, longitude and height.
#include <gtest/gtest.h>

#include <cmath>

#include "epoch/geodetic.h"

using namespace jps;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kA = 6378137.0;
constexpr double kE2 = 0.006694380066;

// Forward transformation, to place points at known coordinates.
void ToEcef(double latDeg, double lonDeg, double h, double* x, double* y, double* z) {
  double lat = latDeg * kPi / 180.0, lon = lonDeg * kPi / 180.0;
  double n = kA / std::sqrt(1.0 - kE2 * std::sin(lat) * std::sin(lat));
  *x = (n + h) * std::cos(lat) * std::cos(lon);
  *y = (n + h) * std::cos(lat) * std::sin(lon);
  *z = (n * (1.0 - kE2) + h) * std::sin(lat);
}

}  // namespace

TEST(EcefToGeodetic, KnownPoints) {
  struct Point { double lat, lon, h; } points[] = {
      {45.0, 45.0, 0.0}, {-33.8688, 151.2093, 58.0}, {60.1699, -24.9384, 1234.5},
      {0.5, -179.5, -20.0}};
  for (const Point& p : points) {
    double x, y, z;
    ToEcef(p.lat, p.lon, p.h, &x, &y, &z);
    GeodeticPosition g = EcefToGeodetic(x, y, z);
    EXPECT_NEAR(g.latitude * 180.0 / kPi, p.lat, 1e-8) << p.lat;
    EXPECT_NEAR(g.longitude * 180.0 / kPi, p.lon, 1e-12) << p.lat;
    EXPECT_NEAR(g.height, p.h, 1e-3) << p.lat;
  }
  // On the equator at the prime meridian, 100 m up.
  GeodeticPosition g = EcefToGeodetic(6378237.0, 0.0, 0.0);
  EXPECT_EQ(g.latitude, 0.0);
  EXPECT_EQ(g.longitude, 0.0);
  EXPECT_NEAR(g.height, 100.0, 1e-9);
}
