// The pictures and byte blobs loaded from the resources, keyed by resource name. Each map has its
// own mutex, taken by every insertion and by readers outside the loading stages. Pictures iterate
// in the alphabetical order of their names, so the selection page is the same on every run.
#pragma once

#include "file/art_record.h"

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace Zorva::File {

class CContentStore {
public:
    CContentStore() = default;
    CContentStore(const CContentStore&) = delete;
    CContentStore& operator=(const CContentStore&) = delete;
    // Writes the profile of coloured pictures, once the profile stage was passed in this run.
    ~CContentStore();

    // The first entry of a name stays; false when the name was taken already.
    bool AddPicture(const std::u16string& name, ArtRecord&& record);
    bool AddBlob(const std::u16string& name, std::vector<std::uint8_t>&& bytes);
    // Null when missing. Entries never move or go while the store lives.
    PictureEntry* FindPicture(const std::u16string& name);
    const std::vector<std::uint8_t>* FindBlob(const std::u16string& name);

    // The picture-to-texture step of the merge (stage 9): every picture's DDS image goes to the
    // texture hook; only the current and the start picture keep their pixels afterwards.
    void CreateArtTextures();

    // Set once loading has read the saved profile (or found none): only then may the save at the
    // end replace the file.
    void MarkProfileStagePassed() { profileStagePassed_.store(true); }
    bool ProfileStagePassed() const { return profileStagePassed_.load(); }

    std::map<std::u16string, ArtRecord> pictures;
    std::mutex picturesMutex;
    std::unordered_map<std::u16string, std::vector<std::uint8_t>> blobs;
    std::mutex blobsMutex;

private:
    std::atomic<bool> profileStagePassed_{false};
};

} // namespace Zorva::File
