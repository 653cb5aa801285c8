// Reading a KEL raw observation file back: open and check its header, read it
// epoch by epoch, reopen it for appending, and search forward or backward for
// the nearest epoch holding a usable code measurement of one satellite.
//
// A reader handle is the same KelWriter record that the writer uses: the
// header read from the file, with fileName set to the path that was opened
// and bufferSize to the stream buffer asked for here. RewindKelFile moves it
// to the first epoch; CloseKelFile releases it (support/kel_file.h). Failures
// leave their text in the caller's FailureText.
#pragma once

#include <cstdint>

#include "support/failure_text.h"
#include "support/kel_file.h"

namespace jps {

// Epochs a search looks at, at most, and how far (seconds) it reaches.
constexpr int kKelSearchEpochs = 60;
constexpr double kKelSearchWindow = 1000.0;

// Opens the file for reading with a stream buffer of bufferSize bytes (0: the
// stream's own buffering). Null on failure. The stream stands at the first
// epoch record.
KelWriter* KelOpen(const char* path, uint16_t bufferSize, FailureText* failure);

// Reopens the file for appending, so that WriteKelEpoch adds epochs at its end;
// the handle's own buffer, if it has one, serves the new stream. 0 on success,
// 1 on failure, when the handle keeps its reading stream. A path that filled
// the 143 characters of fileName may have been cut there and is refused.
int KelAppend(KelWriter* handle, FailureText* failure);

// Reads the next epoch record and its measurement records (measurements needs
// room for the header's channelCount records). 0 = read, 1 = bad data,
// -1 = end of file.
int KelReadEpoch(KelWriter* handle, KelEpoch* epoch, KelMeasurement* measurements,
                 FailureText* failure);

// Looks ahead, over at most 60 epochs no later than t and no more than 1000 s
// before it, for an epoch in which the satellite has a non-zero l1Code. On a
// hit the stream stands at that epoch's record and the result is the number of
// epochs examined (1 for the next one). Without a hit the stream goes back to
// where it stood and the result is 0 ("End of file" in *failure when the file
// ended). -1 on bad data.
int KelFindForward(KelWriter* handle, int satellite, double t, FailureText* failure);

// Walks back through offsets (file offsets of epoch records, entry 0 never
// examined) from entry *index, over at most 60 epochs no earlier than t and no
// more than 1000 s after it. On a hit *index becomes the hit epoch's entry,
// the stream stands after that epoch and the result is the number of epochs
// examined. Without a hit the stream goes back to offsets[*index] and the
// result is 0. -1 on bad data or a failed seek.
int KelFindBackward(KelWriter* handle, int32_t* index, const int64_t* offsets, int satellite,
                    double t, FailureText* failure);

}  // namespace jps
