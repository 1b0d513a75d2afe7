// The kind handlers that belong to higher subsystems (sound, music, meshes, textures, shaders).
// The searcher registers all nine kinds; these six forward to the hooks below, which their
// subsystems fill when they start. An empty hook takes the file and does nothing with it.
#pragma once

#include "file/file_holder.h"

#include "platform/hresult.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace Zorva::File {

using KindHandler = std::function<void(CFileHolderGeneric&)>;

struct KindHooks {
    KindHandler sound;        // .zorva-snd
    KindHandler stream;       // .zorva-strm
    KindHandler mesh;         // .zorva-msh
    KindHandler texture;      // .zorva-tex
    KindHandler vertexShader; // .zorva-vsil
    KindHandler pixelShader;  // .zorva-ps

    // The picture-to-texture step: makes the texture of a picture from its DDS image and stores it
    // under the picture's name (the first entry of a name stays). A failure result stops loading.
    std::function<HRESULT(const std::u16string& name, const std::vector<std::uint8_t>& dds)> createArtTexture;
};

// Filled before loading starts and left alone while files load.
KindHooks& GetKindHooks();

} // namespace Zorva::File
