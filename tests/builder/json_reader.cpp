#include "tests/builder/json_reader.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/builder/text_cursor.h"

namespace jpstest {
namespace {

const JsonValue kNullValue;

class Parser : TextCursor {
 public:
  explicit Parser(const std::string& text) : TextCursor(text) {}

  std::string Document(JsonValue* out) {
    Space();
    if (!Value(out, 0)) return error_;
    Space();
    if (at_ != s_.size()) Fail("text after the document");
    return error_;
  }

 private:
  bool Take(char c) {
    if (at_ < s_.size() && s_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }
  bool Word(const char* word) {
    size_t n = std::char_traits<char>::length(word);
    if (s_.compare(at_, n, word) != 0) return false;
    at_ += n;
    return true;
  }
  bool Digits() {
    size_t from = at_;
    while (at_ < s_.size() && s_[at_] >= '0' && s_[at_] <= '9') ++at_;
    return at_ > from;
  }

  bool Value(JsonValue* v, int depth) {
    if (depth > kDeepest) return Fail("nested too deep");
    if (at_ >= s_.size()) return Fail("a value is missing");
    char c = s_[at_];
    if (c == '{') return Object(v, depth);
    if (c == '[') return Array(v, depth);
    if (c == '"') {
      v->type = JsonValue::kString;
      return String(&v->text);
    }
    if (Word("true") || Word("false")) {
      v->type = JsonValue::kBool;
      v->boolean = c == 't';
      return true;
    }
    if (Word("null")) return true;
    return Number(v);
  }

  bool Number(JsonValue* v) {
    size_t from = at_;
    Take('-');
    if (!Take('0') && !Digits()) return Fail("not a value");
    if (Take('.') && !Digits()) return Fail("a fraction needs digits");
    if (Take('e') || Take('E')) {
      if (!Take('+')) Take('-');
      if (!Digits()) return Fail("an exponent needs digits");
    }
    v->type = JsonValue::kNumber;
    v->number = std::strtod(s_.substr(from, at_ - from).c_str(), nullptr);
    return true;
  }

  bool Hex4(unsigned* code) {
    if (at_ + 4 > s_.size()) return Fail("a \\u escape is cut");
    *code = 0;
    for (int i = 0; i < 4; ++i) {
      char c = s_[at_++];
      int d = c >= '0' && c <= '9'   ? c - '0'
              : c >= 'a' && c <= 'f' ? c - 'a' + 10
              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                     : -1;
      if (d < 0) return Fail("a \\u escape needs four hex digits");
      *code = *code * 16 + static_cast<unsigned>(d);
    }
    return true;
  }

  void Utf8(unsigned code, std::string* out) {
    if (code < 0x80) {
      *out += static_cast<char>(code);
    } else if (code < 0x800) {
      *out += static_cast<char>(0xC0 | (code >> 6));
      *out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      *out += static_cast<char>(0xE0 | (code >> 12));
      *out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      *out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }

  bool String(std::string* out) {
    ++at_;  // the opening quote
    for (;;) {
      if (at_ >= s_.size()) return Fail("a string is not closed");
      unsigned char c = static_cast<unsigned char>(s_[at_++]);
      if (c == '"') return true;
      if (c < 0x20) return Fail("a control character in a string");
      if (c != '\\') {
        *out += static_cast<char>(c);
        continue;
      }
      if (at_ >= s_.size()) return Fail("an escape is cut");
      char e = s_[at_++];
      const std::string plain = "\"\\/bfnrt", meaning = "\"\\/\b\f\n\r\t";
      size_t k = plain.find(e);
      if (k != std::string::npos) {
        *out += meaning[k];
      } else if (e == 'u') {
        unsigned code = 0;
        if (!Hex4(&code)) return false;
        Utf8(code, out);
      } else {
        return Fail("an unknown escape");
      }
    }
  }

  bool Array(JsonValue* v, int depth) {
    v->type = JsonValue::kArray;
    ++at_;
    Space();
    if (Take(']')) return true;
    for (;;) {
      v->items.emplace_back();
      Space();
      if (!Value(&v->items.back(), depth + 1)) return false;
      Space();
      if (Take(']')) return true;
      if (!Take(',')) return Fail("expected , or ] in an array");
    }
  }

  bool Object(JsonValue* v, int depth) {
    v->type = JsonValue::kObject;
    ++at_;
    Space();
    if (Take('}')) return true;
    for (;;) {
      Space();
      if (at_ >= s_.size() || s_[at_] != '"') return Fail("expected a member name");
      std::string key;
      if (!String(&key)) return false;
      Space();
      if (!Take(':')) return Fail("expected : after a member name");
      Space();
      v->members.emplace_back(key, JsonValue());
      if (!Value(&v->members.back().second, depth + 1)) return false;
      Space();
      if (Take('}')) return true;
      if (!Take(',')) return Fail("expected , or } in an object");
    }
  }
};

}  // namespace

bool JsonValue::Has(const std::string& key) const {
  for (const auto& m : members) {
    if (m.first == key) return true;
  }
  return false;
}

const JsonValue& JsonValue::operator[](const std::string& key) const {
  for (const auto& m : members) {
    if (m.first == key) return m.second;
  }
  ADD_FAILURE() << "no member " << key;
  return kNullValue;
}

const JsonValue& JsonValue::operator[](size_t index) const {
  if (index < items.size()) return items[index];
  ADD_FAILURE() << "no item " << index;
  return kNullValue;
}

std::string ParseJson(const std::string& text, JsonValue* out) {
  *out = JsonValue();
  return Parser(text).Document(out);
}

}  // namespace jpstest
