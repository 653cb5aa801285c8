// A file written under a temporary name beside the one it is to become,
// through a large buffer: put in place with Rename only when complete, and
// removed otherwise, so that a failed write never leaves a partial file nor
// replaces one the user already had. Failures carry the system's reason.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace jpsrinex {

constexpr const char* kPendingSuffix = ".part";
// Writes of about a megabyte: fewer system calls than with 256 KiB, and
// what was formatted into the buffer is still in the processor's cache when
// it is written out, as it was not with 4 MiB (both measured slower).
constexpr size_t kWriteBufferSize = size_t{1} << 20;

class PendingFile {
 public:
  PendingFile() = default;
  ~PendingFile() { Discard(); }
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  // Creates temp (to become path) for writing, and reading back when
  // readable. false with *error naming the file and the reason.
  bool Create(const std::string& path, const std::string& temp, bool readable, std::string* error);
  const std::string& temp() const { return temp_; }

  // Room for n characters (n at most kWriteBufferSize) at the returned
  // pointer; Commit(k) then keeps the first k of them.
  char* Reserve(size_t n);
  void Commit(size_t n) { used_ += n; }
  void Write(const char* data, size_t n);
  void Write(const std::string& text) { Write(text.data(), text.size()); }

  // Writes out the buffer and goes back to the start for reading; false
  // when a write failed.
  bool Rewind(std::string* error);
  // Reads up to n characters after Rewind; 0 at the end or on an error
  // (ReadFailed tells).
  size_t Read(char* out, size_t n);
  bool ReadFailed(std::string* error) const;
  // Appends what from holds after its Rewind, in the system when it can
  // (no copy through this program), else through the buffer; false with
  // *error when a read or write failed.
  bool AppendFrom(PendingFile& from, std::string* error);

  // Moves all the file holds forward by text's length, from its end back
  // through the buffer, and writes text before it: the file's start written
  // last, without a second file. The file must be readable. false with
  // *error when a read or write failed.
  bool Prepend(const std::string& text, std::string* error);

  // Writes out the buffer and closes the file; false when any write failed.
  bool Close(std::string* error);
  // Puts the closed file in place under its name.
  bool Rename(std::string* error);
  // Closes and removes the temporary file unless it was put in place.
  void Discard();
  // The closed file is someone else's to put in place: Discard leaves it.
  void HandOver() { created_ = false; }

 private:
  void Flush();
  bool Failed(const char* what, std::string* error) const;

  std::string path_, temp_;
  std::FILE* file_ = nullptr;
  std::vector<char> buffer_;
  size_t used_ = 0;
  int errno_ = 0;  // the first write failure's
  bool created_ = false;
  bool renamed_ = false;
};

}  // namespace jpsrinex
