#include "support/file64.h"

#include <sys/stat.h>

#include <cerrno>

namespace jps {

bool IsRegularFile(const char* path) {
#if defined(_WIN32)
  struct _stat64 st;
  if (_stat64(path, &st) != 0) return false;
  bool regular = (st.st_mode & _S_IFREG) != 0;
  bool folder = (st.st_mode & _S_IFDIR) != 0;
#else
  struct stat st;
  if (stat(path, &st) != 0) return false;
  bool regular = S_ISREG(st.st_mode);
  bool folder = S_ISDIR(st.st_mode);
#endif
  if (!regular) errno = folder ? EISDIR : EINVAL;
  return regular;
}

}  // namespace jps
