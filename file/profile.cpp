#include "file/profile.h"

#include "file/container.h"
#include "file/content_store.h"
#include "file/xml.h"
#include "kernel/exceptions.h"
#include "kernel/folders.h"
#include "kernel/strings.h"

#include <typeinfo>

namespace Zorva::File {

std::u16string ProfilePath()
{
    return GetUserVersionFolder() + std::u16string(kProfileName);
}

std::u16string BuildProfileDocument(CContentStore& store)
{
    CXMLManager document;
    std::lock_guard lock(store.picturesMutex);
    for (const auto& [name, record] : store.pictures) {
        XmlElement art;
        art.tag = u"Art";
        art.AddAttribute(u"name", name);
        for (std::size_t i = 1; i < record.colours.size(); ++i) {
            const GUI::CColorIdxGeneric& colour = record.colours[i];
            if (colour.IsOpaqueWhite())
                continue;
            XmlElement& col = art.children.emplace_back();
            col.tag = u"Col";
            col.AddAttribute(u"name", u"x" + Utf8ToWide(std::to_string(i)));
            col.AddFloatAttribute(u"r", colour.r);
            col.AddFloatAttribute(u"g", colour.g);
            col.AddFloatAttribute(u"b", colour.b);
        }
        if (!art.children.empty())
            document.root.children.push_back(std::move(art));
    }
    return document.DocumentText();
}

bool SaveProfile(CContentStore& store)
{
    // Runs while the kernel object goes: nothing may escape, and a failed save leaves the old
    // profile in place.
    try {
        const std::string text = WideToUtf8(BuildProfileDocument(store));
        return WriteContainerFile(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), ProfilePath());
    } catch (const std::bad_cast&) {
        return false;
    } catch (const Exception::CGenericZorvaException&) {
        return false;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace Zorva::File
