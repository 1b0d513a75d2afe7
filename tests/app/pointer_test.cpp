// The program's own pointer: confinement limits, clamping and the scene-unit coordinates.
#include "app/shell.h"
#include "gui/pointer.h"
#include "renderer/device.h"
#include "renderer/scene.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

namespace Zorva::App {
namespace {

void Confine(int width, int height)
{
    Renderer::ResizeView(width, height);
    Renderer::DeviceState().width = width;
    Renderer::DeviceState().height = height;
    ConfinePointer();
}

TEST(Pointer, ConfinementOfAFullHdScreenStartsInTheMiddle)
{
    Testing::PrivateHome home;
    Confine(1920, 1080);
    const PointerPixels p = CurrentPointer();
    EXPECT_EQ(p.left, 31);
    EXPECT_EQ(p.top, 31);
    EXPECT_EQ(p.right, 1888);
    EXPECT_EQ(p.bottom, 1048);
    EXPECT_EQ(p.x, 960);
    EXPECT_EQ(p.y, 540);
    EXPECT_FLOAT_EQ(GUI::PointerX.load(), 0.0f);
    EXPECT_FLOAT_EQ(GUI::CrayonY.load(), 0.0f);
}

TEST(Pointer, NeverLeavesTheLimitsHoweverLargeTheMotion)
{
    Testing::PrivateHome home;
    Confine(1920, 1080);
    for (auto [dx, dy, x, y] : {std::array{-100000, -100000, 31, 31}, {1 << 30, 1 << 30, 1888, 1048},
                                {-3000, 0, 31, 1048}, {5, -5, 36, 1043}}) {
        MovePointerBy(dx, dy);
        EXPECT_EQ(CurrentPointer().x, x);
        EXPECT_EQ(CurrentPointer().y, y);
    }
}

TEST(Pointer, SceneUnitsRunFromPlusOneAtTheLeft)
{
    Testing::PrivateHome home;
    Confine(1920, 1080);
    MovePointerBy(-10000, -10000); // top-left limit (31, 31)
    const float nx = 1.0f - 2.0f * 31 / 1920.0f, ny = 1.0f - 2.0f * 31 / 1080.0f;
    EXPECT_FLOAT_EQ(GUI::PointerX.load(), nx);
    EXPECT_FLOAT_EQ(GUI::PointerY.load(), ny * 1080.0f / 1920.0f);
    EXPECT_FLOAT_EQ(GUI::CrayonX.load(), nx * Renderer::View().s);
    EXPECT_FLOAT_EQ(GUI::CrayonY.load(), ny * Renderer::View().sy);
    // A portrait screen: y comes from the crayon plane.
    Confine(1080, 1920);
    MovePointerBy(0, -10000);
    EXPECT_FLOAT_EQ(GUI::PointerY.load(), GUI::CrayonY.load() / Renderer::View().s);
}

} // namespace
} // namespace Zorva::App
