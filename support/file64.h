// 64-bit file positions on every platform.
#pragma once

#include <cstdint>
#include <cstdio>

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

// True when the path names an existing regular file.
bool IsRegularFile(const char* path);

}  // namespace jps
