#include "tools/jpsconv/satellite_names.h"

#include <cstdio>

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

}  // namespace jpsconv
