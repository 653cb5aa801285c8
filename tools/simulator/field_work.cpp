#include "tools/simulator/field_work.h"

#include <algorithm>
#include <cmath>

namespace jpssim {
namespace {

struct Step {
  double fraction;  // of the session
  const char* text;
};

const Step kSteps[] = {
    {0.05, "_ANT=SURVEY ANT-1"}, {0.06, "_ANH=1.532"},  {0.10, "_SIT=PT1"},
    {0.12, "_DSC=Fence corner"},     {0.30, "_SAV=PT1"},    {0.40, "_DYM=DYNAMIC"},
    {0.60, "_DYM=STATIC"},           {0.65, "_ANH=1.745s"}, {0.70, "_SIT=PT2"},
    {0.72, "_DSC=Gate post"},        {0.90, "_SAV=PT2"},
};
constexpr int kSitesSaved = 2;
constexpr int kModeChanges = 2;
constexpr double kWalkStart = 0.40, kWalkEnd = 0.60;
constexpr double kWalkSpeed = 0.8;         // m/s on average
constexpr double kLongestWalk = 500.0;     // m
constexpr double kWalkHeading = 40.0;      // degrees from north
constexpr double kPulseSpacing = 20.0;     // s between camera pulses
constexpr double kPulseJitter = 0.000137;  // s

int EpochAt(double fraction, int epochs) {
  return static_cast<int>(std::lround(fraction * (epochs - 1)));
}

}  // namespace

FieldWork PlanFieldWork(int epochs, double interval) {
  FieldWork work;
  if (epochs < kMinEpochsForFieldWork) return work;
  for (const Step& s : kSteps) work.texts.push_back({EpochAt(s.fraction, epochs), s.text});
  work.sitesSaved = kSitesSaved;
  work.modeChanges = kModeChanges;

  work.walk.start = EpochAt(kWalkStart, epochs) * interval;
  work.walk.end = EpochAt(kWalkEnd, epochs) * interval;
  double duration = work.walk.end - work.walk.start;
  work.walk.length = std::min(kWalkSpeed * duration, kLongestWalk);
  work.walk.heading = kWalkHeading;

  int count = std::max(1, static_cast<int>(std::lround(duration / kPulseSpacing)));
  for (int j = 0; j < count; ++j) {
    // The shutter fires at no particular millisecond.
    double time = work.walk.start + (j + 0.5) * duration / count + kPulseJitter * (j + 1);
    int epoch = static_cast<int>(std::ceil(time / interval - 1e-9));
    work.pulses.push_back({epoch, time});
  }
  return work;
}

}  // namespace jpssim
