#include "support/kel_file.h"

namespace jps {

KelWriter* CloseKelFile(KelWriter* w, bool* ok, FailureText* failure) {
  if (ok != nullptr) *ok = true;
  if (w == nullptr) return nullptr;
  if (w->header.headerSize != kKelHeaderSize) return w;
  bool good = true;
  if (w->stream != nullptr) {
    if (std::fflush(w->stream) != 0 || std::ferror(w->stream) != 0) good = false;
    if (std::fclose(w->stream) != 0) good = false;
  }
  if (!good && failure != nullptr) failure->Set("Error: Unable to write to %s", w->header.fileName);
  if (ok != nullptr) *ok = good;
  delete[] w->buffer;  // the stream is closed before its buffer goes
  delete w;
  return nullptr;
}

int RewindKelFile(KelWriter* handle) {
  return std::fseek(handle->stream, handle->header.headerSize, SEEK_SET);
}

}  // namespace jps
