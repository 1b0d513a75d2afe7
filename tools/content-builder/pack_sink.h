// The sink that packs every resource into its container and writes it below the output folder.
#pragma once

#include "tools/content-builder/build_context.h"

namespace Zorva::Tools {

// Packs through the program's own container code. A file whose bytes are unchanged is left alone,
// so its time stamp stays too.
ResourceSink MakePackingSink(const std::filesystem::path& outDir);

} // namespace Zorva::Tools
