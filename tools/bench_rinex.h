// The bench's RINEX pass: on a simulated day of 1-s data, the conversion
// with the RINEX files written in the same pass against the conversion
// alone, and the speed at which the RINEX text is formatted and written.
#pragma once

#include <string>

namespace jpsbench {

// Writes the simulated day into path unless a file is there already.
bool WriteSimulatedDay(const std::string& path, std::string* why);

// Runs the passes over input (the outputs go to dir), best of runs; prints
// them. False when a conversion failed.
bool RinexPasses(const std::string& input, const std::string& dir, int runs);

}  // namespace jpsbench
