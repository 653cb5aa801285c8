#include "tools/jpsconv/kel_reader.h"

#include <cerrno>
#include <cstring>

namespace jpsconv {

KelReader::~KelReader() {
  if (file_ != nullptr) std::fclose(file_);
}

std::string KelReader::Open(const std::string& path, bool* cannotOpen) {
  *cannotOpen = false;
  file_ = std::fopen(path.c_str(), "rb");
  if (file_ == nullptr) {
    *cannotOpen = true;
    return "cannot open " + path + ": " + std::strerror(errno);
  }
  uint8_t bytes[jps::kKelHeaderSize];
  if (std::fread(bytes, 1, sizeof bytes, file_) != sizeof bytes) {
    return path + " is not a KEL file: shorter than its 202-byte header";
  }
  jps::DecodeKelHeader(bytes, &header_);
  if (header_.headerSize != jps::kKelHeaderSize) {
    return path + " is not a KEL file: header size " + std::to_string(header_.headerSize) +
           ", expected 202";
  }
  header_.fileName[jps::kKelFileNameSize - 1] = '\0';
  offset_ = jps::kKelHeaderSize;
  return "";
}

KelReader::Step KelReader::Next(jps::KelEpoch* epoch,
                                std::vector<jps::KelMeasurement>* measurements) {
  uint8_t record[jps::kKelEpochSize];
  size_t n = std::fread(record, 1, sizeof record, file_);
  if (n == 0) return kEnd;
  long long number = epochs_ + 1;
  if (n != sizeof record) {
    error_ = "the file ends inside the record of epoch " + std::to_string(number);
    return kBad;
  }
  jps::DecodeKelEpoch(record, epoch);
  if (epoch->recordSize != jps::kKelEpochSize) {
    error_ = "bad epoch record (size " + std::to_string(epoch->recordSize) + ") at byte " +
             std::to_string(offset_);
    return kBad;
  }
  int count = epoch->measurementCount;
  if (count < 0 || count > header_.channelCount) {
    error_ = "epoch " + std::to_string(number) + " has " + std::to_string(count) +
             " measurements for " + std::to_string(header_.channelCount) + " channels";
    return kBad;
  }
  measurements->assign(static_cast<size_t>(count), jps::KelMeasurement{});
  for (int i = 0; i < count; ++i) {
    uint8_t m[jps::kKelMeasurementSize];
    if (std::fread(m, 1, sizeof m, file_) != sizeof m) {
      error_ = "the file ends inside the measurements of epoch " + std::to_string(number);
      return kBad;
    }
    jps::DecodeKelMeasurement(m, &(*measurements)[static_cast<size_t>(i)]);
    if ((*measurements)[static_cast<size_t>(i)].recordSize != jps::kKelMeasurementSize) {
      error_ = "bad measurement record in epoch " + std::to_string(number);
      return kBad;
    }
  }
  offset_ += jps::kKelEpochSize + static_cast<long long>(count) * jps::kKelMeasurementSize;
  epochs_ = number;
  return kEpoch;
}

}  // namespace jpsconv
