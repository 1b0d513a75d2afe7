#include "file/current_art.h"

#include "file/content_store.h"
#include "kernel/config.h"

namespace Zorva::Kernel {

namespace {
constexpr std::u16string_view kArtValue = u"Art";
constexpr std::uint32_t kLongestArtValue = 4096; // bytes
} // namespace

void CPersistentSingleton::CCurrentArtProfile::ReadForCurrent()
{
    std::u16string name;
    {
        const CKernelRegistry key;
        std::uint32_t bytes = 0;
        if (key.QuerySize(kArtValue, bytes) && bytes <= kLongestArtValue && !key.QueryString(kArtValue, name))
            name.clear();
    }
    File::PictureEntry* entry = nullptr;
    if (CPersistentSingleton* kernel = SingletonPointer(); kernel != nullptr && kernel->contentStore) {
        File::CContentStore& store = *kernel->contentStore;
        std::lock_guard lock(store.picturesMutex);
        auto it = store.pictures.find(name);
        if (it == store.pictures.end())
            it = store.pictures.begin();
        if (it != store.pictures.end())
            entry = &*it;
    }
    current = entry;
    atStart = entry;
}

CPersistentSingleton::CCurrentArtProfile::~CCurrentArtProfile()
{
    if (current != nullptr)
        CKernelRegistry().SetString(kArtValue, current->first);
}

} // namespace Zorva::Kernel
