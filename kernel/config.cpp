#include "kernel/config.h"

#include "kernel/load_stage.h"
#include "platform/settings_store.h"

namespace Zorva {

std::atomic<std::uint32_t> LoadStage{0};

namespace Kernel {

CKernelRegistry::CKernelRegistry() : open_(Platform::SettingsStore::CurrentUser().CreateKey(kSettingsKeyPath)) {}

std::optional<Platform::StoredValue> CKernelRegistry::Query(std::u16string_view name) const
{
    if (!open_)
        return std::nullopt;
    return Platform::SettingsStore::CurrentUser().QueryValue(kSettingsKeyPath, name);
}

bool CKernelRegistry::QueryDword(std::u16string_view name, std::uint32_t& value) const
{
    const auto stored = Query(name);
    // Whatever the stored type, the data is read into a 4-byte buffer; longer data does not fit.
    if (!stored || stored->data.size() > 4)
        return false;
    std::uint32_t v = 0;
    for (size_t i = 0; i < stored->data.size(); ++i)
        v |= static_cast<std::uint32_t>(stored->data[i]) << (8 * i);
    value = v;
    return true;
}

bool CKernelRegistry::QuerySize(std::u16string_view name, std::uint32_t& bytes) const
{
    const auto stored = Query(name);
    if (!stored)
        return false;
    bytes = static_cast<std::uint32_t>(stored->data.size());
    return true;
}

bool CKernelRegistry::QueryString(std::u16string_view name, std::u16string& value) const
{
    const auto stored = Query(name);
    if (!stored)
        return false;
    std::u16string text;
    for (size_t i = 0; i + 1 < stored->data.size(); i += 2)
        text.push_back(static_cast<char16_t>(stored->data[i] | (stored->data[i + 1] << 8)));
    if (const size_t zero = text.find(u'\0'); zero != std::u16string::npos)
        text.resize(zero);
    value = std::move(text);
    return true;
}

bool CKernelRegistry::SetDword(std::u16string_view name, std::uint32_t value) const
{
    return open_ && Platform::SettingsStore::CurrentUser().SetDword(kSettingsKeyPath, name, value);
}

bool CKernelRegistry::SetString(std::u16string_view name, std::u16string_view value) const
{
    return open_ && Platform::SettingsStore::CurrentUser().SetString(kSettingsKeyPath, name, value);
}

CPersistentSingleton::CConfig::CConfig()
{
    const CKernelRegistry key;
    auto flag = [&key](std::u16string_view name, bool fallback) {
        std::uint32_t v = 0;
        return key.QueryDword(name, v) ? v != 0 : fallback;
    };
    current.audio = flag(u"Audio", true);
    current.printer = flag(u"Printer", true);
    current.exit = flag(u"Exit", true);
    current.settings = flag(u"Settings", false);
    current.vsync = flag(u"VSync", false);
    std::uint32_t quality = 1;
    if (!key.QueryDword(u"AAx4", quality) || quality > 2)
        quality = 1;
    current.quality = quality;
    pending = current;
}

HRESULT CPersistentSingleton::CConfig::ApplyChanges()
{
    {
        const CKernelRegistry key;
        key.SetDword(u"Audio", pending.audio ? 1 : 0);
        key.SetDword(u"Printer", pending.printer ? 1 : 0);
        key.SetDword(u"Exit", pending.exit ? 1 : 0);
        key.SetDword(u"Settings", pending.settings ? 1 : 0);
        key.SetDword(u"VSync", pending.vsync ? 1 : 0);
        key.SetDword(u"AAx4", pending.quality);
    }
    const bool deviceChange = pending.quality != current.quality || pending.vsync != current.vsync;
    const bool wasAudio = current.audio;
    current = pending;
    if (wasAudio != current.audio && muteSwitch != nullptr)
        muteSwitch->PostToggleMute();
    if (deviceChange) {
        LoadStage.store(2);
        if (deviceRebuild != nullptr)
            return deviceRebuild->RebuildDevice();
    }
    return S_OK;
}

} // namespace Kernel
} // namespace Zorva
