// A reader of well-formed XML for tests (the part of XML 1.0 that pictures
// use): one root element, nested elements with quoted attributes, text with
// the five named and the numeric character references, comments and the
// XML declaration. Refuses what is not well-formed.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace jpstest {

struct XmlElement {
  std::string name;
  std::vector<std::pair<std::string, std::string>> attributes;
  std::vector<XmlElement> children;
  std::string text;  // the element's own text, references resolved

  // The attribute's value, or "" when there is none.
  std::string Attribute(const std::string& key) const;
  // Every element below this one (depth first) with the name.
  void Find(const std::string& name, std::vector<const XmlElement*>* out) const;
};

// "" when text is a well-formed document, else where and why not.
std::string ParseXml(const std::string& text, XmlElement* root);

}  // namespace jpstest
