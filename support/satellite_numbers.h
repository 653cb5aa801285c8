// Satellite numbers of the KEL and EPP files: GPS satellites by PRN, GLONASS
// satellites by frequency channel, 45 plus the channel number.
#pragma once

namespace jps {

constexpr int kFirstGpsNumber = 1;
constexpr int kLastGpsNumber = 32;
constexpr int kGlonassNumberBase = 45;   // number = 45 + frequency channel
constexpr int kFirstGlonassNumber = 38;  // channel -7
constexpr int kLastGlonassNumber = 70;   // channel +25, the last the frequency table holds

inline bool IsGpsNumber(int number) {
  return number >= kFirstGpsNumber && number <= kLastGpsNumber;
}
inline bool IsGlonassNumber(int number) {
  return number >= kFirstGlonassNumber && number <= kLastGlonassNumber;
}

}  // namespace jps
