// Reads the station lines of a STA station-mark file back:
//
//   STA: * 291617.75 * PT1 * 1.532 * Fence_corner * ROVER_ANT *
//
// time of week, name, antenna height (m), description and antenna text,
// separated by " * "; an empty field stands as nothing between its
// separators. The other lines of the file (the "Mark File:" heading, mode
// changes, cancelled sites, camera pulses) are passed over.
#pragma once

#include <string>
#include <vector>

namespace jps {

// The antenna texts that the converter writes in place of the antenna's own:
// a height measured on the slant, and a feature that is not a site.
constexpr const char* kStaSlantAntennaText = "SlantMeas";
constexpr const char* kStaEntityAntennaText = "ENTITY";

struct StationRecord {
  double time = 0;  // seconds of the GPS week
  std::string name;
  double antennaHeight = 0;  // m
  std::string description;
  std::string antenna;
};

// True when the line is a station line; its fields go into *out. A line that
// begins like one but whose time or height is not a number is not one.
bool ParseStationLine(const char* line, StationRecord* out);

// The station lines of the file in file order. false when it cannot be opened.
bool ReadStationLines(const char* path, std::vector<StationRecord>* out);

}  // namespace jps
