// The parent's settings: read from the per-user settings key at start, written when confirmed.
#pragma once

#include "kernel/persistent_singleton.h"
#include "platform/hresult.h"
#include "platform/settings_store.h"

#include <cstdint>
#include <optional>
#include <string>

namespace Zorva::Kernel {

// The settings key, the same below every store.
inline constexpr std::u16string_view kSettingsKeyPath = u"SOFTWARE\\Kavrin-Dremlas Vostrik\\Glimmerpen\\1.0";

// Reached by ApplyChanges when the sound flag changed; the audio engine fills it.
class IMuteSwitch {
public:
    virtual ~IMuteSwitch() = default;
    virtual void PostToggleMute() = 0;
};

// Reached by ApplyChanges when the quality level or V-Sync changed; the renderer fills it.
class IDeviceRebuild {
public:
    virtual ~IDeviceRebuild() = default;
    virtual HRESULT RebuildDevice() = 0;
};

class CPersistentSingleton::CConfig {
public:
    struct Record {
        bool audio = true;
        bool printer = true;
        bool exit = true;
        bool settings = false;
        bool vsync = false;
        std::uint32_t quality = 1;

        bool operator==(const Record&) const = default;
    };

    // Reads the current record from the settings key and copies it into the pending one.
    CConfig();

    // Writes the pending record and makes it current; rebuilds the device when the quality or
    // V-Sync changed and returns that result, otherwise 0.
    HRESULT ApplyChanges();

    Record current;
    Record pending;

    IMuteSwitch* muteSwitch = nullptr;
    IDeviceRebuild* deviceRebuild = nullptr;
};

// One open of the settings key per operation (created when missing).
class CKernelRegistry {
public:
    CKernelRegistry();
    bool QueryDword(std::u16string_view name, std::uint32_t& value) const;
    // The size in bytes of a value's data, counting a string's terminating zero.
    bool QuerySize(std::u16string_view name, std::uint32_t& bytes) const;
    bool QueryString(std::u16string_view name, std::u16string& value) const;
    bool SetDword(std::u16string_view name, std::uint32_t value) const;
    bool SetString(std::u16string_view name, std::u16string_view value) const;

private:
    std::optional<Platform::StoredValue> Query(std::u16string_view name) const;

    bool open_ = false;
};

} // namespace Zorva::Kernel
