// The remembered picture: the current entry of the picture map and the one that was current when
// the resources had loaded. Its name is kept in the settings value "Art" between runs.
#pragma once

#include "file/art_record.h"
#include "kernel/persistent_singleton.h"

namespace Zorva::Kernel {

class CPersistentSingleton::CCurrentArtProfile {
public:
    CCurrentArtProfile() = default;
    CCurrentArtProfile(const CCurrentArtProfile&) = delete;
    CCurrentArtProfile& operator=(const CCurrentArtProfile&) = delete;
    // Writes the current picture's name to "Art"; with no current picture the stored name stays.
    ~CCurrentArtProfile();

    // Points both references at the picture "Art" names (exact match), else at the map's first
    // entry; both stay null when there is no picture at all.
    void ReadForCurrent();

    File::PictureEntry* current = nullptr;
    File::PictureEntry* atStart = nullptr;
};

} // namespace Zorva::Kernel
