// File-name surgery on host paths and the expansion of a multiple-file
// selection list. A backslash separates folders; a slash is taken as one too.
// Every output is cut to its capacity.
#pragma once

#include <cstddef>

namespace jps {

// Replaces the extension of path (in place) with ext, which includes its dot,
// or appends ext when the last name has none. Leading blanks are removed.
// Both "\" and "/" separate folders, so a dot in a folder name never counts.
// The result is cut to capacity - 1 characters. The EPP and STA paths are
// derived from the KEL path with it.
void ReplaceExtension(char* path, size_t capacity, const char* ext);

// An extension (dot included) longer than this is not reported by GetExtension.
constexpr size_t kMaxExtensionLength = 8;
// GetExtensionLetters keeps up to 4 letters or digits.
constexpr size_t kExtensionLetters = 4;

// Removes leading blanks and appends ext (with its dot) only when the last
// name has no extension; "site." counts as having one.
void AddDefaultExtension(char* path, size_t capacity, const char* ext);
// folder keeps its trailing separator (empty without one); name is the rest.
void SplitPath(const char* path, char* folder, size_t folderCapacity, char* name,
               size_t nameCapacity);
// As SplitPath, with the folder's trailing separator left out.
void SplitFolderName(const char* path, char* folder, size_t folderCapacity, char* name,
                     size_t nameCapacity);
// folder and name joined by a backslash, unless the folder is shorter than 3
// characters ("D:") or already ends in a separator.
void JoinPath(const char* folder, const char* name, char* out, size_t capacity);
// The extension with its dot when it has at most 8 characters, else "".
void GetExtension(const char* path, char* out, size_t capacity);
// Up to 4 letters or digits after the first dot of the file name, other
// characters skipped ("" without a dot). Returns 1.
int GetExtensionLetters(const char* path, char* out, size_t capacity);

// A selection list: a folder, a NUL, file names each followed by a NUL, and a
// second NUL at the end; or one full path followed by two NULs.
// The number of files: 0 for an empty list, 1 for a single full path.
int CountListItems(const char* list);
// Full path of the n-th file (from 1). 0, or -1 when there is no such file.
int ListItemPath(int n, const char* list, char* out, size_t capacity);

}  // namespace jps
