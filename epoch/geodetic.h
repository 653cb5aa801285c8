// Earth-centred, Earth-fixed coordinates to WGS-84 geodetic ones.
#pragma once

namespace jps {

struct GeodeticPosition {
  double latitude;    // radians
  double longitude;   // radians
  double height;      // metres above the ellipsoid
};

// Closed form without iteration (Bowring); x, y, z in metres.
GeodeticPosition EcefToGeodetic(double x, double y, double z);

}  // namespace jps
