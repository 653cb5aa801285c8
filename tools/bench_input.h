// Large inputs for the speed and memory checks: a simulated receiver session
// written straight to a file, epoch by epoch, until it reaches a size.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace jpsbench {

// Writes a simulated session (GREIS messages, or rM records when rm is set)
// of at least megabytes MB into path. False with the reason in *why.
bool WriteSimulatedInput(const std::string& path, double megabytes, bool rm, std::string* why);

// Reads a whole file into *data.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* data);

}  // namespace jpsbench
