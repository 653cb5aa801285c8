// Output path derivation.
#pragma once

#include <cstddef>

namespace jps {

// Replaces the extension of path (in place) with ext, which includes its dot,
// or appends ext when the last name has none. Leading blanks are removed.
// Both "\" and "/" separate folders, so a dot in a folder name never counts.
// The result is cut to capacity - 1 characters.
void ReplaceExtension(char* path, size_t capacity, const char* ext);

}  // namespace jps
