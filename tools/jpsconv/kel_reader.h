// A plain reader of KEL files for dump: the header, then epoch by epoch,
// with the record checks of the format (record sizes 202, 68 and 44, at most
// channelCount measurements, no epoch cut off by the end of the file).
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "epoch/kel_records.h"

namespace jpsconv {

class KelReader {
 public:
  KelReader() = default;
  ~KelReader();
  KelReader(const KelReader&) = delete;
  KelReader& operator=(const KelReader&) = delete;

  // "" when the file is open and its header is sound, else why not;
  // *cannotOpen tells a missing file from a bad one.
  std::string Open(const std::string& path, bool* cannotOpen);
  const jps::KelHeader& header() const { return header_; }
  enum Step { kEpoch, kEnd, kBad };
  Step Next(jps::KelEpoch* epoch, std::vector<jps::KelMeasurement>* measurements);
  const std::string& error() const { return error_; }

 private:
  std::FILE* file_ = nullptr;
  jps::KelHeader header_{};
  long long epochs_ = 0;
  long long offset_ = 0;
  std::string error_;
};

}  // namespace jpsconv
