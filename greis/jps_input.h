// The JPS input: read one byte at a time from a buffer of our own, with
// rewinds of up to kRewindWindow bytes that cost no system call.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace jps {

class JpsInput {
 public:
  // Rewinds reach back at most one candidate message.
  static constexpr size_t kRewindWindow = 4096;
  static constexpr size_t kChunk = 1 << 16;

  JpsInput() = default;
  ~JpsInput();
  JpsInput(const JpsInput&) = delete;
  JpsInput& operator=(const JpsInput&) = delete;

  // Opens a regular file for binary reading; false when it cannot.
  bool Open(const char* path);
  void Close();
  bool IsOpen() const { return file_ != nullptr; }
  // Length of the file in bytes, taken when it was opened.
  int64_t Length() const { return length_; }
  // Offset of the next byte to read.
  int64_t Position() const { return base_ + static_cast<int64_t>(pos_); }
  // True once a read met the end of the file (cleared by a rewind).
  bool AtEnd() const { return at_end_; }
  // True once the system failed a read: the input ended there early.
  bool ReadFailed() const { return read_failed_; }

  // The next byte 0..255, or -1 at the end of the file.
  int ReadByte() {
    if (pos_ < end_) return buffer_[pos_++];
    return Refill() ? buffer_[pos_++] : -1;
  }
  // Copies up to n bytes into out; fewer only at the end of the file.
  size_t Read(uint8_t* out, size_t n) {
    if (n <= end_ - pos_) {
      std::memcpy(out, buffer_ + pos_, n);
      pos_ += n;
      return n;
    }
    return ReadAcross(out, n);
  }
  // Moves back n bytes. 0, or -1 when the position cannot be set.
  int Rewind(int64_t n) {
    if (n >= 0 && file_ != nullptr && static_cast<uint64_t>(n) <= pos_) {
      pos_ -= static_cast<size_t>(n);
      at_end_ = false;
      return 0;
    }
    return RewindFar(n);
  }

  // The bytes read ahead into the buffer and not consumed yet (none at the
  // end of the buffer), and a way to consume some of them.
  const uint8_t* Buffered(size_t* count) const {
    *count = end_ - pos_;
    return buffer_ + pos_;
  }
  void Consume(size_t n) { pos_ += n; }

 private:
  // Reads the next chunk after the bytes kept for rewinds; false at the end.
  bool Refill();
  size_t ReadAcross(uint8_t* out, size_t n);
  int RewindFar(int64_t n);

  std::FILE* file_ = nullptr;
  uint8_t* buffer_ = nullptr;
  size_t pos_ = 0;
  size_t end_ = 0;
  int64_t base_ = 0;     // file offset of buffer_[0]
  int64_t length_ = 0;
  bool at_end_ = false;
  bool read_failed_ = false;
};

}  // namespace jps
