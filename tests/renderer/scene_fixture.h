// A real window and render thread in the test process, fed with the renderer's own meshes and
// shaders and with small textures made here, driven through the loading stages the world needs.
#pragma once

#include "kernel/persistent_singleton.h"
#include "platform/main_window.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <memory>

namespace Zorva::Testing {

class SceneFixture : public ::testing::Test {
protected:
    // Starts the device at the quality level and builds the world.
    void Start(std::uint32_t quality);
    void TearDown() override;
    // Waits until the render thread has drawn this many more frames.
    bool WaitFrames(std::uint64_t frames);

    PrivateHome home_;
    PrivateDisplay display_;
    std::unique_ptr<Kernel::CPersistentSingleton> kernel_;
    Platform::MainWindow window_;
};

// A warm wood texture (sRGB, full mip chain) as a DDS file.
std::vector<std::uint8_t> MakeWoodDds();
// A font atlas whose glyphs are solid blocks.
std::vector<std::uint8_t> MakeBlockFontDds();

} // namespace Zorva::Testing
