#include "tools/content-builder/preview.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

namespace Zorva::Tools {
namespace {

constexpr int kSheetWidth = 1840;
constexpr int kMargin = 20;

cairo_surface_t* ToSurface(const PreviewImage& image) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, image.width, image.height);
    cairo_surface_flush(s);
    unsigned char* data = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    for (int y = 0; y < image.height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::size_t>(y) * stride);
        for (int x = 0; x < image.width; ++x) {
            const std::uint8_t* p = &image.rgba[(static_cast<std::size_t>(y) * image.width + x) * 4];
            const unsigned a = p[3];
            const unsigned r = (p[0] * a + 127) / 255, g = (p[1] * a + 127) / 255, b = (p[2] * a + 127) / 255;
            row[x] = (a << 24) | (r << 16) | (g << 8) | b;
        }
    }
    cairo_surface_mark_dirty(s);
    return s;
}

void Checker(cairo_t* cr, double x, double y, double w, double h, double light, double dark) {
    cairo_save(cr);
    cairo_rectangle(cr, x, y, w, h);
    cairo_clip(cr);
    const double cell = 12;
    for (int j = 0; j * cell < h; ++j)
        for (int i = 0; i * cell < w; ++i) {
            const double v = (i + j) % 2 ? light : dark;
            cairo_set_source_rgb(cr, v, v, v);
            cairo_rectangle(cr, x + i * cell, y + j * cell, cell, cell);
            cairo_fill(cr);
        }
    cairo_restore(cr);
}

struct Section {
    const char* name;
    int tileWidth;   // each image is scaled to this width (height by its aspect)
    double light, dark; // checkerboard behind transparent images
};

} // namespace

void WriteContactSheet(const std::vector<PreviewImage>& images, const std::filesystem::path& file) {
    const Section sections[] = {{"Pictures", 430, 1, 1}, {"Icons", 160, 0.85, 0.7}, {"Textures", 600, 1, 1},
                                {"Font", 1800, 0.25, 0.15}};
    // First pass measures, the second draws.
    int height = 0;
    cairo_surface_t* sheet = nullptr;
    cairo_t* cr = nullptr;
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1) {
            sheet = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kSheetWidth, height);
            cr = cairo_create(sheet);
            cairo_set_source_rgb(cr, 0.96, 0.96, 0.94);
            cairo_paint(cr);
            cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
        }
        int y = kMargin;
        for (const Section& section : sections) {
            std::vector<const PreviewImage*> members;
            for (const auto& image : images)
                if (image.section == section.name)
                    members.push_back(&image);
            if (members.empty())
                continue;
            if (cr) {
                cairo_set_source_rgb(cr, 0.15, 0.15, 0.2);
                cairo_set_font_size(cr, 26);
                cairo_move_to(cr, kMargin, y + 26);
                cairo_show_text(cr, section.name);
            }
            y += 40;
            int x = kMargin, rowHeight = 0;
            for (const PreviewImage* image : members) {
                const int w = std::min(section.tileWidth, kSheetWidth - 2 * kMargin);
                const int h = static_cast<int>(std::lround(static_cast<double>(image->height) * w / image->width));
                if (x + w > kSheetWidth - kMargin) {
                    x = kMargin;
                    y += rowHeight + 34;
                    rowHeight = 0;
                }
                if (cr) {
                    Checker(cr, x, y, w, h, section.light, section.dark);
                    cairo_surface_t* s = ToSurface(*image);
                    cairo_save(cr);
                    cairo_translate(cr, x, y);
                    cairo_scale(cr, static_cast<double>(w) / image->width, static_cast<double>(h) / image->height);
                    cairo_set_source_surface(cr, s, 0, 0);
                    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
                    cairo_paint(cr);
                    cairo_restore(cr);
                    cairo_surface_destroy(s);
                    cairo_set_source_rgb(cr, 0.2, 0.2, 0.2);
                    cairo_set_font_size(cr, 15);
                    cairo_move_to(cr, x, y + h + 18);
                    cairo_show_text(cr, image->label.c_str());
                }
                x += w + kMargin;
                rowHeight = std::max(rowHeight, h);
            }
            y += rowHeight + 34 + kMargin;
        }
        height = y;
    }
    cairo_destroy(cr);
    const cairo_status_t status = cairo_surface_write_to_png(sheet, file.c_str());
    cairo_surface_destroy(sheet);
    if (status != CAIRO_STATUS_SUCCESS)
        throw BuildError("cannot write " + file.string() + ": " + cairo_status_to_string(status));
}

} // namespace Zorva::Tools
