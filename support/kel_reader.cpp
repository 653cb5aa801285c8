#include "support/kel_reader.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "support/file64.h"

namespace jps {
namespace {

// channelCount is a signed byte: no epoch the reader accepts holds more.
constexpr int kMaxHeaderChannels = 127;
constexpr int kSearchScratchRecords = kMaxChannels;  // the searches take 24 records at most

// Reads and decodes one 68-byte epoch record; false on a short read.
bool ReadEpochRecord(std::FILE* stream, KelEpoch* epoch) {
  uint8_t image[kKelEpochSize];
  if (std::fread(image, 1, sizeof image, stream) != sizeof image) return false;
  DecodeKelEpoch(image, epoch);
  return true;
}

// Reads count measurement records in one read. 0, or 1 after a short read,
// or 2 when a record does not carry its size.
int ReadMeasurements(std::FILE* stream, int count, KelMeasurement* out) {
  uint8_t block[kMaxHeaderChannels * kKelMeasurementSize];
  size_t bytes = static_cast<size_t>(count) * kKelMeasurementSize;
  if (std::fread(block, 1, bytes, stream) != bytes) return 1;
  for (int i = 0; i < count; ++i) {
    DecodeKelMeasurement(block + i * kKelMeasurementSize, &out[i]);
    if (out[i].recordSize != kKelMeasurementSize) return 2;
  }
  return 0;
}

// Record checks shared by both searches. 0 when the epoch may be examined.
int CheckSearchEpoch(const KelWriter& h, const KelEpoch& epoch, FailureText* failure) {
  if (epoch.recordSize != kKelEpochSize) {
    failure->Set("Error: Bad position record in searching %s", h.header.fileName);
    return -1;
  }
  if (epoch.measurementCount < 0 || epoch.measurementCount > kSearchScratchRecords) {
    failure->Set("Error: Epoch %.1lf has more measurements than channels in %s", epoch.receiverTime,
                 h.header.fileName);
    return -1;
  }
  return 0;
}

// Reads the epoch's measurements: 1 when the satellite has a code, 0 when
// not, -1 on bad data.
int EpochHasCode(const KelWriter& h, const KelEpoch& epoch, int satellite, FailureText* failure) {
  KelMeasurement scratch[kSearchScratchRecords];
  int count = epoch.measurementCount;
  int status = ReadMeasurements(h.stream, count, scratch);
  if (status == 1) {
    failure->Set("Error: Pre-mature end of file in %s at epoch %.1lf", h.header.fileName,
                 epoch.receiverTime);
    return -1;
  }
  if (status == 2) {
    failure->Set("Error: Bad measurement record (2) in %s", h.header.fileName);
    return -1;
  }
  for (int i = 0; i < count; ++i) {
    if (scratch[i].satellite == satellite && scratch[i].l1Code != 0.0) return 1;
  }
  return 0;
}

bool SeekTo(const KelWriter& h, int64_t offset, int whence, FailureText* failure) {
  if (Seek64(h.stream, offset, whence) == 0) return true;
  failure->Set("Error: Unable to seek in %s", h.header.fileName);
  return false;
}

void ReleaseUnopened(KelWriter* h) {
  if (h->stream != nullptr) std::fclose(h->stream);
  delete[] h->buffer;
  delete h;
}

}  // namespace

KelWriter* KelOpen(const char* path, uint16_t bufferSize, FailureText* failure) {
  KelWriter* h = new (std::nothrow) KelWriter();
  if (h == nullptr) {
    failure->Set("Error: Not enough memory in header");
    return nullptr;
  }
  h->stream = std::fopen(path, "rb");
  h->buffer = nullptr;
  if (h->stream == nullptr) {
    failure->Set("Error: File %s not found", path);
    ReleaseUnopened(h);
    return nullptr;
  }
  if (bufferSize != 0) {
    h->buffer = new (std::nothrow) char[bufferSize];
    if (h->buffer == nullptr) {
      failure->Set("Error: Not enough memory vbuf alloc");
      ReleaseUnopened(h);
      return nullptr;
    }
    if (std::setvbuf(h->stream, h->buffer, _IOFBF, bufferSize) != 0) {
      failure->Set("Error: Unable to initialize file buffer");
      ReleaseUnopened(h);
      return nullptr;
    }
  }
  uint8_t image[kKelHeaderSize];
  if (std::fread(image, 1, sizeof image, h->stream) != sizeof image) {
    failure->Set("Error: Unable to read header from %s", path);
    ReleaseUnopened(h);
    return nullptr;
  }
  DecodeKelHeader(image, &h->header);
  if (h->header.headerSize != kKelHeaderSize) {
    failure->Set("Error: Invalid header size in %s  Size: %d   Hsize: %d", path,
                 h->header.headerSize, kKelHeaderSize);
    ReleaseUnopened(h);
    return nullptr;
  }
  // The run-time fields describe this handle, whatever the file held.
  std::memset(h->header.fileName, 0, sizeof h->header.fileName);
  std::strncpy(h->header.fileName, path, kKelFileNameSize - 1);
  h->header.streamSlot = 0;
  h->header.bufferSlot = 0;
  h->header.bufferSize = static_cast<int16_t>(bufferSize);
  return h;
}

int KelAppend(KelWriter* h, FailureText* failure) {
  if (std::strlen(h->header.fileName) >= kKelFileNameSize - 1) {
    failure->Set("Error: Unable to append to %s", h->header.fileName);
    return 1;
  }
  std::FILE* appending = std::fopen(h->header.fileName, "ab");
  if (appending == nullptr) {
    failure->Set("Error: Unable to append to %s", h->header.fileName);
    return 1;
  }
  // A handle opened without a buffer of its own keeps the default buffering.
  if (h->buffer != nullptr) {
    size_t size = static_cast<uint16_t>(h->header.bufferSize);
    if (std::setvbuf(appending, h->buffer, _IOFBF, size) != 0) {
      failure->Set("Error: Unable to initialize file buffer");
      std::fclose(appending);
      return 1;
    }
  }
  std::fclose(h->stream);
  h->stream = appending;
  return 0;
}

int KelReadEpoch(KelWriter* h, KelEpoch* epoch, KelMeasurement* measurements,
                 FailureText* failure) {
  if (!ReadEpochRecord(h->stream, epoch)) {
    failure->Set("End of file");
    return -1;
  }
  if (epoch->recordSize != kKelEpochSize) {
    failure->Set("Error: Bad position record in %s", h->header.fileName);
    return 1;
  }
  int count = epoch->measurementCount;
  if (count < 0 || count > h->header.channelCount) {
    failure->Set("Error: Epoch %.1lf has %d measurements %d channels in %s", epoch->receiverTime,
                 count, h->header.channelCount, h->header.fileName);
    return 1;
  }
  if (count == 0) return 0;
  int status = ReadMeasurements(h->stream, count, measurements);
  if (status == 1) {
    failure->Set("Error: Pre-mature end of file in %s at epoch %.1lf", h->header.fileName,
                 epoch->receiverTime);
    return 1;
  }
  if (status == 2) {
    failure->Set("Error: Bad measurement record (1) in %s", h->header.fileName);
    return 1;
  }
  return 0;
}

int KelFindForward(KelWriter* h, int satellite, double t, FailureText* failure) {
  int64_t start = Tell64(h->stream);
  if (start < 0) {
    failure->Set("Error: Unable to seek in %s", h->header.fileName);
    return -1;
  }
  for (int examined = 1; examined <= kKelSearchEpochs; ++examined) {
    KelEpoch epoch;
    if (!ReadEpochRecord(h->stream, &epoch)) {
      failure->Set("End of file");
      return SeekTo(*h, start, SEEK_SET, failure) ? 0 : -1;
    }
    if (CheckSearchEpoch(*h, epoch, failure) != 0) return -1;
    double d = t - epoch.receiverTime;
    if (d < 0 || d > kKelSearchWindow) break;
    int found = EpochHasCode(*h, epoch, satellite, failure);
    if (found < 0) return -1;
    if (found > 0) {
      int64_t size = kKelEpochSize + int64_t{kKelMeasurementSize} * epoch.measurementCount;
      return SeekTo(*h, -size, SEEK_CUR, failure) ? examined : -1;
    }
  }
  return SeekTo(*h, start, SEEK_SET, failure) ? 0 : -1;
}

int KelFindBackward(KelWriter* h, int32_t* index, const int64_t* offsets, int satellite,
                    double t, FailureText* failure) {
  // Every search without a hit leaves the stream at the entry it started from.
  auto notFound = [&]() {
    return *index < 0 || SeekTo(*h, offsets[*index], SEEK_SET, failure) ? 0 : -1;
  };
  int32_t k = *index;
  for (int examined = 1; examined <= kKelSearchEpochs; ++examined) {
    if (k <= 0) {
      failure->Set("End of file");
      return notFound();
    }
    if (!SeekTo(*h, offsets[k], SEEK_SET, failure)) return -1;
    --k;
    KelEpoch epoch;
    if (!ReadEpochRecord(h->stream, &epoch)) {
      failure->Set("End of file");
      return notFound();
    }
    if (CheckSearchEpoch(*h, epoch, failure) != 0) return -1;
    double d = epoch.receiverTime - t;
    if (d < 0 || d > kKelSearchWindow) return notFound();
    int found = EpochHasCode(*h, epoch, satellite, failure);
    if (found < 0) return -1;
    if (found > 0) {
      *index = k + 1;
      return examined;
    }
  }
  return notFound();
}

}  // namespace jps
