#include "book/world.h"

#include "gui/pointer.h"
#include "kernel/events.h"
#include "kernel/load_stage.h"
#include "kernel/persistent_singleton.h"
#include "kernel/text.h"
#include "renderer/render_thread.h"

#include <algorithm>

namespace Zorva {

std::atomic<std::uint64_t> CurrentPage{0};
std::atomic<std::uint64_t> PreviousPage{0};
std::atomic<std::int32_t> PointerEnabled{0};

void RefreshPointerEnabled()
{
    PointerEnabled.exchange(CurrentPage != 2 && LoadStage.load() >= kStageRunning ? 1 : 0);
}

namespace GUI {

CTorus::CTorus()
    : CMetallic(2, u"torus",
                {0.250980407f, 0.0313725509f, 0.0313725509f, 1, 1, 0.25f, 0.25f, 1, 0.0980392173f, 0.0196078438f,
                 0.0196078438f, 1, 0, 0, 0.125f, 1},
                {0, 0, 0, 0})
{
}

bool CTorus::IsVisible()
{
    return PointerEnabled.load() == 0;
}

void CTorus::Transform(Renderer::Matrix& m)
{
    const float s = static_cast<float>(FrameTime);
    // The ring floats 0.075 in front of the pointer's plane, nearer the eye (2 away): seen from
    // there its place is pulled in by the same proportion, so it stays over the pointer even at
    // the edges of the screen.
    constexpr float kPull = (2.0f - 0.075f) / 2.0f;
    m = m * Renderer::RotationY(4.0f * s) * Renderer::RotationZ(2.0f * s) *
        Renderer::Translation(CrayonX.load() * kPull, CrayonY.load() * kPull, 0.075f);
}

} // namespace GUI

namespace Book {

void CreateWorld()
{
    Kernel::CDirect3DSingleton& root = *Kernel::SceneRoot();
    RefreshPointerEnabled();
    auto world = std::make_unique<CWorld>();
    root.Add(world.get());
    root.world = std::move(world);
}

void CreatePages()
{
    // Loading has finished: the loading page gives way and the pointer is taken.
    RefreshPointerEnabled();
}

void InstallSceneFactories()
{
    Renderer::GetSceneFactories().createWorld = CreateWorld;
    Renderer::GetSceneFactories().createPages = CreatePages;
}

} // namespace Book
} // namespace Zorva

using namespace Zorva;

CWorld::CZorvaSplashPage::CZorvaSplashPage() : CDialogBox(Texts::TextProductFullTitle, Texts::TextWait) {}

bool CWorld::CZorvaSplashPage::IsVisible()
{
    return LoadStage.load() < kStageRunning;
}

CWorld::CWorld()
{
    Add(&background_);
    Add(&torus_);
    Add(&splash_);
}

CWorld::~CWorld()
{
    pages_.reset();
}

void CWorld::Transform(Renderer::Matrix& m)
{
    const float s = Renderer::View().s;
    m = Renderer::Scaling(s, s, s);
    Kernel::CDirect3DSingleton& root = *Kernel::SceneRoot();
    if (root.sceneBuffer) {
        const Renderer::Float4 light = Renderer::Transform({-1.1f, 3.985f, 9.734f, 1.0f}, Renderer::View().view);
        root.sceneBuffer->Update(&light);
    }
}

void CWorld::SetPages(std::unique_ptr<Renderer::CWorldGrCombine> pages)
{
    if (pages_)
        std::erase(children_, static_cast<Renderer::CZorva*>(pages_.get()));
    pages_ = std::move(pages);
    if (pages_)
        Add(pages_.get());
}
