// Three-component vectors for positions and velocities (metres, ECEF).
#pragma once

#include <cmath>

#include "support/portable_math.h"

namespace jpssim {

struct Vec3 {
  double x = 0, y = 0, z = 0;
};

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(double k, Vec3 a) { return {k * a.x, k * a.y, k * a.z}; }
inline double Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline double Norm(Vec3 a) { return std::sqrt(Dot(a, a)); }

// Rotation about the z axis by angle (the frame turns, the vector stays).
inline Vec3 RotateZ(Vec3 a, double angle) {
  double c = std::cos(angle), s = std::sin(angle);
  return {c * a.x + s * a.y, -s * a.x + c * a.y, a.z};
}

using jps::kPi;
constexpr double kDegree = kPi / 180.0;
constexpr double kLightSpeed = 299792458.0;
constexpr double kEarthRotationRate = 7.2921151467e-5;  // rad/s, WGS-84

}  // namespace jpssim
