// A place in a text being parsed, with the first failure remembered; the
// base of the test readers of JSON and XML.
#pragma once

#include <string>

namespace jpstest {

class TextCursor {
 protected:
  explicit TextCursor(const std::string& text) : s_(text) {}

  static constexpr int kDeepest = 64;  // nesting refused beyond this

  // Remembers the first failure with its place; false.
  bool Fail(const std::string& why) {
    if (error_.empty()) error_ = "at byte " + std::to_string(at_) + ": " + why;
    return false;
  }
  // Skips blanks, tabs and line ends; true when there were any.
  bool Space() {
    size_t from = at_;
    while (at_ < s_.size() &&
           (s_[at_] == ' ' || s_[at_] == '\t' || s_[at_] == '\n' || s_[at_] == '\r')) {
      ++at_;
    }
    return at_ > from;
  }

  const std::string& s_;
  size_t at_ = 0;
  std::string error_;
};

}  // namespace jpstest
