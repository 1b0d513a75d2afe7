// The contact sheet: every picture's region map in false colour, every icon, the textures and
// the font atlas on one PNG, for a person to look at.
#pragma once

#include "tools/content-builder/build_context.h"

#include <filesystem>
#include <vector>

namespace Zorva::Tools {

void WriteContactSheet(const std::vector<PreviewImage>& images, const std::filesystem::path& file);

} // namespace Zorva::Tools
