#include "tests/builder/xml_reader.h"

#include <cstdlib>

#include "tests/builder/text_cursor.h"

namespace jpstest {
namespace {

bool NameStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' ||
         static_cast<unsigned char>(c) >= 0x80;
}
bool NameChar(char c) { return NameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; }

class Parser : TextCursor {
 public:
  explicit Parser(const std::string& text) : TextCursor(text) {}

  std::string Document(XmlElement* root) {
    if (s_.compare(0, 5, "<?xml") == 0) {
      size_t end = s_.find("?>");
      if (end == std::string::npos) {
        Fail("the declaration is not closed");
        return error_;
      }
      at_ = end + 2;
    }
    if (!Misc() || !Element(root, 0) || !Misc()) return error_;
    if (at_ != s_.size()) Fail("text after the root element");
    return error_;
  }

 private:
  bool Comment() {
    size_t end = s_.find("-->", at_ + 4);
    if (end == std::string::npos) return Fail("a comment is not closed");
    at_ = end + 3;
    return true;
  }
  // White space and comments outside the root element.
  bool Misc() {
    for (;;) {
      Space();
      if (s_.compare(at_, 4, "<!--") != 0) return true;
      if (!Comment()) return false;
    }
  }
  bool Name(std::string* out) {
    if (at_ >= s_.size() || !NameStart(s_[at_])) return Fail("a name is missing");
    size_t from = at_;
    while (at_ < s_.size() && NameChar(s_[at_])) ++at_;
    *out = s_.substr(from, at_ - from);
    return true;
  }
  // Character data up to stop (a quote or '<'), references resolved.
  bool Characters(char stop, std::string* out) {
    while (at_ < s_.size() && s_[at_] != stop) {
      unsigned char c = static_cast<unsigned char>(s_[at_]);
      if (c == '<') return Fail("'<' in an attribute value");
      if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') return Fail("a control character");
      if (c != '&') {
        *out += s_[at_++];
        continue;
      }
      size_t end = s_.find(';', at_);
      if (end == std::string::npos) return Fail("a reference is not closed");
      std::string ref = s_.substr(at_ + 1, end - at_ - 1);
      const char* named[][2] = {
          {"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"}};
      bool known = false;
      for (const auto& n : named) {
        if (ref == n[0]) *out += n[1], known = true;
      }
      if (!known && ref.size() > 1 && ref[0] == '#') {
        bool hex = ref[1] == 'x';
        char* last = nullptr;
        long code = std::strtol(ref.c_str() + (hex ? 2 : 1), &last, hex ? 16 : 10);
        known = *last == '\0' && code > 0 && ref.size() > (hex ? 2u : 1u);
        if (known) *out += code < 0x80 ? std::string(1, static_cast<char>(code)) : "?";
      }
      if (!known) return Fail("an unknown reference &" + ref + ";");
      at_ = end + 1;
    }
    return true;
  }
  bool Attributes(XmlElement* e) {
    for (;;) {
      bool spaced = Space();
      if (at_ < s_.size() && (s_[at_] == '>' || s_[at_] == '/')) return true;
      if (!spaced) return Fail("attributes must be apart");
      std::string key, value;
      if (!Name(&key)) return false;
      Space();
      if (at_ >= s_.size() || s_[at_] != '=') return Fail("expected = after " + key);
      ++at_;
      Space();
      if (at_ >= s_.size() || (s_[at_] != '"' && s_[at_] != '\'')) {
        return Fail("an attribute value must be quoted");
      }
      char quote = s_[at_++];
      if (!Characters(quote, &value)) return false;
      if (at_ >= s_.size()) return Fail("an attribute value is not closed");
      ++at_;
      for (const auto& a : e->attributes) {
        if (a.first == key) return Fail("attribute " + key + " given twice");
      }
      e->attributes.emplace_back(key, value);
    }
  }
  bool Element(XmlElement* e, int depth) {
    if (depth > kDeepest) return Fail("nested too deep");
    if (at_ >= s_.size() || s_[at_] != '<') return Fail("expected an element");
    ++at_;
    if (!Name(&e->name) || !Attributes(e)) return false;
    if (s_.compare(at_, 2, "/>") == 0) {
      at_ += 2;
      return true;
    }
    ++at_;  // '>'
    for (;;) {
      if (!Characters('<', &e->text)) return false;
      if (at_ >= s_.size()) return Fail("element " + e->name + " is not closed");
      if (s_.compare(at_, 4, "<!--") == 0) {
        if (!Comment()) return false;
      } else if (s_.compare(at_, 2, "</") == 0) {
        at_ += 2;
        std::string name;
        if (!Name(&name)) return false;
        Space();
        if (name != e->name) return Fail("</" + name + "> closes <" + e->name + ">");
        if (at_ >= s_.size() || s_[at_] != '>') return Fail("expected > after </" + name);
        ++at_;
        return true;
      } else {
        e->children.emplace_back();
        if (!Element(&e->children.back(), depth + 1)) return false;
      }
    }
  }
};

}  // namespace

std::string XmlElement::Attribute(const std::string& key) const {
  for (const auto& a : attributes) {
    if (a.first == key) return a.second;
  }
  return "";
}

void XmlElement::Find(const std::string& wanted, std::vector<const XmlElement*>* out) const {
  for (const XmlElement& child : children) {
    if (child.name == wanted) out->push_back(&child);
    child.Find(wanted, out);
  }
}

std::string ParseXml(const std::string& text, XmlElement* root) {
  *root = XmlElement();
  return Parser(text).Document(root);
}

}  // namespace jpstest
