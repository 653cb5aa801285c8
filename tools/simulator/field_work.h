// What the operator does during the session: texts typed into the receiver
// (antenna, antenna height, two sites described and saved, a walk in
// dynamic mode between them) and the camera pulses on event input A while
// walking. Times are placed at fractions of the session.
#pragma once

#include <string>
#include <vector>

#include "tools/simulator/receiver_model.h"

namespace jpssim {

// Sessions shorter than this carry no field work.
constexpr int kMinEpochsForFieldWork = 20;

struct TypedEvent {
  int epoch;         // the epoch whose messages carry it
  std::string text;  // as typed, "_KEY=value"
};

struct CameraPulse {
  int epoch;    // the first epoch at or after the pulse
  double time;  // s since the session start
};

struct FieldWork {
  std::vector<TypedEvent> texts;    // in epoch order
  std::vector<CameraPulse> pulses;  // in time order
  Walk walk;
  int sitesSaved = 0;
  int modeChanges = 0;
};

FieldWork PlanFieldWork(int epochs, double interval);

}  // namespace jpssim
