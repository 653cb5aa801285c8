#include "tools/jpsconv/kel_reader.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "plugin/jav_dll.h"
#include "support/kel_reader.h"
#include "tools/jpsconv/cli_common.h"

namespace jpsconv {

KelReader::~KelReader() {
  if (handle_ != nullptr) jps::CloseKelFile(handle_);
}

std::string KelReader::Open(const std::string& path, bool* cannotOpen) {
  *cannotOpen = false;
  if (IsDirectory(path)) {
    *cannotOpen = true;
    return "cannot read " + path + ": it is a folder";
  }
  std::FILE* probe = std::fopen(path.c_str(), "rb");
  if (probe == nullptr) {
    *cannotOpen = true;
    return "cannot open " + path + ": " + std::strerror(errno);
  }
  uint8_t image[jps::kKelHeaderSize];
  if (std::fread(image, 1, sizeof image, probe) == sizeof image) jps::DecodeKelHeader(image, &stored_);
  stored_.fileName[jps::kKelFileNameSize - 1] = '\0';
  std::fclose(probe);
  size_ = FileSize(path);
  jps::FailureText failure;
  handle_ = jps::KelOpen(path.c_str(), 0, &failure);
  if (handle_ == nullptr) {
    // The question the user has: the receiver's file wants converting first.
    if (AutoDetect(path.c_str()) == 1) {
      return path + " looks like a JPS file: convert it first (jpsconv convert " + path + ")";
    }
    if (size_ < jps::kKelHeaderSize) {
      return path + " is not a KEL file: shorter than its 202-byte header";
    }
    return path + " is not a KEL file: header size " + std::to_string(stored_.headerSize) +
           ", expected 202";
  }
  int channels = handle_->header.channelCount;
  scratch_.resize(static_cast<size_t>(channels > 0 ? channels : 0));
  offset_ = jps::kKelHeaderSize;
  return "";
}

// The reader refuses an epoch group for one of these reasons; which one
// follows from the epoch record it read and the file's size.
std::string KelReader::Damage(const jps::KelEpoch& epoch, long long number) const {
  int count = epoch.measurementCount;
  if (epoch.recordSize != jps::kKelEpochSize) {
    return "bad epoch record (size " + std::to_string(epoch.recordSize) + ") at byte " +
           std::to_string(offset_);
  }
  if (count < 0 || count > handle_->header.channelCount) {
    return "epoch " + std::to_string(number) + " has " + std::to_string(count) +
           " measurements for " + std::to_string(handle_->header.channelCount) + " channels";
  }
  if (offset_ + jps::kKelEpochSize + int64_t{count} * jps::kKelMeasurementSize > size_) {
    return "the file ends inside the measurements of epoch " + std::to_string(number);
  }
  return "bad measurement record in epoch " + std::to_string(number);
}

KelReader::Step KelReader::Next(jps::KelEpoch* epoch,
                                std::vector<jps::KelMeasurement>* measurements) {
  long long number = epochs_ + 1;
  jps::FailureText failure;
  int status = jps::KelReadEpoch(handle_, epoch, scratch_.data(), &failure);
  if (status < 0) {
    // The reader meets the end of the file; a piece of an epoch record
    // before it is damage.
    if (offset_ == size_) return kEnd;
    error_ = "the file ends inside the record of epoch " + std::to_string(number);
    return kBad;
  }
  if (status != 0) {
    error_ = Damage(*epoch, number);
    return kBad;
  }
  int count = epoch->measurementCount;
  measurements->assign(scratch_.begin(), scratch_.begin() + count);
  offset_ += jps::kKelEpochSize + int64_t{count} * jps::kKelMeasurementSize;
  epochs_ = number;
  return kEpoch;
}

}  // namespace jpsconv
