#include "set/remove_settings.h"

#include <string>

namespace Zorva::Set {

void DeleteSettingsKey(const Platform::SettingsStore& store)
{
    std::u16string path(kKeyPath);
    store.DeleteKeyTree(path);
    for (int i = 0; i < 3; ++i) {
        const size_t cut = path.rfind(u'\\');
        if (cut == std::u16string::npos)
            break;
        path.resize(cut);
        // "SOFTWARE" is the store's root folder, which is never removed.
        store.DeleteEmptyKey(path);
    }
}

int RemoveSettings()
{
    DeleteSettingsKey(Platform::SettingsStore::LocalMachine());
    for (const Platform::SettingsStore& store : Platform::SettingsStore::AllUsers())
        DeleteSettingsKey(store);
    return 0;
}

} // namespace Zorva::Set
