// The loop that runs one conversion from the JPS file to the KEL, EPP and STA files.
#pragma once

#include <cstdint>

#include "plugin/host_records.h"

namespace jps {

// Path buffers hold a 255-character path and a new four-character extension.
constexpr size_t kDerivedPathSize = kPathSize + 8;

// 0 when the input was converted to its end or the user aborted; -1 when a
// file could not be opened or created, or an output could not be written.
int32_t ConversionDriver(const char* jpsPath, const char* kelPath, const char* eppPath,
                         const ConversionOptions& options);

}  // namespace jps
