#include "gui/dialog.h"

#include "kernel/persistent_singleton.h"

#include <cmath>

namespace Zorva::GUI {
namespace {

constexpr float k = 1.0f / 255.0f;

std::array<float, 4> HrPlacement(const std::array<float, 4>& r)
{
    const float half = std::fabs(r[0] - r[2]) / 2.0f;
    return {half, r[3] - 0.195f, r[0] + half, std::fabs(r[0] - r[2])};
}

} // namespace

CDialog::CHR::CHR(const std::array<float, 4>& r)
    : CMetallic(8, u"hr", {32 * k, 0, 0, 1, 1, 0.25f, 0.25f, 1, 0, 0, 0.0125f, 1, 0, 0, 0.025f, 1}, HrPlacement(r))
{
}

CDialog::CBorder::CBorder(const std::array<float, 4>& r)
    : CMetallic(7, u"dialog_metallic",
                {8 * k, 8 * k, 45 * k, 1, 0.75f, 0.75f, 1, 1, 5 * k, 5 * k, 18 * k, 1, 0, 0, 0.125f, 1}, r)
{
}

CDialog::CDialog(const std::array<float, 4>& r, const LocalizedText& title, bool buildNow)
    : sceneRect_{r[0], r[1] * 0.5625f, r[2], r[3] * 0.5625f}, rule_(r), frame_(r)
{
    AddText(text_, 0.85f, {0.025f, 0.025f, 1, 1}, r[3] - 0.048f, 0.04f - r[2], SelectText(title));
    if (buildNow)
        BuildText(text_);
    Kernel::CDirect3DSingleton& root = *Kernel::SceneRoot();
    Add(&rule_);
    Add(&frame_);
    Add(&root.setBlend);
    Add(&text_);
    Add(&root.resetBlend);
}

void CDialog::AddWithLabel(Renderer::CZorva* control, float x, float y, const LocalizedText& label)
{
    Add(control);
    AddText(text_, 0.625f, {0, 0.75f, 1, 1}, y * 1.7777778f + 0.05f, 0.05f - x, SelectText(label));
}

CDialogBox::CDialogBox(const LocalizedText& title, const LocalizedText& message)
    : CDialog({-1, -1, 1, 1}, title, false)
{
    const std::u16string& text = SelectText(message);
    AddText(text_, 1.125f, {0.75f, 0, 0.1f, 1}, 0.75f, -0.96f, text.empty() ? SelectText(title) + u"..." : text);
    BuildText(text_);
}

CWoodenBackground::CWoodenBackground()
    : CTexturedShader(11, u"wood", u"wallpaper"), tilingBuffer_(4, 16, Renderer::kVertexMain)
{
}

void CWoodenBackground::Transform(Renderer::Matrix& m)
{
    m = Renderer::View().background;
}

void CWoodenBackground::Bind(const Renderer::Matrix& m)
{
    CTexturedShader::Bind(m);
    const Renderer::SceneView& view = Renderer::View();
    std::copy(std::begin(view.tiling), std::end(view.tiling), tiling_);
    tilingBuffer_.Update(tiling_);
}

} // namespace Zorva::GUI
