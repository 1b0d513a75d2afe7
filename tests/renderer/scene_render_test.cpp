// The world drawn for real: wood over the whole screen, the metallic frame, the torus at the
// pointer; the quality levels' sample counts and shadow map.
#include "kernel/persistent_singleton.h"
#include "renderer/device.h"
#include "renderer/scene.h"
#include "tests/renderer/scene_fixture.h"
#include "tests/renderer/screen_shot.h"

#include <gtest/gtest.h>

namespace Zorva::Testing {
namespace {

using SceneRender = SceneFixture;

bool Woody(const Pixel& p)
{
    return p.r > 50 && p.r > p.g && p.g > p.b;
}

TEST_F(SceneRender, DrawsTheWorldOfTheLoadingPage)
{
    Start(1);
    const auto shot = TakeScreenShot(home_.Temp() / "world.png");
    ASSERT_TRUE(shot.has_value());
    std::filesystem::copy_file(home_.Temp() / "world.png", ZORVA_BINARY_DIR "/scene-world.png",
                               std::filesystem::copy_options::overwrite_existing);
    for (auto [x, y] : {std::pair{3, 3}, {1916, 3}, {3, 1076}, {1916, 1076}, {700, 800}}) {
        SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
        const Pixel p = shot->At(x, y);
        EXPECT_TRUE(Woody(p)) << p.r << " " << p.g << " " << p.b;
    }
    // The frame's tube along the bottom edge: bluish polished metal.
    EXPECT_GT(shot->Count(960, 1080 - 23, 12, [](const Pixel& p) { return p.b > p.r + 20 && p.b > p.g + 20; }), 100);
    // The torus turns at the pointer, in the middle of the screen.
    EXPECT_GT(shot->Count(960, 540, 30, [](const Pixel& p) { return p.r > 2 * p.g + 20 && p.r > 2 * p.b + 20; }), 40);
}

TEST_F(SceneRender, QualityLevelsChooseSamplesAndShadows)
{
    for (std::uint32_t quality : {0u, 2u}) {
        SCOPED_TRACE(quality);
        Start(quality);
        const Renderer::CDeviceState& device = Renderer::DeviceState();
        const auto& supported = device.supportedSamples;
        const std::uint32_t wanted = quality == 2 ? 4 : 2;
        const bool can = std::find(supported.begin(), supported.end(), wanted) != supported.end();
        EXPECT_EQ(device.samples, can ? wanted : supported.front());
        EXPECT_EQ(Kernel::SceneRoot()->shadowMap != nullptr, quality > 0);
        if (quality > 0) {
            EXPECT_EQ(Kernel::SceneRoot()->shadowMap->width, 2048);
        }
        TearDown();
    }
}

} // namespace
} // namespace Zorva::Testing
