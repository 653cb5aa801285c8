// A strict reader of JSON documents for tests: refuses anything that RFC 8259
// does not allow, and keeps object members in their order.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace jpstest {

struct JsonValue {
  enum Type { kNull, kBool, kNumber, kString, kArray, kObject };
  Type type = kNull;
  bool boolean = false;
  double number = 0;
  std::string text;
  std::vector<JsonValue> items;
  std::vector<std::pair<std::string, JsonValue>> members;

  bool Has(const std::string& key) const;
  // The member or item; a null value (and a test failure) when there is none.
  const JsonValue& operator[](const std::string& key) const;
  const JsonValue& operator[](size_t index) const;
  bool IsNull() const { return type == kNull; }
};

// "" when text is one JSON document (white space around it allowed), else
// where and why not.
std::string ParseJson(const std::string& text, JsonValue* out);

}  // namespace jpstest
