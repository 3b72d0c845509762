#pragma once
// The tags of a small XML part held whole in memory (a package's content types, relationships,
// manifest, an OFD document's index): each start tag's local name with its attributes. For the
// text of large parts, see xmltext.h.
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using TXmlAttributes = std::vector<std::pair<std::string_view, std::string_view>>;

// Calls Visit(local name, attributes) for every start tag of Xml, in order; names and attribute
// names without their prefix, values as written (see DecodeXmlAttribute).
void ForEachXmlTag(std::string_view Xml, const std::function<void(std::string_view, const TXmlAttributes&)>& Visit);

// The value of the attribute Name (a local name), as written; empty when absent.
std::string_view XmlAttribute(const TXmlAttributes& Attributes, std::string_view Name);

// A value with its entity and character references decoded, in UTF-8.
std::string DecodeXmlAttribute(std::string_view Value);

// The character data right after a start tag up to the next tag, as written (see
// DecodeXmlAttribute), or the content of a CDATA section that stands there; empty for an empty
// element. Name is the tag's name as ForEachXmlTag gave it: a view into Xml.
std::string_view XmlTextAfter(std::string_view Xml, std::string_view Name);
