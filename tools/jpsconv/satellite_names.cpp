#include "tools/jpsconv/satellite_names.h"

#include <cstdio>

#include "tools/jpsconv/rinex_glonass.h"

namespace jpsconv {

std::string SatelliteName(int number) {
  char text[16];
  if (jps::IsGpsNumber(number)) {
    std::snprintf(text, sizeof text, "G%02d", number);
  } else if (jps::IsGlonassNumber(number)) {
    std::snprintf(text, sizeof text, "R%+d", jps::GlonassChannel(number));
  } else {
    std::snprintf(text, sizeof text, "?%d", number);
  }
  return text;
}

std::string SatelliteName(int number, int slot) {
  if (!jps::IsGlonassNumber(number) || slot < kFirstGlonassSlot || slot > kLastGlonassSlot) {
    return SatelliteName(number);
  }
  char text[16];
  std::snprintf(text, sizeof text, "R%02d", slot);
  return text;
}

}  // namespace jpsconv
