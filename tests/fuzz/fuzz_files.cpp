#include "tests/fuzz/fuzz_files.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace jpsfuzz {
namespace {

std::string& FolderPath() {
  static std::string folder;
  return folder;
}

// The targets write plain files only, no folders.
void RemoveFolder() {
  const std::string& folder = FolderPath();
  if (DIR* dir = opendir(folder.c_str())) {
    while (const dirent* entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (name != "." && name != "..") std::remove((folder + "/" + name).c_str());
    }
    closedir(dir);
  }
  rmdir(folder.c_str());
}

}  // namespace

const std::string& Folder() {
  std::string& folder = FolderPath();
  if (folder.empty()) {
    char shm[] = "/dev/shm/jps_fuzz.XXXXXX";
    char tmp[] = "/tmp/jps_fuzz.XXXXXX";
    char* pattern = access("/dev/shm", W_OK) == 0 ? shm : tmp;
    const char* made = mkdtemp(pattern);
    if (made == nullptr) std::abort();
    folder = made;
    std::atexit(RemoveFolder);
  }
  return folder;
}

std::string ReadAll(const std::string& path) {
  std::string bytes;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return bytes;
  char chunk[1 << 15];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.append(chunk, n);
  std::fclose(f);
  return bytes;
}

void WriteOrRemove(const std::string& path, bool present, const std::string& bytes) {
  if (!present) {
    std::remove(path.c_str());
    return;
  }
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) std::abort();
  bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (std::fclose(f) != 0 || !ok) std::abort();
}

}  // namespace jpsfuzz
