// 64-bit file positions on every platform.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

namespace jps {

inline int Seek64(std::FILE* f, int64_t offset, int whence) {
#if defined(_WIN32)
  return _fseeki64(f, offset, whence);
#else
  return fseeko(f, static_cast<off_t>(offset), whence);
#endif
}

inline int64_t Tell64(std::FILE* f) {
#if defined(_WIN32)
  return _ftelli64(f);
#else
  return static_cast<int64_t>(ftello(f));
#endif
}

// A file owned by a std::unique_ptr, closed when it goes. A writer checks
// its writes with std::fclose(file.release()) instead.
struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

// True when the path names an existing regular file; otherwise errno tells
// why (EISDIR for a folder).
bool IsRegularFile(const char* path);

}  // namespace jps
