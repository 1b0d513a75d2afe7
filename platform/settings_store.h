// A typed, hierarchical key-value store in files, with the operations of a registry.
//
// A store is a root folder: the per-user one ($XDG_CONFIG_HOME), the machine-wide one (the first
// folder of $XDG_CONFIG_DIRS) or another account's (<home>/.config). Key paths are written with
// backslashes and begin with "SOFTWARE"; "SOFTWARE" is the root folder itself and the components
// below it are folders. A key's values live in one small text file in its folder, replaced
// atomically on every change; a damaged file reads as a key without values.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Zorva::Platform {

enum class ValueType : std::uint32_t {
    String = 1, // UTF-16 text; its data is the text's code units and a terminating zero, little-endian
    Dword = 4,  // a 32-bit number; its data is 4 bytes, little-endian
};

struct StoredValue {
    ValueType type = ValueType::Dword;
    std::vector<std::uint8_t> data;
};

class SettingsStore {
public:
    explicit SettingsStore(std::string rootFolder);

    static SettingsStore CurrentUser();
    static SettingsStore LocalMachine();
    // The running user's store, then the store of every account in the password database whose
    // folder differs from it.
    static std::vector<SettingsStore> AllUsers();

    const std::string& Root() const { return root_; }

    // The folder of a key path, ending with '/'; empty when the path is not a valid key path.
    std::string KeyFolder(std::u16string_view keyPath) const;

    // Creates the key and its missing parents; true when the key exists afterwards.
    bool CreateKey(std::u16string_view keyPath) const;

    std::optional<StoredValue> QueryValue(std::u16string_view keyPath, std::u16string_view name) const;
    bool SetValue(std::u16string_view keyPath, std::u16string_view name, const StoredValue& value) const;
    bool SetDword(std::u16string_view keyPath, std::u16string_view name, std::uint32_t value) const;
    bool SetString(std::u16string_view keyPath, std::u16string_view name, std::u16string_view value) const;

    // Removes the key with all its values and sub-keys. Symbolic links inside are removed, never
    // followed, and a key reached through a linked component is left alone.
    bool DeleteKeyTree(std::u16string_view keyPath) const;

    // Removes the key only while it has neither sub-keys nor values. The root is never removed.
    bool DeleteEmptyKey(std::u16string_view keyPath) const;

    std::vector<std::u16string> SubKeys(std::u16string_view keyPath) const;

private:
    // Opens the folder that holds the key's own folder without following links, and gives the
    // key's components; -1 when the path is not a key below a root or a component is missing.
    int OpenKeyParent(std::u16string_view keyPath, std::vector<std::string>& parts) const;

    std::string root_;
};

// Name of the values file inside a key folder.
inline constexpr std::string_view kValuesFileName = ".values";

} // namespace Zorva::Platform
