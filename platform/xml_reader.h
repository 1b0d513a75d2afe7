// A pull reader over an XML document in memory (libxml2's text reader). A document with a
// document type declaration is refused as soon as the declaration is met; entities are never
// loaded from anywhere and the network is never used. Text comes out as UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace Zorva::Platform {

enum class XmlNode { Element, EndElement, Text, CData, Whitespace, Other };

// Result of a step: a node was read, the end was reached, or the document is malformed.
enum class XmlStep { Node, End, Error };

class XmlPullReader {
public:
    // The bytes must outlive the reader. Null when the reader cannot be made.
    static std::unique_ptr<XmlPullReader> Create(const std::uint8_t* data, std::size_t size);
    ~XmlPullReader();
    XmlPullReader(const XmlPullReader&) = delete;
    XmlPullReader& operator=(const XmlPullReader&) = delete;

    XmlStep Read();
    XmlNode Type() const;
    bool IsEmptyElement() const;
    // The current node's (or attribute's) local name and value; false when there is none.
    bool LocalName(std::string& out) const;
    bool Value(std::string& out) const;

    // Attributes of the current element: Node when positioned on one, End when there are no more.
    XmlStep MoveToFirstAttribute();
    XmlStep MoveToNextAttribute();
    // True for an attribute supplied by a declaration rather than written in the document.
    bool IsDefault() const;
    void MoveToElement();

    // The parser's code of the last failure (0 when none is known); a refused document type
    // declaration gives kDoctypeRefused.
    int LastError() const { return lastError_; }
    static constexpr int kDoctypeRefused = -2;

private:
    XmlPullReader() = default;
    void* reader_ = nullptr;
    int lastError_ = 0;
    friend struct ErrorSink;
};

} // namespace Zorva::Platform
