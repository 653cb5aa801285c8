// The files one job writes, each under a temporary name beside its final one
// and put in place only when every one of them is complete: a job that fails
// leaves every file the user already had as it was.
#pragma once

#include <cstddef>
#include <string>
#include <vector>


namespace jps {

// The system's reason for the last failed call ("Permission denied").
const char* SystemReason(int error);

// Moves from to to, replacing a file there (the C library's rename refuses
// that on Windows); false with errno set when it cannot.
bool MoveIntoPlace(const std::string& from, const std::string& to);

class OutputFiles {
 public:
  OutputFiles() = default;
  ~OutputFiles();  // removes what was neither committed nor discarded
  OutputFiles(const OutputFiles&) = delete;
  OutputFiles& operator=(const OutputFiles&) = delete;

  // Registers finalPath and returns the temporary path to create instead: in
  // the same folder, a name no file has yet. Valid until the next Add. Null,
  // with errno telling why, when finalPath names something other than a
  // file (a folder), which the file could not replace.
  const char* Add(const char* finalPath);

  // Leaves out the output of finalPath: its temporary file is removed and
  // nothing is put in its place.
  void Withdraw(const std::string& finalPath);
  // Removes every temporary file.
  void Discard();
  // Moves every temporary file into place, replacing what was there. A move
  // that fails leaves its complete temporary file: false, with a text per
  // such file saying which and where it is (the others are still moved).
  bool Commit(std::vector<std::string>* failures);

 private:
  struct Entry {
    std::string finalPath, temporaryPath;
  };
  std::vector<Entry> files_;
};

}  // namespace jps
