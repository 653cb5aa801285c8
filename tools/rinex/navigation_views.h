// Navigation records from the receiver's ephemeris messages (the typed views
// of greis/ephemeris_views.h). A message tells its times in seconds of a
// week or of a day; the full GPS time near which it was received places
// them. Angles go from the receiver's semicircles to RINEX's radians.
#pragma once

#include <cstdint>

#include "greis/ephemeris_views.h"
#include "tools/rinex/navigation_records.h"

namespace jpsrinex {

// [GE] (system 'G') and [QE] ('J'): every field RINEX 3.04 has.
bool GpsRecordFromView(const jps::GpsEphemerisView& v, char system, double receivedGps,
                       GpsNavRecord* out);
// [EN]
bool GalileoRecordFromView(const jps::GpsEphemerisView& v, double receivedGps,
                           GalileoNavRecord* out);
// [CN]: BDT weeks and seconds as the satellite sends them.
bool BeidouRecordFromView(const jps::GpsEphemerisView& v, double receivedGps, BeidouNavRecord* out);
// [NE]: receivedUtc is the UTC time (seconds since 1980-01-06) near which it arrived.
bool GlonassRecordFromView(const jps::GlonassEphemerisView& v, int64_t receivedUtc,
                           GlonassNavRecord* out);
// [WE]
bool SbasRecordFromView(const jps::SbasEphemerisView& v, double receivedGps, SbasNavRecord* out);

// Galileo's signal-in-space accuracy index in metres (the index 255, "no
// accuracy prediction", and unused ones: -1).
double SisaMetres(int index);

}  // namespace jpsrinex
