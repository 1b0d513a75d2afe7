#include "file/content_store.h"

#include "file/container.h"
#include "file/current_art.h"
#include "file/kind_hooks.h"
#include "file/profile.h"
#include "kernel/exceptions.h"
#include "kernel/persistent_singleton.h"

namespace Zorva::File {

ArtRecord::ArtRecord() : colours(kRegionCount, GUI::CColorIdxGeneric(1.0f, 1.0f, 1.0f, 1.0f))
{
    colours[0].Assign(0.0f, 0.0f, 0.0f, 1.0f);
}

CContentStore::~CContentStore()
{
    if (ProfileStagePassed())
        SaveProfile(*this);
}

bool CContentStore::AddPicture(const std::u16string& name, ArtRecord&& record)
{
    std::lock_guard lock(picturesMutex);
    return pictures.try_emplace(name, std::move(record)).second;
}

bool CContentStore::AddBlob(const std::u16string& name, std::vector<std::uint8_t>&& bytes)
{
    std::lock_guard lock(blobsMutex);
    return blobs.try_emplace(name, std::move(bytes)).second;
}

PictureEntry* CContentStore::FindPicture(const std::u16string& name)
{
    std::lock_guard lock(picturesMutex);
    const auto it = pictures.find(name);
    return it != pictures.end() ? &*it : nullptr;
}

const std::vector<std::uint8_t>* CContentStore::FindBlob(const std::u16string& name)
{
    std::lock_guard lock(blobsMutex);
    const auto it = blobs.find(name);
    return it != blobs.end() ? &it->second : nullptr;
}

void CContentStore::CreateArtTextures()
{
    const PictureEntry* current = nullptr;
    const PictureEntry* atStart = nullptr;
    if (Kernel::CPersistentSingleton* kernel = Kernel::SingletonPointer(); kernel != nullptr && kernel->currentArt) {
        current = kernel->currentArt->current;
        atStart = kernel->currentArt->atStart;
    }
    const auto& createTexture = GetKindHooks().createArtTexture;
    for (PictureEntry& entry : pictures) {
        ArtRecord& record = entry.second;
        if (record.pixels.empty())
            DecompressContainer(record.packed, record.pixels);
        if (createTexture) {
            const HRESULT hr = createTexture(entry.first, record.pixels);
            if (Failed(hr))
                throw Exception::Driver3DFailed(hr, u"Create Art");
        }
        // The two current pictures keep their pixels for hit-testing; the rest get them back on
        // demand.
        if (&entry != current && &entry != atStart) {
            record.pixels.clear();
            record.pixels.shrink_to_fit();
        }
    }
}

} // namespace Zorva::File
