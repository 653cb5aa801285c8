#include "support/file64.h"

#include <sys/stat.h>

namespace jps {

bool IsRegularFile(const char* path) {
#if defined(_WIN32)
  struct _stat64 st;
  if (_stat64(path, &st) != 0) return false;
  return (st.st_mode & _S_IFREG) != 0;
#else
  struct stat st;
  if (stat(path, &st) != 0) return false;
  return S_ISREG(st.st_mode);
#endif
}

}  // namespace jps
