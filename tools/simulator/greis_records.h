// The fixed-layout GREIS messages of the session: position and velocity,
// receiver clock, GPS-UTC parameters, the two ephemerides, the operator's
// event texts and the event-input marks.
#pragma once

#include <cstdint>
#include <string>

#include "tools/builder/message_builder.h"
#include "tools/simulator/glonass_orbit.h"
#include "tools/simulator/gps_orbit.h"
#include "tools/simulator/receiver_model.h"

namespace jpssim {

jpsbuild::Bytes PositionVelocity(const ReceiverEpoch& epoch);                              // [PV]
jpsbuild::Bytes ReceiverClockOffset(double seconds);                                       // [TO]
jpsbuild::Bytes ReceiverClockDrift(double secondsPerSecond);                               // [DO]
jpsbuild::Bytes GpsUtcParameters(int week, double secondsOfWeek);                          // [UO]
jpsbuild::Bytes GpsEphemerisMessage(const GpsEphemeris& e, double transmitSecondsOfWeek);  // [GE]
jpsbuild::Bytes GlonassEphemerisMessage(const GlonassEphemeris& e);                        // [NE]
jpsbuild::Bytes EventText(uint32_t msOfDay, const std::string& text);                      // [==]
jpsbuild::Bytes EventMark(uint32_t msOfDay, int32_t nanoseconds);                          // [XA]

}  // namespace jpssim
