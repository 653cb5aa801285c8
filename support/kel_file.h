// An open KEL raw observation file: the header image with the open stream
// and its buffer beside it. The writer creates one, the reader opens one;
// both close it here.
#pragma once

#include <cstddef>
#include <cstdio>

#include "support/failure_text.h"
#include "support/kel_records.h"

namespace jps {

struct KelWriter {
  KelHeader header;         // the header image; its run-time slots stay zero
  std::FILE* stream;        // the open file
  char* buffer;             // stream buffer (see kKelStreamBufferSize), or null
};

// Stream buffer of a file created with a non-zero buffer size.
constexpr size_t kKelStreamBufferSize = 1 << 16;

// Flushes and closes the file and releases the handle; returns null. A handle
// whose headerSize is not 202 is returned untouched. When ok is given it
// receives false if the flush or the close failed, with "Error: Unable to
// write to %s" in *failure when that is given.
KelWriter* CloseKelFile(KelWriter* handle, bool* ok = nullptr, FailureText* failure = nullptr);
// Moves the stream to the first epoch record; the seek result (0 on success).
int RewindKelFile(KelWriter* handle);

}  // namespace jps
