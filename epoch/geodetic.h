// Earth-centred, Earth-fixed coordinates to WGS-84 geodetic ones, and back.
#pragma once

namespace jps {

struct GeodeticPosition {
  double latitude;    // radians
  double longitude;   // radians
  double height;      // metres above the ellipsoid
};

// Closed form without iteration (Bowring); x, y, z in metres.
GeodeticPosition EcefToGeodetic(double x, double y, double z);

struct EcefPosition {
  double x, y, z;  // metres
};

// Geodetic to ECEF with WGS-84's own e^2 (not the host's rounded one), as
// RINEX readers and the simulated sky use it; latitude and longitude in
// radians. For the tools: the C library's sin and cos, not the portable ones
// whose bits the KEL file holds.
EcefPosition GeodeticToEcef(double latitude, double longitude, double height);

}  // namespace jps
