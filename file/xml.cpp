#include "file/xml.h"

#include "kernel/exceptions.h"
#include "kernel/strings.h"
#include "platform/xml_reader.h"

#include <cerrno>
#include <charconv>
#include <clocale>
#include <cstdlib>
#include <locale.h>
#include <stdexcept>

namespace Zorva::File {
namespace {

using Platform::XmlNode;
using Platform::XmlPullReader;
using Platform::XmlStep;

// A failure of the parser as a code of the XML facility carrying the parser's own error number.
HRESULT XmlCode(const XmlPullReader& reader)
{
    const int error = reader.LastError();
    if (error == XmlPullReader::kDoctypeRefused)
        return MakeCode(0xC00CEFFFu);
    return error > 0 ? MakeCode(0xC00CE000u | (static_cast<std::uint32_t>(error) & 0xFFFu)) : E_FAIL;
}

[[noreturn]] void Fail(const XmlPullReader& reader, std::u16string_view operation)
{
    throw Exception::InvalidXML(XmlCode(reader), operation);
}

std::u16string Wide(const std::string& utf8)
{
    // The parser hands out well-formed UTF-8 only.
    return Utf8ToWide(utf8);
}

void ReadElement(XmlPullReader& reader, XmlElement& element)
{
    std::string text;
    if (!reader.LocalName(text))
        Fail(reader, u"DB get tag");
    element.tag = Wide(text);
    const bool empty = reader.IsEmptyElement();

    XmlStep step = reader.MoveToFirstAttribute();
    if (step == XmlStep::Error)
        Fail(reader, u"DB get first attr");
    while (step == XmlStep::Node) {
        if (!reader.IsDefault()) {
            std::string name;
            std::string value;
            if (!reader.LocalName(name))
                Fail(reader, u"DB read attr's name");
            if (!reader.Value(value))
                Fail(reader, u"DB read attr's value #2");
            element.attributes.try_emplace(Wide(name), Wide(value));
        }
        step = reader.MoveToNextAttribute();
    }
    reader.MoveToElement();
    if (empty)
        return;

    for (;;) {
        step = reader.Read();
        if (step == XmlStep::Error)
            Fail(reader, u"DB read node type");
        if (step == XmlStep::End)
            return;
        switch (reader.Type()) {
        case XmlNode::Element:
            ReadElement(reader, element.children.emplace_back());
            break;
        case XmlNode::Text:
        case XmlNode::CData:
        case XmlNode::Whitespace:
            if (!reader.Value(text))
                Fail(reader, u"DB get val");
            element.text = Wide(text);
            break;
        case XmlNode::EndElement:
            return;
        case XmlNode::Other:
            break;
        }
    }
}

void ReplaceAll(std::u16string& text, std::u16string_view what, std::u16string_view with)
{
    for (size_t at = text.find(what); at != std::u16string::npos; at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
}

locale_t CLocale()
{
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

// The ASCII prefix of the text: a non-ASCII code unit ends every number anyway.
std::string Narrow(const std::u16string& text)
{
    std::string out;
    for (char16_t c : text) {
        if (c == 0 || c >= 0x80)
            break;
        out.push_back(static_cast<char>(c));
    }
    return out;
}

} // namespace

void XmlElement::AddAttribute(const std::u16string& name, const std::u16string& value)
{
    attributes.try_emplace(name, value);
}

void XmlElement::AddFloatAttribute(const std::u16string& name, float value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value),
                                      std::chars_format::fixed, 6);
    AddAttribute(name, Wide(std::string(buffer, result.ptr)));
}

const std::u16string& XmlElement::Attribute(const std::u16string& name) const
{
    static const std::u16string none;
    const auto it = attributes.find(name);
    return it != attributes.end() ? it->second : none;
}

CXMLManager::CXMLManager()
{
    root.tag = u"Zorva";
    root.AddAttribute(u"version", u"1.0");
}

CXMLManager::CXMLManager(const XmlInput& input, XmlHandlerTable handlerTable)
{
    for (const auto& [tag, handler] : handlerTable)
        handlers.try_emplace(tag, handler);
    if (!input)
        throw Exception::InvalidClass(E_FAIL, u"DB init");
    std::unique_ptr<XmlPullReader> reader = XmlPullReader::Create(input->data(), input->size());
    if (!reader)
        throw Exception::InvalidXML(E_OUTOFMEMORY, u"DB init reader");
    for (;;) {
        const XmlStep step = reader->Read();
        if (step == XmlStep::Error)
            Fail(*reader, u"DB read node");
        if (step == XmlStep::End)
            break;
        if (reader->Type() == XmlNode::Element) {
            XmlElement element;
            ReadElement(*reader, element);
            root = std::move(element);
        }
    }
    for (XmlElement& child : root.children) {
        const auto it = handlers.find(child.tag);
        if (it != handlers.end())
            it->second(child);
    }
}

void CXMLManager::Serialize(const XmlElement& element, std::u16string& out)
{
    out += u'<';
    out += element.tag;
    for (const auto& [name, value] : element.attributes) {
        std::u16string escaped = value;
        EscapeXmlText(escaped);
        out += u' ';
        out += name;
        out += u"=\"";
        out += escaped;
        out += u'"';
    }
    if (element.children.empty() && element.text.empty()) {
        out += u"/>";
        return;
    }
    out += u'>';
    for (const XmlElement& child : element.children)
        Serialize(child, out);
    std::u16string text = element.text;
    EscapeXmlText(text);
    // "]]>" may not stand in character data.
    ReplaceAll(text, u"]]>", u"]]&gt;");
    out += text;
    out += u"</";
    out += element.tag;
    out += u'>';
}

std::u16string CXMLManager::DocumentText() const
{
    std::u16string text(kXmlDeclaration);
    Serialize(root, text);
    return text;
}

void EscapeXmlText(std::u16string& text)
{
    std::erase(text, u'\r');
    ReplaceAll(text, u"&", u"&amp;");
    ReplaceAll(text, u"\n", u"&#xA;\n");
    ReplaceAll(text, u"<", u"&lt;");
    ReplaceAll(text, u" ", u"&#032;");
    ReplaceAll(text, u"\t", u"&#009;");
    // A quote would end an attribute value early and corrupt the document.
    ReplaceAll(text, u"\"", u"&quot;");
}

float ParseFloat(const std::u16string& text)
{
    const std::string narrow = Narrow(text);
    char* end = nullptr;
    errno = 0;
    const float value = strtof_l(narrow.c_str(), &end, CLocale());
    if (end == narrow.c_str())
        throw std::invalid_argument("invalid stof argument");
    if (errno == ERANGE)
        throw std::out_of_range("stof argument out of range");
    return value;
}

unsigned long ParseUnsignedLong(const std::u16string& text)
{
    const std::string narrow = Narrow(text);
    char* end = nullptr;
    errno = 0;
    const unsigned long value = strtoul_l(narrow.c_str(), &end, 10, CLocale());
    if (end == narrow.c_str())
        throw std::invalid_argument("invalid stoul argument");
    if (errno == ERANGE)
        throw std::out_of_range("stoul argument out of range");
    return value;
}

std::uint64_t ParseUnsigned64(const std::u16string& text)
{
    const std::string narrow = Narrow(text);
    return strtoull_l(narrow.c_str(), nullptr, 10, CLocale());
}

} // namespace Zorva::File
