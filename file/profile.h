// The profile of coloured pictures: profile.zorva-db in the user version folder, a container whose
// payload is the XML document of every picture's non-white regions.
#pragma once

#include <string>

namespace Zorva::File {

class CContentStore;

inline constexpr std::u16string_view kProfileName = u"profile.zorva-db";

// The profile's path in the user version folder.
std::u16string ProfilePath();

// <?xml version="1.0"?><Zorva version="1.0"><Art name=".."><Col name="x17" r=".." g=".." b=".."/>...
// One Art for each picture with a region (1 to 4095) that is not exactly opaque white.
std::u16string BuildProfileDocument(CContentStore& store);

// Writes the document over the profile, replacing it only once the new one is safely on disk.
bool SaveProfile(CContentStore& store);

} // namespace Zorva::File
