#include "platform/xml_reader.h"

#include <libxml/parser.h>
#include <libxml/xmlreader.h>

#include <climits>
#include <mutex>

namespace Zorva::Platform {

struct ErrorSink {
    static void Record(void* self, xmlErrorPtr error)
    {
        auto* reader = static_cast<XmlPullReader*>(self);
        if (error != nullptr && error->level >= XML_ERR_ERROR && reader->lastError_ == 0)
            reader->lastError_ = error->code != 0 ? error->code : -1;
    }
};

namespace {

// Nothing is ever fetched: not a file, not a URL.
xmlParserInputPtr RefuseEntity(const char*, const char*, xmlParserCtxtPtr)
{
    return nullptr;
}

void PrepareLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        xmlSetExternalEntityLoader(RefuseEntity);
    });
}

xmlTextReaderPtr Reader(void* p)
{
    return static_cast<xmlTextReaderPtr>(p);
}

std::string Copy(const xmlChar* text)
{
    return text != nullptr ? std::string(reinterpret_cast<const char*>(text)) : std::string();
}

} // namespace

std::unique_ptr<XmlPullReader> XmlPullReader::Create(const std::uint8_t* data, std::size_t size)
{
    if (size > static_cast<std::size_t>(INT_MAX))
        return nullptr;
    PrepareLibrary();
    static const char empty = 0;
    const char* bytes = data != nullptr ? reinterpret_cast<const char*>(data) : &empty;
    // No entity substitution, no external subset, no default attributes, no validation,
    // no XInclude, no network; errors are collected, not printed.
    const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NOXINCNODE;
    xmlTextReaderPtr reader = xmlReaderForMemory(bytes, static_cast<int>(size), nullptr, nullptr, options);
    if (reader == nullptr)
        return nullptr;
    std::unique_ptr<XmlPullReader> self(new XmlPullReader);
    self->reader_ = reader;
    xmlTextReaderSetStructuredErrorHandler(reader, &ErrorSink::Record, self.get());
    return self;
}

XmlPullReader::~XmlPullReader()
{
    if (reader_ != nullptr)
        xmlFreeTextReader(Reader(reader_));
}

XmlStep XmlPullReader::Read()
{
    if (lastError_ != 0)
        return XmlStep::Error;
    const int rc = xmlTextReaderRead(Reader(reader_));
    if (rc < 0) {
        if (lastError_ == 0)
            lastError_ = -1;
        return XmlStep::Error;
    }
    if (rc == 0)
        return lastError_ != 0 ? XmlStep::Error : XmlStep::End;
    if (xmlTextReaderNodeType(Reader(reader_)) == XML_READER_TYPE_DOCUMENT_TYPE) {
        lastError_ = kDoctypeRefused;
        return XmlStep::Error;
    }
    return XmlStep::Node;
}

XmlNode XmlPullReader::Type() const
{
    switch (xmlTextReaderNodeType(Reader(reader_))) {
    case XML_READER_TYPE_ELEMENT:
        return XmlNode::Element;
    case XML_READER_TYPE_END_ELEMENT:
        return XmlNode::EndElement;
    case XML_READER_TYPE_TEXT:
        return XmlNode::Text;
    case XML_READER_TYPE_CDATA:
        return XmlNode::CData;
    case XML_READER_TYPE_WHITESPACE:
    case XML_READER_TYPE_SIGNIFICANT_WHITESPACE:
        return XmlNode::Whitespace;
    default:
        return XmlNode::Other;
    }
}

bool XmlPullReader::IsEmptyElement() const
{
    return xmlTextReaderIsEmptyElement(Reader(reader_)) == 1;
}

bool XmlPullReader::LocalName(std::string& out) const
{
    const xmlChar* name = xmlTextReaderConstLocalName(Reader(reader_));
    out = Copy(name);
    return name != nullptr;
}

bool XmlPullReader::Value(std::string& out) const
{
    const xmlChar* value = xmlTextReaderConstValue(Reader(reader_));
    out = Copy(value);
    return value != nullptr || xmlTextReaderHasValue(Reader(reader_)) == 0;
}

XmlStep XmlPullReader::MoveToFirstAttribute()
{
    const int rc = xmlTextReaderMoveToFirstAttribute(Reader(reader_));
    return rc == 1 ? XmlStep::Node : rc == 0 ? XmlStep::End : XmlStep::Error;
}

XmlStep XmlPullReader::MoveToNextAttribute()
{
    const int rc = xmlTextReaderMoveToNextAttribute(Reader(reader_));
    return rc == 1 ? XmlStep::Node : rc == 0 ? XmlStep::End : XmlStep::Error;
}

bool XmlPullReader::IsDefault() const
{
    return xmlTextReaderIsDefault(Reader(reader_)) == 1;
}

void XmlPullReader::MoveToElement()
{
    xmlTextReaderMoveToElement(Reader(reader_));
}

} // namespace Zorva::Platform
