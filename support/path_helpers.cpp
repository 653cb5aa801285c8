#include "support/path_helpers.h"

#include <cctype>
#include <cstring>

#include "support/text_format.h"
#include "support/text_helpers.h"

namespace jps {

void ReplaceExtension(char* path, size_t capacity, const char* ext) {
  if (capacity == 0) return;
  size_t lead = 0;
  while (path[lead] == ' ') ++lead;
  if (lead > 0) std::memmove(path, path + lead, std::strlen(path + lead) + 1);
  long lastSeparator = -1;
  long lastDot = -1;
  for (long i = 0; path[i] != '\0'; ++i) {
    if (path[i] == '\\' || path[i] == '/') lastSeparator = i;
    if (path[i] == '.') lastDot = i;
  }
  size_t at = lastDot > lastSeparator ? static_cast<size_t>(lastDot) : std::strlen(path);
  if (at >= capacity) at = capacity - 1;
  size_t n = std::strlen(ext);
  if (at + n >= capacity) n = capacity - 1 - at;
  std::memcpy(path + at, ext, n);
  path[at + n] = '\0';
}

namespace {

// Host paths are at most 255 characters; longer ones are not taken apart.
constexpr size_t kPathCopySize = 1024;
constexpr size_t kShortFolder = 3;   // "D:" and the like join without a separator

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Length of the folder part, its trailing separator included (0 without one).
size_t FolderLength(const char* path) {
  size_t folder = 0;
  for (size_t i = 0; path[i] != '\0'; ++i) {
    if (IsSeparator(path[i])) folder = i + 1;
  }
  return folder;
}

void CopyCut(char* out, size_t capacity, const char* text, size_t length) {
  if (capacity == 0) return;
  CopyBounded(out, text, length < capacity - 1 ? length : capacity - 1);
}

const char* SkipBlanks(const char* text) {
  while (*text == ' ') ++text;
  return text;
}

// Length of path (leading blanks skipped) without its extension, as
// ReplaceExtension strips it; false when the path is too long to take apart.
bool StrippedLength(const char* path, size_t* length) {
  char copy[kPathCopySize];
  if (std::strlen(path) >= sizeof copy) return false;
  std::strcpy(copy, path);
  ReplaceExtension(copy, sizeof copy, "");
  *length = std::strlen(copy);
  return true;
}

}  // namespace

void AddDefaultExtension(char* path, size_t capacity, const char* ext) {
  size_t stripped = 0;
  bool known = StrippedLength(path, &stripped);
  const char* start = SkipBlanks(path);
  if (known && stripped == std::strlen(start)) {
    ReplaceExtension(path, capacity, ext);  // no extension: appended, blanks removed
  } else {
    std::memmove(path, start, std::strlen(start) + 1);
  }
}

void SplitPath(const char* path, char* folder, size_t folderCapacity, char* name,
               size_t nameCapacity) {
  size_t length = FolderLength(path);
  CopyCut(folder, folderCapacity, path, length);
  CopyCut(name, nameCapacity, path + length, std::strlen(path + length));
}

void SplitFolderName(const char* path, char* folder, size_t folderCapacity, char* name,
                     size_t nameCapacity) {
  size_t length = FolderLength(path);
  CopyCut(folder, folderCapacity, path, length > 0 ? length - 1 : 0);
  CopyCut(name, nameCapacity, path + length, std::strlen(path + length));
}

void JoinPath(const char* folder, const char* name, char* out, size_t capacity) {
  size_t length = std::strlen(folder);
  if (length < kShortFolder || IsSeparator(folder[length - 1])) {
    FormatText(out, capacity, "%s%s", folder, name);
  } else {
    FormatText(out, capacity, "%s\\%s", folder, name);
  }
}

void GetExtension(const char* path, char* out, size_t capacity) {
  const char* start = SkipBlanks(path);
  size_t stripped = 0;
  size_t length = std::strlen(start);
  if (!StrippedLength(path, &stripped) || length - stripped > kMaxExtensionLength) stripped = length;
  CopyCut(out, capacity, start + stripped, length - stripped);
}

int GetExtensionLetters(const char* path, char* out, size_t capacity) {
  const char* name = path + FolderLength(path);
  const char* dot = std::strchr(name, '.');
  size_t n = 0;
  if (dot != nullptr) {
    for (const char* p = dot + 1; *p != '\0' && n < kExtensionLetters && n + 1 < capacity; ++p) {
      if (std::isalnum(static_cast<unsigned char>(*p))) out[n++] = *p;
    }
  }
  if (capacity > 0) out[n] = '\0';
  return 1;
}

int CountListItems(const char* list) {
  if (list[0] == '\0') return 0;
  int files = 0;
  for (const char* p = list + std::strlen(list) + 1; *p != '\0'; p += std::strlen(p) + 1) ++files;
  return files == 0 ? 1 : files;
}

int ListItemPath(int n, const char* list, char* out, size_t capacity) {
  int count = CountListItems(list);
  if (n < 1 || n > count) return -1;
  const char* file = list + std::strlen(list) + 1;
  if (*file == '\0') {  // one full path
    CopyCut(out, capacity, list, std::strlen(list));
    return 0;
  }
  for (int i = 1; i < n; ++i) file += std::strlen(file) + 1;
  JoinPath(list, file, out, capacity);
  return 0;
}

}  // namespace jps
