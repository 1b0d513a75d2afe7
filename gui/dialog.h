// Dialogs: a metallic frame, a rule under the title, the title and labels in one text drawable,
// and the controls as children; the full-screen message box; the wooden background.
#pragma once

#include "kernel/text.h"
#include "renderer/scene.h"
#include "renderer/text.h"

#include <array>

namespace Zorva::GUI {

class CDialog : public Renderer::CWorldGrCombine {
public:
    // The rectangle (x0, y0, x1, y1) in dialog units: x as in the scene, y x 0.5625 in the scene.
    CDialog(const std::array<float, 4>& rect, const LocalizedText& title, bool buildNow);

    // The rule under the title.
    class CHR : public Renderer::CMetallic {
    public:
        explicit CHR(const std::array<float, 4>& rect);
    };
    // The frame.
    class CBorder : public Renderer::CMetallic {
    public:
        explicit CBorder(const std::array<float, 4>& rect);
    };

    // Adds a control with a label to the right of its centre (x, y) in dialog units.
    void AddWithLabel(Renderer::CZorva* control, float x, float y, const LocalizedText& label);

    CText2Texture& Text() { return text_; }
    const std::array<float, 4>& SceneRect() const { return sceneRect_; }

protected:
    CText2Texture text_;
    std::array<float, 4> sceneRect_;
    CHR rule_;
    CBorder frame_;
};

// A message over the whole screen: the title, then the message (or the title and "...").
class CDialogBox : public CDialog {
public:
    CDialogBox(const LocalizedText& title, const LocalizedText& message);
};

// The wood behind everything, covering the whole visible screen at any aspect ratio.
class CWoodenBackground : public Renderer::CTexturedShader {
public:
    CWoodenBackground();
    void Transform(Renderer::Matrix& m) override;
    void Bind(const Renderer::Matrix& m) override;

private:
    Renderer::ConstantBuffer tilingBuffer_;
    float tiling_[4] = {1, 1, 1, 1};
};

} // namespace Zorva::GUI
