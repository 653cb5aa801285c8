#include "plugin/paths.h"

#include <cstring>

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

}  // namespace jps
