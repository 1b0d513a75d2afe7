#include "tools/content-builder/generators.h"

namespace Zorva::Tools {

const std::vector<Generator>& AllGenerators() {
    static const std::vector<Generator> all = {
        {"pictures", GeneratePictures, true},
        {"font", GenerateFont, true},
        {"textures", GenerateTextures, true},
        {"background", GenerateBackground, true},
        {"jingles", GenerateJingles, false},
        {"speech", GenerateSpeech, false},
        {"music", GenerateMusic, false},
        {"gpu", GenerateGpuContent, false}, // meshes and shader programs
    };
    return all;
}

} // namespace Zorva::Tools
