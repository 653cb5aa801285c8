// Writer of the KEL raw observation file. The handle is the header image with
// the open stream and its buffer beside it; the KEL reader of the support
// library opens the same kind of handle.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "epoch/kel_records.h"

namespace jps {

struct KelWriter {
  KelHeader header;         // the header image; its run-time slots stay zero
  std::FILE* stream;        // the open file
  char* buffer;             // stream buffer (see kKelStreamBufferSize), or null
};

// Stream buffer of a file created with a non-zero buffer size.
constexpr size_t kKelStreamBufferSize = 1 << 16;

constexpr uint8_t kJavadReceiverType = 22;
constexpr float kKelFormatVersion = 1.01f;

// Creates the file and writes its header. Null on failure, text in ErrorText.
KelWriter* CreateKelFile(const char* path, uint8_t receiverType, float epochInterval,
                         uint16_t bufferSize, uint8_t channelCount);
// Appends one epoch group. 0 on success, 1 on failure (text in ErrorText).
// Sets the recordSize fields of the epoch and its first measurementCount records.
int WriteKelEpoch(KelWriter* writer, KelEpoch* epoch, KelMeasurement* measurements);
// Flushes and closes the file and releases the handle; returns null. A handle
// whose headerSize is not 202 is returned untouched. When ok is given it
// receives false if the flush or the close failed ("Error: Unable to write to %s").
KelWriter* CloseKelFile(KelWriter* writer, bool* ok = nullptr);
// Moves the stream to the first epoch record; the seek result (0 on success).
int RewindKelFile(KelWriter* handle);

}  // namespace jps
