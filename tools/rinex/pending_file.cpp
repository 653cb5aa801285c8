#include "tools/rinex/pending_file.h"

#include <cerrno>
#include <cstring>

#include "support/file64.h"
#include "support/output_files.h"

#if defined(__linux__)
#include <unistd.h>
#endif

namespace jpsrinex {

bool PendingFile::Create(const std::string& path, const std::string& temp, bool readable,
                         std::string* error) {
  Discard();
  path_ = path;
  temp_ = temp;
  renamed_ = false;
  errno_ = 0;
  used_ = 0;
  file_ = std::fopen(temp_.c_str(), readable ? "w+b" : "wb");
  if (file_ == nullptr) {
    *error = "cannot create " + temp_ + ": " + std::strerror(errno);
    return false;
  }
  created_ = true;
  // The file's own buffer does the buffering: the C library's would copy twice.
  std::setvbuf(file_, nullptr, _IONBF, 0);
  buffer_.resize(kWriteBufferSize);
  return true;
}

void PendingFile::Flush() {
  if (used_ > 0 && errno_ == 0 && std::fwrite(buffer_.data(), 1, used_, file_) != used_) {
    errno_ = errno != 0 ? errno : EIO;
  }
  used_ = 0;
}

char* PendingFile::Reserve(size_t n) {
  if (used_ + n > buffer_.size()) Flush();
  return buffer_.data() + used_;
}

void PendingFile::Write(const char* data, size_t n) {
  if (n >= buffer_.size() / 2) {  // large blocks go out as they are
    Flush();
    if (errno_ == 0 && std::fwrite(data, 1, n, file_) != n) errno_ = errno != 0 ? errno : EIO;
    return;
  }
  while (n > 0) {
    size_t room = buffer_.size() - used_;
    if (room == 0) {
      Flush();
      room = buffer_.size();
    }
    size_t part = n < room ? n : room;
    std::memcpy(buffer_.data() + used_, data, part);
    used_ += part;
    data += part;
    n -= part;
  }
}

bool PendingFile::Failed(const char* what, std::string* error) const {
  *error = std::string(what) + " " + temp_ + ": " + std::strerror(errno_);
  return false;
}

bool PendingFile::Rewind(std::string* error) {
  Flush();
  if (errno_ == 0 && std::fflush(file_) != 0) errno_ = errno != 0 ? errno : EIO;
  if (errno_ == 0 && std::fseek(file_, 0, SEEK_SET) != 0) errno_ = errno != 0 ? errno : EIO;
  return errno_ == 0 || Failed("cannot write", error);
}

size_t PendingFile::Read(char* out, size_t n) { return std::fread(out, 1, n, file_); }

bool PendingFile::ReadFailed(std::string* error) const {
  if (std::ferror(file_) == 0) return false;
  *error = "cannot read back " + temp_ + ": " + std::strerror(errno != 0 ? errno : EIO);
  return true;
}

bool PendingFile::AppendFrom(PendingFile& from, std::string* error) {
  Flush();
  if (errno_ == 0 && std::fflush(file_) != 0) errno_ = errno != 0 ? errno : EIO;
  if (errno_ != 0) return Failed("cannot write", error);
#if defined(__linux__)
  // Both streams are unbuffered: their descriptors stand where they do.
  int in = fileno(from.file_), out = fileno(file_);
  for (;;) {
    ssize_t n = copy_file_range(in, nullptr, out, nullptr, kWriteBufferSize, 0);
    if (n > 0) continue;
    if (n == 0) return true;
    if (errno != ENOSYS && errno != EXDEV && errno != EINVAL && errno != EOPNOTSUPP) {
      errno_ = errno;
      return Failed("cannot write", error);
    }
    break;   // not between these files: through the buffer
  }
#endif
  for (size_t n; (n = from.Read(buffer_.data(), buffer_.size())) > 0;) {
    if (std::fwrite(buffer_.data(), 1, n, file_) != n) {
      errno_ = errno != 0 ? errno : EIO;
      return Failed("cannot write", error);
    }
  }
  return !from.ReadFailed(error);
}

bool PendingFile::Prepend(const std::string& text, std::string* error) {
  Flush();
  if (errno_ == 0 && jps::Seek64(file_, 0, SEEK_END) != 0) errno_ = errno != 0 ? errno : EIO;
  if (errno_ != 0) return Failed("cannot write", error);
  int64_t end = jps::Tell64(file_);
  if (end < 0) {
    errno_ = errno != 0 ? errno : EIO;
    return Failed("cannot write", error);
  }
  const int64_t shift = static_cast<int64_t>(text.size());
  // From the end back: a part is read before anything is written over it.
  while (end > 0) {
    size_t n = end < static_cast<int64_t>(buffer_.size()) ? static_cast<size_t>(end) : buffer_.size();
    int64_t at = end - static_cast<int64_t>(n);
    if (jps::Seek64(file_, at, SEEK_SET) != 0 || std::fread(buffer_.data(), 1, n, file_) != n) {
      *error = "cannot read back " + temp_ + ": " + std::strerror(errno != 0 ? errno : EIO);
      return false;
    }
    if (jps::Seek64(file_, at + shift, SEEK_SET) != 0 ||
        std::fwrite(buffer_.data(), 1, n, file_) != n) {
      errno_ = errno != 0 ? errno : EIO;
      return Failed("cannot write", error);
    }
    end = at;
  }
  if (jps::Seek64(file_, 0, SEEK_SET) != 0 || std::fwrite(text.data(), 1, text.size(), file_) != text.size()) {
    errno_ = errno != 0 ? errno : EIO;
    return Failed("cannot write", error);
  }
  return true;
}

bool PendingFile::Close(std::string* error) {
  if (file_ == nullptr) return Failed("cannot write", error);
  Flush();
  int closeErrno = std::fclose(file_) != 0 ? (errno != 0 ? errno : EIO) : 0;
  file_ = nullptr;
  if (errno_ == 0) errno_ = closeErrno;
  return errno_ == 0 || Failed("cannot write", error);
}

bool PendingFile::Rename(std::string* error) {
  if (!jps::MoveIntoPlace(temp_, path_)) {
    *error = "cannot rename " + temp_ + " to " + path_ + ": " + std::strerror(errno);
    return false;
  }
  renamed_ = true;
  return true;
}

void PendingFile::Discard() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
  if (created_ && !renamed_) std::remove(temp_.c_str());
  created_ = false;
  buffer_.clear();
  buffer_.shrink_to_fit();
}

}  // namespace jpsrinex
