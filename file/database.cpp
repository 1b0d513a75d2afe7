#include "file/database.h"

#include "file/content_store.h"
#include "file/file_holder.h"
#include "kernel/font_metrics.h"
#include "kernel/persistent_singleton.h"
#include "kernel/text.h"

#include <mutex>
#include <stdexcept>

namespace Zorva::File {
namespace {

// Only one font description is expected, but two database files may load at once.
std::mutex g_fontMutex;

Kernel::CFontMetrics* FontMetrics()
{
    Kernel::CPersistentSingleton* kernel = Kernel::SingletonPointer();
    return kernel != nullptr ? kernel->fontMetrics.get() : nullptr;
}

float FloatOf(const XmlElement& element, const char16_t* name)
{
    return ParseFloat(element.Attribute(name));
}

std::uint16_t CodeOf(const XmlElement& element, const char16_t* name)
{
    return static_cast<std::uint16_t>(ParseUnsignedLong(element.Attribute(name)) & 0xFFFFu);
}

} // namespace

CBookDatabaseReader::CBookDatabaseReader(const XmlInput& input)
    : CXMLManager(input, {
                             {u"I18N", HandleI18N},
                             {u"Art", HandleArt},
                             {u"common", HandleCommon},
                             {u"chars", HandleChars},
                             {u"kernings", HandleKernings},
                         })
{
}

void ReadDatabaseFile(CFileHolderGeneric& file)
{
    CBookDatabaseReader reader(file.GetPayloadStream());
}

void HandleI18N(XmlElement& element)
{
    const std::u16string& lang = element.Attribute(u"lang");
    LanguageId.store(lang == u"pl" ? LangPolish : lang == u"ru" ? LangRussian : LangBritish);
}

void HandleArt(XmlElement& element)
{
    Kernel::CPersistentSingleton* kernel = Kernel::SingletonPointer();
    if (kernel == nullptr || !kernel->contentStore)
        return;
    // The profile loads alone, after every picture is in; entries never move.
    PictureEntry* picture = kernel->contentStore->FindPicture(element.Attribute(u"name"));
    if (picture == nullptr)
        return;
    std::vector<GUI::CColorIdxGeneric>& colours = picture->second.colours;
    for (const XmlElement& col : element.children) {
        const std::u16string& name = col.Attribute(u"name");
        if (name.empty())
            throw std::out_of_range("invalid string position");
        const std::uint64_t index = ParseUnsigned64(name.substr(1));
        const float r = FloatOf(col, u"r");
        const float g = FloatOf(col, u"g");
        const float b = FloatOf(col, u"b");
        // Outside the table: no such region.
        if (index >= colours.size())
            continue;
        colours[index].Assign(r, g, b, 1.0f);
    }
}

void HandleCommon(XmlElement& element)
{
    Kernel::CFontMetrics* metrics = FontMetrics();
    if (metrics == nullptr)
        return;
    const float scaleH = FloatOf(element, u"scaleH");
    const float scaleW = FloatOf(element, u"scaleW");
    const float lineHeight = FloatOf(element, u"lineHeight");
    std::lock_guard lock(g_fontMutex);
    metrics->invScaleH = 1.0f / scaleH;
    metrics->invScaleW = 1.0f / scaleW;
    metrics->lineHeight = lineHeight * metrics->invScaleH;
}

void HandleChars(XmlElement& element)
{
    Kernel::CFontMetrics* metrics = FontMetrics();
    if (metrics == nullptr)
        return;
    std::lock_guard lock(g_fontMutex);
    // A hint only, and never more than the element can hold.
    const std::uint64_t count = ParseUnsigned64(element.Attribute(u"count"));
    metrics->glyphs.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(count, element.children.size())));
    const float w = metrics->invScaleW;
    const float h = metrics->invScaleH;
    for (const XmlElement& c : element.children) {
        const float xoffset = FloatOf(c, u"xoffset");
        const float yoffset = FloatOf(c, u"yoffset");
        const float x = FloatOf(c, u"x");
        const float y = FloatOf(c, u"y");
        const float width = FloatOf(c, u"width");
        const float height = FloatOf(c, u"height");
        const float xadvance = FloatOf(c, u"xadvance");
        const std::uint16_t id = CodeOf(c, u"id");
        Kernel::Glyph glyph;
        glyph.rect[0] = y * h;
        glyph.rect[1] = x * w;
        glyph.rect[2] = width * w;
        glyph.rect[3] = height * h;
        glyph.offset[0] = yoffset * h;
        glyph.offset[1] = xoffset * w;
        glyph.advance = xadvance * w;
        metrics->glyphs.try_emplace(id, std::move(glyph));
    }
}

void HandleKernings(XmlElement& element)
{
    Kernel::CFontMetrics* metrics = FontMetrics();
    if (metrics == nullptr)
        return;
    std::lock_guard lock(g_fontMutex);
    for (const XmlElement& k : element.children) {
        const std::uint16_t first = CodeOf(k, u"first");
        const auto glyph = metrics->glyphs.find(first);
        const float amount = FloatOf(k, u"amount") * metrics->invScaleW;
        const std::uint16_t second = CodeOf(k, u"second");
        // A pair for a glyph not read (yet) has nowhere to go.
        if (glyph != metrics->glyphs.end())
            glyph->second.kernings.try_emplace(second, amount);
    }
}

} // namespace Zorva::File
