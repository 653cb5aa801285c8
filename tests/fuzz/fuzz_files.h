// Files of the fuzz targets: one private folder per process, memory-backed
// where the system has /dev/shm, removed at exit with the files in it.
#pragma once

#include <string>

namespace jpsfuzz {

// The folder, made on first use.
const std::string& Folder();

// The whole file; "" when it cannot be read.
std::string ReadAll(const std::string& path);
// Writes bytes into path when present is true, else removes path. Aborts when
// the file cannot be written: the folder is the fuzzer's own.
void WriteOrRemove(const std::string& path, bool present, const std::string& bytes);

}  // namespace jpsfuzz
