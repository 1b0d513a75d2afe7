#include "tools/content-builder/image.h"

#include "tools/content-builder/build_context.h"

#include <cairo.h>
#include <librsvg/rsvg.h>
#include <png.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>

namespace Zorva::Tools {
namespace {

struct GObjectDeleter {
    void operator()(void* p) const { g_object_unref(p); }
};
using HandlePtr = std::unique_ptr<RsvgHandle, GObjectDeleter>;

Rgba8Image RenderHandle(RsvgHandle* handle, int width, int height, const std::string& what) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(surface);
    RsvgRectangle viewport{0, 0, static_cast<double>(width), static_cast<double>(height)};
    GError* error = nullptr;
    const bool ok = rsvg_handle_render_document(handle, cr, &viewport, &error);
    cairo_destroy(cr);
    if (!ok) {
        std::string message = error ? error->message : "unknown error";
        if (error)
            g_error_free(error);
        cairo_surface_destroy(surface);
        throw BuildError(what + ": cannot render: " + message);
    }
    cairo_surface_flush(surface);
    Rgba8Image out;
    out.width = width;
    out.height = height;
    out.pixels.resize(static_cast<std::size_t>(width) * height * 4);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::size_t>(y) * stride);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p = row[x];
            const unsigned a = p >> 24, r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            std::uint8_t* o = out.At(x, y);
            if (a == 0) {
                o[0] = o[1] = o[2] = o[3] = 0;
            } else {
                // cairo stores premultiplied colour; undo it with rounding.
                o[0] = static_cast<std::uint8_t>(std::min(255u, (r * 255 + a / 2) / a));
                o[1] = static_cast<std::uint8_t>(std::min(255u, (g * 255 + a / 2) / a));
                o[2] = static_cast<std::uint8_t>(std::min(255u, (b * 255 + a / 2) / a));
                o[3] = static_cast<std::uint8_t>(a);
            }
        }
    }
    cairo_surface_destroy(surface);
    return out;
}

HandlePtr OpenFile(const std::filesystem::path& file) {
    GError* error = nullptr;
    RsvgHandle* handle = rsvg_handle_new_from_file(file.c_str(), &error);
    if (!handle) {
        std::string message = error ? error->message : "unknown error";
        if (error)
            g_error_free(error);
        throw BuildError(file.string() + ": " + message);
    }
    return HandlePtr(handle);
}

const std::array<float, 256>& SrgbTable() {
    static const std::array<float, 256> table = [] {
        std::array<float, 256> t{};
        for (int i = 0; i < 256; ++i) {
            const double c = i / 255.0;
            t[i] = static_cast<float>(c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
        }
        return t;
    }();
    return table;
}

} // namespace

Rgba8Image RenderSvgFile(const std::filesystem::path& file, int width, int height) {
    HandlePtr handle = OpenFile(file);
    return RenderHandle(handle.get(), width, height, file.string());
}

Rgba8Image RenderSvgText(const std::string& svg, int width, int height, const std::string& what) {
    GError* error = nullptr;
    RsvgHandle* raw = rsvg_handle_new_from_data(reinterpret_cast<const guint8*>(svg.data()), svg.size(), &error);
    if (!raw) {
        std::string message = error ? error->message : "unknown error";
        if (error)
            g_error_free(error);
        throw BuildError(what + ": " + message);
    }
    HandlePtr handle(raw);
    return RenderHandle(handle.get(), width, height, what);
}

void SvgSize(const std::filesystem::path& file, double& width, double& height) {
    HandlePtr handle = OpenFile(file);
    if (!rsvg_handle_get_intrinsic_size_in_pixels(handle.get(), &width, &height)) {
        gboolean hasW = false, hasH = false, hasViewBox = false;
        RsvgLength w{}, h{};
        RsvgRectangle viewBox{};
        rsvg_handle_get_intrinsic_dimensions(handle.get(), &hasW, &w, &hasH, &h, &hasViewBox, &viewBox);
        if (!hasViewBox)
            throw BuildError(file.string() + ": no size and no viewBox");
        width = viewBox.width;
        height = viewBox.height;
    }
}

float SrgbToLinear(std::uint8_t v) { return SrgbTable()[v]; }

std::uint8_t LinearToSrgb(float v) {
    const double c = std::clamp(static_cast<double>(v), 0.0, 1.0);
    const double s = c <= 0.0031308 ? c * 12.92 : 1.055 * std::pow(c, 1.0 / 2.4) - 0.055;
    return static_cast<std::uint8_t>(std::lround(s * 255.0));
}

std::vector<Rgba8Image> BuildMipChain(const Rgba8Image& base, bool srgb) {
    std::vector<Rgba8Image> levels{base};
    auto toLinear = [srgb](std::uint8_t v) { return srgb ? SrgbToLinear(v) : v / 255.0f; };
    auto fromLinear = [srgb](float v) {
        return srgb ? LinearToSrgb(v) : static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
    };
    while (levels.back().width > 1 || levels.back().height > 1) {
        const Rgba8Image& src = levels.back();
        Rgba8Image dst;
        dst.width = std::max(1, src.width / 2);
        dst.height = std::max(1, src.height / 2);
        dst.pixels.resize(static_cast<std::size_t>(dst.width) * dst.height * 4);
        for (int y = 0; y < dst.height; ++y) {
            for (int x = 0; x < dst.width; ++x) {
                // The source texels under this one: 2 x 2, or 1 along an axis that is already 1,
                // or 3 where an odd size leaves a last column or row over.
                const int x0 = x * 2, y0 = y * 2;
                const int x1 = (src.width == 1) ? 1 : ((x == dst.width - 1) ? src.width : x0 + 2);
                const int y1 = (src.height == 1) ? 1 : ((y == dst.height - 1) ? src.height : y0 + 2);
                double colour[3] = {0, 0, 0}, plain[3] = {0, 0, 0}, alpha = 0;
                int n = 0;
                for (int sy = y0; sy < y1; ++sy)
                    for (int sx = x0; sx < x1; ++sx) {
                        const std::uint8_t* p = src.At(sx, sy);
                        const double a = p[3] / 255.0;
                        for (int c = 0; c < 3; ++c) {
                            const double l = toLinear(p[c]);
                            colour[c] += l * a;
                            plain[c] += l;
                        }
                        alpha += a;
                        ++n;
                    }
                std::uint8_t* o = dst.At(x, y);
                for (int c = 0; c < 3; ++c) {
                    const double v = alpha > 0 ? colour[c] / alpha : plain[c] / n;
                    o[c] = fromLinear(static_cast<float>(v));
                }
                o[3] = static_cast<std::uint8_t>(std::lround(alpha / n * 255.0));
            }
        }
        levels.push_back(std::move(dst));
    }
    return levels;
}

void BleedColour(Rgba8Image& image) {
    const int w = image.width, h = image.height;
    std::vector<std::uint8_t> known(static_cast<std::size_t>(w) * h);
    bool any = false, missing = false;
    for (int i = 0; i < w * h; ++i) {
        known[i] = image.pixels[i * 4 + 3] > 0;
        any = any || known[i];
        missing = missing || !known[i];
    }
    if (!any || !missing)
        return;
    // Grow the known area one ring at a time; each new texel takes the mean of its known
    // neighbours, so colours spread outward from every edge.
    std::vector<int> frontier;
    for (int pass = 0; pass < w + h; ++pass) {
        frontier.clear();
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                if (known[y * w + x])
                    continue;
                int sum[3] = {0, 0, 0}, n = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = x + dx, ny = y + dy;
                        if (nx < 0 || ny < 0 || nx >= w || ny >= h || !known[ny * w + nx])
                            continue;
                        const std::uint8_t* p = image.At(nx, ny);
                        sum[0] += p[0], sum[1] += p[1], sum[2] += p[2];
                        ++n;
                    }
                if (n > 0) {
                    std::uint8_t* o = image.At(x, y);
                    for (int c = 0; c < 3; ++c)
                        o[c] = static_cast<std::uint8_t>((sum[c] + n / 2) / n);
                    frontier.push_back(y * w + x);
                }
            }
        if (frontier.empty())
            break;
        for (int i : frontier)
            known[i] = 1;
    }
}

std::vector<std::uint8_t> EncodePng(const Rgba8Image& image, bool withAlpha) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info)
        throw BuildError("cannot start the PNG encoder");
    std::vector<std::uint8_t> out;
    std::vector<std::uint8_t> row(static_cast<std::size_t>(image.width) * 4);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw BuildError("PNG encoding failed");
    }
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, png_size_t length) {
            auto* o = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(p));
            o->insert(o->end(), data, data + length);
        },
        nullptr);
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, image.width, image.height, 8, withAlpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_sRGB(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
    png_write_info(png, info);
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* src = image.At(0, y);
        if (withAlpha) {
            std::memcpy(row.data(), src, row.size());
        } else {
            for (int x = 0; x < image.width; ++x)
                std::memcpy(&row[x * 3], src + x * 4, 3);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

Rgba8Image Resize(const Rgba8Image& image, int width, int height) {
    Rgba8Image out;
    out.width = width;
    out.height = height;
    out.pixels.resize(static_cast<std::size_t>(width) * height * 4);
    const double sx = static_cast<double>(image.width) / width, sy = static_cast<double>(image.height) / height;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            // Average the source area under the target texel (at least one texel).
            const int x0 = static_cast<int>(x * sx), y0 = static_cast<int>(y * sy);
            const int x1 = std::max(x0 + 1, std::min(image.width, static_cast<int>((x + 1) * sx)));
            const int y1 = std::max(y0 + 1, std::min(image.height, static_cast<int>((y + 1) * sy)));
            double sum[4] = {0, 0, 0, 0};
            int n = 0;
            for (int yy = y0; yy < y1; ++yy)
                for (int xx = x0; xx < x1; ++xx) {
                    const std::uint8_t* p = image.At(xx, yy);
                    const double a = p[3] / 255.0;
                    for (int c = 0; c < 3; ++c)
                        sum[c] += p[c] * a;
                    sum[3] += a;
                    ++n;
                }
            std::uint8_t* o = out.At(x, y);
            for (int c = 0; c < 3; ++c)
                o[c] = static_cast<std::uint8_t>(sum[3] > 0 ? std::lround(sum[c] / sum[3]) : 0);
            o[3] = static_cast<std::uint8_t>(std::lround(sum[3] / n * 255.0));
        }
    return out;
}

} // namespace Zorva::Tools
