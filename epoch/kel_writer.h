// Writer of the KEL raw observation file: creates the file with its header
// and appends epoch groups to it (the handle and its closing: support/kel_file.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "support/failure_text.h"
#include "support/kel_file.h"
#include "support/kel_records.h"

namespace jps {

constexpr uint8_t kGreisReceiverType = 22;   // the receiver-type code of a GREIS receiver
constexpr float kKelFormatVersion = 1.01f;

// Creates the file and writes its header. Null on failure, the reason in
// *failure (errno tells the system's). The header and the texts name
// recordedPath when it is given: the file's final name, when path is a
// temporary one.
KelWriter* CreateKelFile(const char* path, uint8_t receiverType, float epochInterval,
                         uint16_t bufferSize, uint8_t channelCount, FailureText* failure,
                         const char* recordedPath = nullptr);
// Appends one epoch group. 0 on success, 1 on failure (the reason in *failure).
// Sets the recordSize fields of the epoch and its first measurementCount records.
int WriteKelEpoch(KelWriter* writer, KelEpoch* epoch, KelMeasurement* measurements,
                  FailureText* failure);

}  // namespace jps
