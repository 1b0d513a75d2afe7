#include "tests/renderer/scene_fixture.h"

#include "book/world.h"
#include "file/container.h"
#include "gui/pointer.h"
#include "kernel/config.h"
#include "kernel/font_metrics.h"
#include "kernel/load_stage.h"
#include "kernel/strings.h"
#include "renderer/device.h"
#include "renderer/render_thread.h"
#include "renderer/resources.h"
#include "tests/renderer/dds_builder.h"
#include "tools/content-builder/gpu_content.h"

#include <cmath>
#include <optional>

namespace Zorva::Testing {

std::vector<std::uint8_t> MakeWoodDds()
{
    const std::uint32_t size = 256;
    std::vector<std::uint8_t> pixels;
    std::vector<float> level(size * size * 3);
    for (std::uint32_t y = 0; y < size; ++y)
        for (std::uint32_t x = 0; x < size; ++x) {
            const float fx = static_cast<float>(x) / size, fy = static_cast<float>(y) / size;
            const float rings = 0.5f + 0.5f * std::sin(2 * 3.14159265f * (fy * 6 + 0.3f * std::sin(2 * 3.14159265f * fx)));
            const float t = 0.75f + 0.25f * rings;
            float* p = &level[(y * size + x) * 3];
            p[0] = 0.78f * t;
            p[1] = 0.50f * t;
            p[2] = 0.26f * t;
        }
    std::uint32_t w = size, mips = 0;
    while (true) {
        for (std::uint32_t i = 0; i < w * w; ++i) {
            for (int c = 0; c < 3; ++c)
                pixels.push_back(static_cast<std::uint8_t>(std::lround(level[i * 3 + static_cast<std::uint32_t>(c)] * 255)));
            pixels.push_back(255);
        }
        ++mips;
        if (w == 1)
            break;
        std::vector<float> next((w / 2) * (w / 2) * 3);
        for (std::uint32_t y = 0; y < w / 2; ++y)
            for (std::uint32_t x = 0; x < w / 2; ++x)
                for (std::uint32_t c = 0; c < 3; ++c)
                    next[(y * (w / 2) + x) * 3 + c] =
                        (level[((2 * y) * w + 2 * x) * 3 + c] + level[((2 * y) * w + 2 * x + 1) * 3 + c] +
                         level[((2 * y + 1) * w + 2 * x) * 3 + c] + level[((2 * y + 1) * w + 2 * x + 1) * 3 + c]) / 4;
        level = std::move(next);
        w /= 2;
    }
    return MakeDds({size, size, mips, 29}, pixels);
}

std::vector<std::uint8_t> MakeBlockFontDds()
{
    std::vector<std::uint8_t> pixels(16 * 16 * 4, 255);
    return MakeDds({16, 16, 1, 28}, pixels);
}

namespace {

// A payload of the staged resource tree, when the content has been built.
std::optional<std::vector<std::uint8_t>> StagedPayload(const std::string& relative)
{
    const std::filesystem::path path = std::filesystem::path(ZORVA_STAGE_DIR) / "Res" / relative;
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec)
        return std::nullopt;
    std::vector<std::uint8_t> raw, payload;
    if (File::ReadContainerImage(Utf8ToWide(path.string()), size, raw))
        return std::nullopt;
    File::DecompressContainer(raw, payload);
    return payload;
}

void FillBlockFont(Kernel::CFontMetrics& font)
{
    font.lineHeight = 0.12f;
    for (char16_t c = 32; c < 0x500; ++c) {
        Kernel::Glyph g;
        g.rect[0] = 0.25f;
        g.rect[1] = 0.25f;
        g.rect[2] = c == u' ' ? 0.0f : 0.04f;
        g.rect[3] = 0.07f;
        g.advance = 0.05f;
        font.glyphs[static_cast<std::uint16_t>(c)] = g;
    }
}

} // namespace

void SceneFixture::Start(std::uint32_t quality)
{
    ASSERT_TRUE(display_.Ok());
    kernel_ = std::make_unique<Kernel::CPersistentSingleton>(Kernel::CPersistentSingleton::Bare{});
    kernel_->config.Emplace();
    kernel_->config->current.quality = quality;
    kernel_->config->pending.quality = quality;
    kernel_->fontMetrics.Emplace();
    FillBlockFont(*kernel_->fontMetrics);
    kernel_->renderThread.Emplace();

    ASSERT_TRUE(Platform::StartVideo());
    const auto bounds = Platform::PrimaryDisplayBounds();
    ASSERT_TRUE(bounds.has_value());
    ASSERT_TRUE(window_.Create("Glimmerpen", *bounds));
    Renderer::DeviceState().window = &window_;
    Renderer::InstallSceneHooks();
    Renderer::DeviceState().hooks.confinePointer = [] {
        GUI::CrayonX.store(0.0f);
        GUI::CrayonY.store(0.0f);
    };
    Book::InstallSceneFactories();
    Renderer::GetFrameHooks().loadingStep = [](std::uint32_t stage) {
        if (stage == 5) {
            Renderer::BuildWorldStep();
            LoadStage.store(6);
        }
    };
    LoadStage.store(0);
    kernel_->renderThread->Start();
    window_.Show();
    ASSERT_TRUE(WaitFor([] { return Renderer::CUploadQueue::Instance().Accepting(); }, std::chrono::seconds(20)));

    // What the boot stages would have loaded.
    const char* level = quality == 0 ? "Lvl9" : quality == 1 ? "LvlMedium" : "Lvl10";
    for (const Tools::GpuResource& r : Tools::MeshResources())
        Renderer::HandleMeshPayload(Utf8ToWide(r.fileName.substr(0, r.fileName.find('.'))), r.payload.data(), r.payload.size());
    for (const Tools::GpuResource& r : Tools::ShaderResources(ZORVA_SOURCE_DIR "/content/shaders")) {
        if (r.folder != std::string("Boot2/") + level)
            continue;
        const std::u16string name = Utf8ToWide(r.fileName.substr(0, r.fileName.find('.')));
        if (r.fileName.ends_with(".zorva-vsil"))
            Renderer::HandleVertexShaderPayload(name, r.payload.data(), r.payload.size());
        else
            Renderer::HandlePixelShaderPayload(name, r.payload.data(), r.payload.size());
    }
    // The real wood of the quality level when the content is staged.
    const auto wood = StagedPayload(std::string("Boot2/") + level + "/wood.zorva-tex").value_or(MakeWoodDds());
    Renderer::HandleTexturePayload(u"wood", wood.data(), wood.size());
    const auto font = MakeBlockFontDds();
    Renderer::HandleTexturePayload(u"dialog_font", font.data(), font.size());
    LoadStage.store(5);
    ASSERT_TRUE(WaitFor([] { return LoadStage.load() == 6; }, std::chrono::seconds(20)));
    ASSERT_TRUE(WaitFrames(3));
}

bool SceneFixture::WaitFrames(std::uint64_t frames)
{
    const std::uint64_t target = Renderer::Statistics().frames.load() + frames;
    return WaitFor([&] { return Renderer::Statistics().frames.load() >= target; }, std::chrono::seconds(30));
}

void SceneFixture::TearDown()
{
    if (kernel_ && kernel_->renderThread) {
        kernel_->renderThread->Post(Renderer::kQuit);
        kernel_->renderThread->WaitUntilStopped();
    }
    window_.Destroy();
    kernel_.reset();
    Platform::StopVideo();
}

} // namespace Zorva::Testing
