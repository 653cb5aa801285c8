// KEL files for the commands that read them (dump, qc, rinex): the support
// library's KEL reader behind a small interface that says in plain words why
// a file is not a KEL file or where it is damaged.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/kel_file.h"
#include "support/kel_records.h"

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
  // The header as the file holds it (the reader's handle puts the path it
  // opened and its own buffer size in place of the stored ones).
  const jps::KelHeader& header() const { return stored_; }
  enum Step { kEpoch, kEnd, kBad };
  Step Next(jps::KelEpoch* epoch, std::vector<jps::KelMeasurement>* measurements);
  const std::string& error() const { return error_; }

 private:
  std::string Damage(const jps::KelEpoch& epoch, long long number) const;

  jps::KelWriter* handle_ = nullptr;
  jps::KelHeader stored_{};
  std::vector<jps::KelMeasurement> scratch_;
  long long epochs_ = 0;
  int64_t offset_ = 0;   // of the next epoch record
  int64_t size_ = 0;     // of the file
  std::string error_;
};

}  // namespace jpsconv
