// The XML database reader and writer: a whole document read into an element tree, each child of
// the root handed to the handler of its tag; and the same tree built in memory and serialized.
#pragma once

#include <functional>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace Zorva::File {

struct XmlElement {
    std::u16string tag;  // local name, prefix dropped
    std::u16string text; // the last text, CDATA or whitespace node directly inside
    std::unordered_map<std::u16string, std::u16string> attributes;
    std::vector<XmlElement> children;

    // A second attribute of the same name leaves the first.
    void AddAttribute(const std::u16string& name, const std::u16string& value);
    // Six digits after the point, as "%f" in the C locale: 0.5 gives 0.500000.
    void AddFloatAttribute(const std::u16string& name, float value);
    // The attribute's value, empty when it is missing.
    const std::u16string& Attribute(const std::u16string& name) const;
};

using XmlHandler = std::function<void(XmlElement&)>;
using XmlHandlerTable = std::initializer_list<std::pair<std::u16string, XmlHandler>>;

// The reader's input: the document's bytes; no input at all is a failure of its own.
using XmlInput = std::optional<std::span<const std::uint8_t>>;

class CXMLManager {
public:
    // Writing: the root is Zorva with version 1.0 and nothing else.
    CXMLManager();
    // Reading: the whole document is read, then each child of the root goes to its handler.
    // Raises InvalidClass "DB init" without input and InvalidXML for a malformed document (or one
    // with a document type declaration), before any handler runs.
    CXMLManager(const XmlInput& input, XmlHandlerTable handlerTable);
    virtual ~CXMLManager() = default;

    // Appends the element's text: no indentation, no line breaks.
    static void Serialize(const XmlElement& element, std::u16string& out);
    // The declaration followed by the serialized root.
    std::u16string DocumentText() const;

    XmlElement root;
    std::unordered_map<std::u16string, XmlHandler> handlers;
};

// In place: carriage returns removed; & < " space tab as entities; a line feed as &#xA; plus the
// line feed itself.
void EscapeXmlText(std::u16string& text);

inline constexpr std::u16string_view kXmlDeclaration = u"<?xml version=\"1.0\"?>";

// Number conversions of attribute values, independent of the locale.
// As wcstof: "invalid stof argument" (std::invalid_argument) without digits, "stof argument out of
// range" (std::out_of_range) when out of range.
float ParseFloat(const std::u16string& text);
// As wcstoul, base 10: "invalid stoul argument" / "stoul argument out of range".
unsigned long ParseUnsignedLong(const std::u16string& text);
// As _wcstoui64, base 10, unchecked: no digits gives 0, overflow the largest value.
std::uint64_t ParseUnsigned64(const std::u16string& text);

} // namespace Zorva::File
