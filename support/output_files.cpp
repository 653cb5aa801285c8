#include "support/output_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "support/file64.h"

#if defined(_WIN32)
#include <process.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace jps {
namespace {

// The longest file name, Windows' longest path (without its terminator),
// and the longest count with ".tmp".
constexpr size_t kLongestName = 255;
constexpr size_t kLongestPath = 259;
constexpr size_t kLongestSuffix = 8;

int ProcessId() {
#if defined(_WIN32)
  return _getpid();
#else
  return static_cast<int>(getpid());
#endif
}

bool Exists(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f != nullptr) std::fclose(f);
  return f != nullptr || IsRegularFile(path.c_str());
}

}  // namespace

const char* SystemReason(int error) { return std::strerror(error); }

bool MoveIntoPlace(const std::string& from, const std::string& to) {
#if defined(_WIN32)
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0) return true;
  errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
  return false;
#else
  return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

OutputFiles::~OutputFiles() { Discard(); }

// "site.kel" becomes "site.kel.4711~1.tmp"; the process number keeps two
// programs apart, the count two outputs of one name. Where that name would
// be longer than a file name or a path may be, it is "4711~1.tmp".
const char* OutputFiles::Add(const char* finalPath) {
  // What is there must be a file that can be replaced.
  if (Exists(finalPath) && !IsRegularFile(finalPath)) return nullptr;
  Entry entry{finalPath, ""};
  const std::string& path = entry.finalPath;
  size_t end = path.find_last_of("/\\");
  std::string folder = end == std::string::npos ? "" : path.substr(0, end + 1);
  std::string number = std::to_string(ProcessId()) + "~";
  std::string stem = path + "." + number;
  if (stem.size() - folder.size() + kLongestSuffix > kLongestName ||
      stem.size() + kLongestSuffix > kLongestPath) {
    stem = folder + number;
  }
  for (int n = 1;; ++n) {
    entry.temporaryPath = stem + std::to_string(n) + ".tmp";
    if (!Exists(entry.temporaryPath)) break;
  }
  files_.push_back(entry);
  return files_.back().temporaryPath.c_str();
}

void OutputFiles::Withdraw(const std::string& finalPath) {
  for (size_t i = 0; i < files_.size(); ++i) {
    if (files_[i].finalPath != finalPath) continue;
    std::remove(files_[i].temporaryPath.c_str());
    files_.erase(files_.begin() + static_cast<std::ptrdiff_t>(i));
    return;
  }
}

void OutputFiles::Discard() {
  for (const Entry& e : files_) std::remove(e.temporaryPath.c_str());
  files_.clear();
}

bool OutputFiles::Commit(std::vector<std::string>* failures) {
  bool ok = true;
  for (const Entry& e : files_) {
    if (MoveIntoPlace(e.temporaryPath, e.finalPath)) continue;
    failures->push_back("Error: Unable to replace " + e.finalPath + " (" +
                        SystemReason(errno) + "): the complete file is " + e.temporaryPath);
    ok = false;
  }
  files_.clear();
  return ok;
}

}  // namespace jps
