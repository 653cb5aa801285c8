#include "tools/jpsconv/satellite_names.h"

#include <cstdio>

#include "tools/jpsconv/rinex_glonass.h"

namespace jpsconv {
namespace {

// The slots that two digits name: beyond R24, the slots the stream gives
// satellites in trials (its RINEX names them so too).
constexpr int kLastNamedSlot = 99;

}  // namespace

int OtherSystemNumber(jps::GnssSystem system, int number) {
  return kOtherSystemNumbers * (static_cast<int>(system) + 1) + number;
}

std::string SatelliteName(int number) {
  char text[16];
  int system = number / kOtherSystemNumbers - 1;
  if (system >= 0 && system < jps::kGnssSystemCount) {
    std::snprintf(text, sizeof text, "%c%02d",
                  jps::RinexSystemLetter(static_cast<jps::GnssSystem>(system)),
                  number % kOtherSystemNumbers);
  } else if (jps::IsGpsNumber(number)) {
    std::snprintf(text, sizeof text, "G%02d", number);
  } else if (jps::IsGlonassNumber(number)) {
    std::snprintf(text, sizeof text, "R%+d", jps::GlonassChannel(number));
  } else {
    std::snprintf(text, sizeof text, "?%d", number);
  }
  return text;
}

std::string SatelliteName(int number, int slot) {
  if (!jps::IsGlonassNumber(number) || slot < kFirstGlonassSlot || slot > kLastNamedSlot) {
    return SatelliteName(number);
  }
  char text[16];
  std::snprintf(text, sizeof text, "R%02d", slot);
  return text;
}

}  // namespace jpsconv
