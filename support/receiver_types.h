// Display names of the receiver-type codes of the KEL header.
#pragma once

#include <cstdint>

namespace jps {

// Longest name, "Position Correction", and its terminator.
constexpr int kReceiverTypeNameSize = 20;

// The name of a code, copied into one static buffer that the next call
// overwrites. Codes without a name (0, 30, 36 and up) give "UNKNOWN"; a
// negative code passed as a signed value arrives as a large code.
const char* ReceiverTypeName(uint32_t code);

}  // namespace jps
