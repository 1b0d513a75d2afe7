// Removal of the settings key for the machine and for every user account.
#pragma once

#include "platform/settings_store.h"

namespace Zorva::Set {

// The key below which Book keeps its settings.
inline constexpr std::u16string_view kKeyPath = u"SOFTWARE\\Kavrin-Dremlas Vostrik\\Glimmerpen\\1.0";

// Removes the key with everything below it, then each emptied parent in turn (a parent that
// still holds another key or a value stays). Results are not looked at.
void DeleteSettingsKey(const Platform::SettingsStore& store);

// The machine store first, then every user's store. Always 0.
int RemoveSettings();

} // namespace Zorva::Set
