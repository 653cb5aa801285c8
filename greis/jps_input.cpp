#include "greis/jps_input.h"

#include <cstring>
#include <new>

#include "support/file64.h"

namespace jps {

JpsInput::~JpsInput() { Close(); }

bool JpsInput::Open(const char* path) {
  Close();
  if (!IsRegularFile(path)) return false;
  file_ = std::fopen(path, "rb");
  if (file_ == nullptr) return false;
  buffer_ = new (std::nothrow) uint8_t[kRewindWindow + kChunk];
  if (buffer_ == nullptr || Seek64(file_, 0, SEEK_END) != 0) {
    Close();
    return false;
  }
  length_ = Tell64(file_);
  if (length_ < 0 || Seek64(file_, 0, SEEK_SET) != 0) {
    Close();
    return false;
  }
  pos_ = end_ = 0;
  base_ = 0;
  at_end_ = false;
  read_failed_ = false;
  return true;
}

void JpsInput::Close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
  delete[] buffer_;
  buffer_ = nullptr;
  pos_ = end_ = 0;
  base_ = length_ = 0;
  at_end_ = false;
  read_failed_ = false;
}

bool JpsInput::Refill() {
  if (file_ == nullptr) {
    at_end_ = true;
    return false;
  }
  // Keep the last bytes so that a rewind into them needs no seek.
  size_t keep = end_ < kRewindWindow ? end_ : kRewindWindow;
  if (keep > 0 && end_ > keep) std::memmove(buffer_, buffer_ + end_ - keep, keep);
  base_ += static_cast<int64_t>(end_ - keep);
  pos_ = end_ = keep;
  size_t n = std::fread(buffer_ + keep, 1, kChunk, file_);
  end_ = keep + n;
  if (n == 0) {
    if (std::ferror(file_) != 0) read_failed_ = true;
    at_end_ = true;
    return false;
  }
  return true;
}

size_t JpsInput::ReadAcross(uint8_t* out, size_t n) {
  size_t done = 0;
  while (done < n) {
    if (pos_ == end_ && !Refill()) break;
    size_t take = end_ - pos_;
    if (take > n - done) take = n - done;
    std::memcpy(out + done, buffer_ + pos_, take);
    pos_ += take;
    done += take;
  }
  return done;
}

int JpsInput::RewindFar(int64_t n) {
  if (file_ == nullptr || n < 0) return -1;
  at_end_ = false;
  int64_t target = Position() - n;
  if (target < 0) return -1;
  if (Seek64(file_, target, SEEK_SET) != 0) return -1;
  base_ = target;
  pos_ = end_ = 0;
  return 0;
}

}  // namespace jps
