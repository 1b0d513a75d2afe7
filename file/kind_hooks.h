// The kind handlers that belong to higher subsystems (sound, music, meshes, textures, shaders).
// The searcher registers all nine kinds; these six forward to the hooks below, which their
// subsystems fill when they start. An empty hook takes the file and does nothing with it.
#pragma once

#include "file/file_holder.h"

#include <functional>

namespace Zorva::File {

using KindHandler = std::function<void(CFileHolderGeneric&)>;

struct KindHooks {
    KindHandler sound;        // .zorva-snd
    KindHandler stream;       // .zorva-strm
    KindHandler mesh;         // .zorva-msh
    KindHandler texture;      // .zorva-tex
    KindHandler vertexShader; // .zorva-vsil
    KindHandler pixelShader;  // .zorva-ps
};

// Filled before loading starts and left alone while files load.
KindHooks& GetKindHooks();

} // namespace Zorva::File
