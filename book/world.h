// The top of the colouring book's scene: the page numbers and the pointer flag, the world with
// its wooden background, busy pointer and loading page, and (once everything is loaded) the
// page set.
#pragma once

#include "gui/dialog.h"
#include "renderer/scene.h"

#include <atomic>
#include <cstdint>
#include <memory>

namespace Zorva::GUI {

// The busy pointer: a spinning metallic ring at the pointer while input is not taken.
class CTorus : public Renderer::CMetallic {
public:
    CTorus();
    bool IsVisible() override;
    void Transform(Renderer::Matrix& m) override;
};

} // namespace Zorva::GUI

namespace Zorva {

// The page shown and taking input: 0 none yet, 1 selection, 2 printing, 3 colouring, 4 settings,
// 5 about, 6 description.
extern std::atomic<std::uint64_t> CurrentPage;
extern std::atomic<std::uint64_t> PreviousPage;
// 1 while presses are taken and the crayon shows; 0 while the torus shows.
extern std::atomic<std::int32_t> PointerEnabled;

// PointerEnabled := CurrentPage is not 2 and loading has finished.
void RefreshPointerEnabled();

} // namespace Zorva

class CWorld : public Zorva::Renderer::CWorldGrCombine {
public:
    CWorld();
    ~CWorld() override;
    // Replaces the incoming matrix with the layout scale and writes the light position in view
    // space into the scene constant buffer.
    void Transform(Zorva::Renderer::Matrix& m) override;

    // Shown until loading has finished.
    class CZorvaSplashPage : public Zorva::GUI::CDialogBox {
    public:
        CZorvaSplashPage();
        bool IsVisible() override;
    };

    // Stores the page set (destroying an earlier one) and makes it the last child.
    void SetPages(std::unique_ptr<Zorva::Renderer::CWorldGrCombine> pages);
    Zorva::Renderer::CWorldGrCombine* Pages() const { return pages_.get(); }

private:
    Zorva::GUI::CWoodenBackground background_;
    Zorva::GUI::CTorus torus_;
    CZorvaSplashPage splash_;
    std::unique_ptr<Zorva::Renderer::CWorldGrCombine> pages_;
};

namespace Zorva::Book {
// Makes the world at the loading stage that needs it and hangs it under the scene root.
void CreateWorld();
// The loading stage that builds the pages: once loading has finished.
void CreatePages();
// Points the renderer's scene factories at the book.
void InstallSceneFactories();
} // namespace Zorva::Book
