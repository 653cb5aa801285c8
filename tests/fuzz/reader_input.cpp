#include "tests/fuzz/reader_input.h"

#include <algorithm>

namespace jpsfuzz {
namespace {

// Where the first mark after at begins; the text's size when none follows.
size_t NextMark(const std::string& text, size_t at) {
  return std::min(text.find(kEppMark, at), text.find(kStaMark, at));
}

// The section after the first mark of this kind, up to the next mark.
bool Section(const std::string& text, const std::string& mark, std::string* out) {
  size_t at = text.find(mark);
  if (at == std::string::npos) return false;
  size_t begin = at + mark.size();
  size_t end = NextMark(text, begin);
  *out = text.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
  return true;
}

}  // namespace

ReaderInput SplitReaderInput(const uint8_t* data, size_t size) {
  ReaderInput input;
  if (size == 0) return input;
  input.choices = data[0];
  std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  input.kel = rest.substr(0, NextMark(rest, 0));
  input.hasEpp = Section(rest, kEppMark, &input.epp);
  input.hasSta = Section(rest, kStaMark, &input.sta);
  return input;
}

std::string JoinReaderInput(const ReaderInput& input) {
  std::string bytes(1, static_cast<char>(input.choices));
  bytes += input.kel;
  if (input.hasEpp) bytes += kEppMark + input.epp;
  if (input.hasSta) bytes += kStaMark + input.sta;
  return bytes;
}

}  // namespace jpsfuzz
