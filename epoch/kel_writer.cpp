#include "epoch/kel_writer.h"

#include <cstring>
#include <ctime>
#include <new>


namespace jps {
namespace {

void StampCreationTime(KelHeader* h) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
#if defined(_WIN32)
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  h->createMonth = static_cast<int16_t>(local.tm_mon);
  h->createDay = static_cast<int16_t>(local.tm_mday);
  h->createYear = static_cast<int16_t>(local.tm_year);
  h->createHour = static_cast<int16_t>(local.tm_hour);
  h->createMinute = static_cast<int16_t>(local.tm_min);
  h->createSecond = static_cast<int16_t>(local.tm_sec);
}

bool WriteAll(std::FILE* f, const void* data, size_t n) {
  return std::fwrite(data, 1, n, f) == n;
}

}  // namespace

KelWriter* CreateKelFile(const char* path, uint8_t receiverType, float epochInterval,
                         uint16_t bufferSize, uint8_t channelCount, FailureText* failure,
                         const char* recordedPath) {
  const char* name = recordedPath != nullptr ? recordedPath : path;
  KelWriter* w = new (std::nothrow) KelWriter();
  if (w == nullptr) {
    failure->Set("Error: Not enough memory in header");
    return nullptr;
  }
  std::memset(&w->header, 0, sizeof w->header);
  KelHeader& h = w->header;
  h.headerSize = kKelHeaderSize;
  h.formatVersion = kKelFormatVersion;
  h.receiverType = receiverType;
  h.epochInterval = epochInterval;
  h.channelCount = static_cast<int8_t>(channelCount);
  h.bufferSize = static_cast<int16_t>(bufferSize);
  // A path longer than the field is cut to 143 characters.
  std::strncpy(h.fileName, name, kKelFileNameSize - 1);
  h.fileName[kKelFileNameSize - 1] = '\0';
  w->buffer = nullptr;
  StampCreationTime(&h);

  w->stream = std::fopen(path, "wb");
  if (w->stream == nullptr) {
    failure->Set("Error: Unable to open %s for writing", name);
    delete w;
    return nullptr;
  }
  if (bufferSize != 0) {
    // The header keeps the size asked for; the stream gets a buffer larger
    // than any size the header can state, so that large files cost few
    // system calls.
    static_assert(kKelStreamBufferSize > UINT16_MAX, "the stream buffer is the larger");
    const size_t streamBufferSize = kKelStreamBufferSize;
    w->buffer = new (std::nothrow) char[streamBufferSize];
    if (w->buffer == nullptr) {
      failure->Set("Error: Not enough memory in buffer");
      std::fclose(w->stream);
      delete w;
      return nullptr;
    }
    if (std::setvbuf(w->stream, w->buffer, _IOFBF, streamBufferSize) != 0) {
      failure->Set("Error: Unable to initialize file buffer");
      std::fclose(w->stream);
      delete[] w->buffer;
      delete w;
      return nullptr;
    }
  }
  uint8_t image[kKelHeaderSize];
  EncodeKelHeader(h, image);  // streamSlot and bufferSlot are zero in the file
  if (!WriteAll(w->stream, image, sizeof image)) {
    failure->Set("Error: Unable to write to %s", name);
    std::fclose(w->stream);
    delete[] w->buffer;
    delete w;
    return nullptr;
  }
  return w;
}

int WriteKelEpoch(KelWriter* w, KelEpoch* epoch, KelMeasurement* measurements,
                  FailureText* failure) {
  const KelHeader& h = w->header;
  if (epoch->measurementCount > h.channelCount || epoch->measurementCount < 0) {
    failure->Set("Error: Epoch %.1lf has %d measurements %d channels in %s", epoch->receiverTime,
                 epoch->measurementCount, h.channelCount, h.fileName);
    return 1;
  }
  uint8_t group[kKelEpochSize + kMaxChannels * kKelMeasurementSize];
  epoch->recordSize = kKelEpochSize;
  EncodeKelEpoch(*epoch, group);
  if (!WriteAll(w->stream, group, kKelEpochSize)) {
    failure->Set("Error: Unable to write to %s (disk full). Epoch %.1lf", h.fileName,
                 epoch->receiverTime);
    return 1;
  }
  int count = epoch->measurementCount;
  if (count == 0) return 0;
  // channelCount is a signed byte, so a block never exceeds 127 records;
  // the scratch holds 24 and larger blocks go out in pieces.
  for (int first = 0; first < count; first += kMaxChannels) {
    int n = count - first < kMaxChannels ? count - first : kMaxChannels;
    for (int i = 0; i < n; ++i) {
      measurements[first + i].recordSize = kKelMeasurementSize;
      EncodeKelMeasurement(measurements[first + i], group + i * kKelMeasurementSize);
    }
    if (!WriteAll(w->stream, group, static_cast<size_t>(n) * kKelMeasurementSize)) {
      failure->Set("Error: Unable to write to %s (disk full). Epoch %.1lf", h.fileName,
                   epoch->receiverTime);
      return 1;
    }
  }
  return 0;
}

}  // namespace jps
