// The content database: I18N (the language), Art (a picture's saved colours), and the bitmap
// font's description (common, chars, kernings) filling the kernel's font metrics.
#pragma once

#include "file/xml.h"

namespace Zorva::File {

class CFileHolderGeneric;

class CBookDatabaseReader : public CXMLManager {
public:
    // Reads the document and hands each known child of its root to its handler.
    explicit CBookDatabaseReader(const XmlInput& input);
};

// The .zorva-db kind handler.
void ReadDatabaseFile(CFileHolderGeneric& file);

// The element handlers, in the reader's table order.
void HandleI18N(XmlElement& element);
void HandleArt(XmlElement& element);
void HandleCommon(XmlElement& element);
void HandleChars(XmlElement& element);
void HandleKernings(XmlElement& element);

} // namespace Zorva::File
