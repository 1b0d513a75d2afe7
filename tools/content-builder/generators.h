// The generators of the content builder and the folders their output goes to.
//
// A generator reads its sources below content/ and hands finished payloads to
// BuildContext::Write; it never touches the output tree itself. To add one: write a function
// `void GenerateSomething(BuildContext&)`, declare it here and list it in generators.cpp.
#pragma once

#include "tools/content-builder/build_context.h"

#include <string>
#include <vector>

namespace Zorva::Tools {

// Stage folders below Res/ (see README.md for why each resource lives where it does).
namespace Folder {
// Loaded before the graphics device exists: no texture, mesh or shader.
inline const std::string Boot = "Boot";
// Loaded again after every settings change; what the world needs when it is first drawn.
inline const std::string Boot2 = "Boot2";
// Loaded once per run.
inline const std::string Stream = "Stream";
inline const std::string Art = "Art";
// Loaded again after every settings change; what the pages need.
inline const std::string Auto = "Auto";
// Quality sub-folders, lowest quality first: level 0, 1, 2.
inline const std::string QualityLevels[3] = {"Lvl9", "LvlMedium", "Lvl10"};
// Language folders of the spoken help.
inline const std::string Languages[4] = {"pl", "ru", "en-GB", "en"};
} // namespace Folder

struct Generator {
    const char* name;
    void (*run)(BuildContext&);
    bool visual; // contributes to the contact sheet
};

// Every generator, in the order the builder runs them.
const std::vector<Generator>& AllGenerators();

void GeneratePictures(BuildContext&);   // content/art/*.svg -> Art/*.zorva-art
void GenerateFont(BuildContext&);       // DejaVu Sans Bold -> Boot2/dialog_font.{zorva-tex,zorva-db}
void GenerateTextures(BuildContext&);   // icons, logo, wood, ghost -> *.zorva-tex
void GenerateBackground(BuildContext&); // content/textures/background.svg -> Boot/background.zorva-blob
void GenerateJingles(BuildContext&);    // synthesised jingles -> Stream/*.zorva-snd
void GenerateSpeech(BuildContext&);     // content/speech/<lang>/*.txt -> Stream/<lang>/*.zorva-snd
void GenerateMusic(BuildContext&);      // content/music/*.score -> Boot/*.zorva-strm
void GenerateGpuContent(BuildContext&); // meshes and content/shaders/ -> Boot2, Auto

} // namespace Zorva::Tools
