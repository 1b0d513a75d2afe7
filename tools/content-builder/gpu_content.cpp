#include "tools/content-builder/gpu_content.h"

#include <array>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <numbers>
#include <sstream>
#include <stdexcept>

namespace Zorva::Tools {
namespace {

constexpr float kPi = std::numbers::pi_v<float>;

struct V3 {
    float x = 0, y = 0, z = 0;
};
V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator*(V3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
float Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 Cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
V3 Normalize(V3 a)
{
    const float l = std::sqrt(Dot(a, a));
    return l > 0 ? a * (1.0f / l) : V3{0, 0, 1};
}

// A vertex of any of the formats: what the format does not carry is left out when written.
struct Vertex {
    V3 p;
    V3 n;
    float u = 0, v = 0;
};

enum class Format { Image, Plain, Tex };

// Builds an indexed triangle list. Triangles are wound so that, seen from the side their normals
// point to, (b - a) x (c - a) runs along the normal: the front faces of the scene's camera.
class MeshBuilder {
public:
    explicit MeshBuilder(Format format, std::function<V3(const Vertex&)> placed = {})
        : format_(format), placed_(std::move(placed))
    {
    }
    std::uint16_t Add(const Vertex& v)
    {
        if (vertices_.size() >= 65535)
            throw std::runtime_error("mesh has too many vertices for 16-bit indices");
        vertices_.push_back(v);
        return static_cast<std::uint16_t>(vertices_.size() - 1);
    }
    void Triangle(std::uint16_t a, std::uint16_t b, std::uint16_t c)
    {
        const V3 pa = Where(vertices_[a]), pb = Where(vertices_[b]), pc = Where(vertices_[c]);
        const V3 n = vertices_[a].n + vertices_[b].n + vertices_[c].n;
        const V3 face = Cross(pb - pa, pc - pa);
        if (Dot(face, face) < 1e-20f)
            return; // degenerate
        if (Dot(face, n) < 0)
            std::swap(b, c);
        indices_.insert(indices_.end(), {a, b, c});
    }
    void Quad(std::uint16_t a, std::uint16_t b, std::uint16_t c, std::uint16_t d)
    {
        Triangle(a, b, c);
        Triangle(a, c, d);
    }
    std::vector<std::uint8_t> Payload() const
    {
        std::vector<float> floats;
        for (const Vertex& v : vertices_) {
            floats.insert(floats.end(), {v.p.x, v.p.y, v.p.z});
            if (format_ != Format::Image)
                floats.insert(floats.end(), {v.n.x, v.n.y, v.n.z});
            if (format_ != Format::Plain)
                floats.insert(floats.end(), {v.u, v.v});
        }
        return MeshPayload(indices_, floats);
    }

private:
    V3 Where(const Vertex& v) const { return placed_ ? placed_(v) : v.p; }
    Format format_;
    std::function<V3(const Vertex&)> placed_;
    std::vector<Vertex> vertices_;
    std::vector<std::uint16_t> indices_;
};

// Sweeps a closed or open profile (points in (r, z) with normals) around a path. Used for rings.
struct ProfilePoint {
    float r, z;  // offset along the path's outward direction, height
    float nr, nz; // normal in the same frame
};

// The wooden table: a quad over the whole visible screen (the background matrix stretches it),
// a little behind the plane the dialogs stand on. u runs from the screen's left edge (x = +1).
std::vector<std::uint8_t> Wallpaper()
{
    MeshBuilder m(Format::Image);
    auto at = [&](float x, float y) {
        return m.Add({{x, y, -0.02f}, {0, 0, 1}, (1.0f - x) * 0.5f, (1.0f - y) * 0.5f});
    };
    // A little wider than the screen: at its depth the screen's edge lies just beyond +-1.
    const float e = 1.02f;
    const auto a = at(e, e), b = at(-e, e), c = at(-e, -e), d = at(e, -e);
    m.Quad(a, b, c, d);
    return m.Payload();
}

// The busy pointer: a smooth ring around the z axis.
std::vector<std::uint8_t> Torus()
{
    MeshBuilder m(Format::Plain);
    const int major = 48, minor = 24;
    const float R = 0.026f, r = 0.0105f;
    std::vector<std::uint16_t> ids;
    for (int i = 0; i <= major; ++i) {
        const float a = 2 * kPi * static_cast<float>(i % major) / major;
        const V3 dir{std::cos(a), std::sin(a), 0};
        for (int j = 0; j <= minor; ++j) {
            const float b = 2 * kPi * static_cast<float>(j % minor) / minor;
            const V3 n = dir * std::cos(b) + V3{0, 0, std::sin(b)};
            ids.push_back(m.Add({dir * R + n * r, n}));
        }
    }
    for (int i = 0; i < major; ++i)
        for (int j = 0; j < minor; ++j) {
            const auto k = [&](int ii, int jj) { return ids[static_cast<size_t>(ii * (minor + 1) + jj)]; };
            m.Quad(k(i, j), k(i + 1, j), k(i + 1, j + 1), k(i, j + 1));
        }
    return m.Payload();
}

// The rule under a dialog's title: a polished rod from x = -1 to 1 (the shader stretches x to the
// dialog's width), round in y and z, lying on the dialog's plane.
std::vector<std::uint8_t> Rule()
{
    MeshBuilder m(Format::Plain);
    const int sides = 16, steps = 2;
    const float radius = 0.0055f;
    std::vector<std::uint16_t> ids;
    for (int i = 0; i <= steps; ++i) {
        const float x = -1.0f + 2.0f * static_cast<float>(i) / steps;
        for (int j = 0; j <= sides; ++j) {
            // The upper half of the rod, from its bottom edge over the top to its upper edge.
            const float b = kPi * static_cast<float>(j) / sides;
            const V3 n{0, -std::cos(b), std::sin(b)};
            ids.push_back(m.Add({{x, n.y * radius, 0.002f + n.z * radius}, n}));
        }
    }
    for (int i = 0; i < steps; ++i)
        for (int j = 0; j < sides; ++j) {
            const auto k = [&](int ii, int jj) { return ids[static_cast<size_t>(ii * (sides + 1) + jj)]; };
            m.Quad(k(i, j), k(i + 1, j), k(i + 1, j + 1), k(i, j + 1));
        }
    return m.Payload();
}

// The dialog frame: a rounded metal tube along the inside of the dialog's rectangle. Every vertex
// is an offset from one corner of the rectangle; its texture coordinate says which corner
// (0 = x0 or y0, 1 = x1 or y1), so the shader fits the frame to any rectangle and the tube keeps
// its thickness.
std::vector<std::uint8_t> DialogFrame()
{
    // For the winding: a full-screen rectangle in scene units.
    const float rx0 = -1, ry0 = -0.5625f, rx1 = 1, ry1 = 0.5625f;
    MeshBuilder m(Format::Tex, [&](const Vertex& v) {
        return V3{(v.u == 0 ? rx0 : rx1) + v.p.x, (v.v == 0 ? ry0 : ry1) + v.p.y, v.p.z};
    });
    const float inset = 0.019f;   // from the rectangle's edge to the tube's centre line
    const float corner = 0.03f;   // radius of the centre line's rounded corners
    const float tube = 0.0135f;    // radius of the tube
    const int arc = 10, sides = 20;
    // The centre line: four quarter arcs, one per corner, in cyclic order.
    struct PathPoint {
        V3 offset;  // from the corner
        V3 outward; // in the plane
        float u, v;
    };
    std::vector<PathPoint> path;
    const std::array<std::array<float, 2>, 4> corners = {{{0, 0}, {1, 0}, {1, 1}, {0, 1}}};
    for (int c = 0; c < 4; ++c) {
        const float ux = corners[static_cast<size_t>(c)][0], uy = corners[static_cast<size_t>(c)][1];
        const float inX = ux == 0 ? 1.0f : -1.0f, inY = uy == 0 ? 1.0f : -1.0f; // towards the inside
        const V3 centre{inX * (inset + corner), inY * (inset + corner), 0};
        // The arc turns from one edge's outward direction to the next one's.
        const float startAngle = std::atan2(0.0f, -inX), endAngle = std::atan2(-inY, 0.0f);
        float sweep = endAngle - startAngle;
        while (sweep > kPi)
            sweep -= 2 * kPi;
        while (sweep < -kPi)
            sweep += 2 * kPi;
        // Corners alternate direction so the path runs round the rectangle in one sense.
        const bool reverse = (c % 2) == 1;
        for (int i = 0; i <= arc; ++i) {
            const float t = static_cast<float>(reverse ? arc - i : i) / arc;
            const float a = startAngle + sweep * t;
            const V3 out{std::cos(a), std::sin(a), 0};
            path.push_back({centre + out * corner, out, ux, uy});
        }
    }
    std::vector<std::uint16_t> ids;
    for (const PathPoint& p : path)
        for (int j = 0; j <= sides; ++j) {
            // From the outer edge on the table, over the top, to the inner edge.
            const float b = kPi * static_cast<float>(j) / sides;
            const V3 n = p.outward * std::cos(b) + V3{0, 0, std::sin(b)};
            ids.push_back(m.Add({p.offset + p.outward * (std::cos(b) * tube) + V3{0, 0, std::sin(b) * tube * 1.15f},
                                 Normalize(n), p.u, p.v}));
        }
    const size_t ring = static_cast<size_t>(sides + 1);
    const size_t count = path.size();
    for (size_t i = 0; i < count; ++i) {
        const size_t next = (i + 1) % count;
        for (size_t j = 0; j < static_cast<size_t>(sides); ++j)
            m.Quad(ids[i * ring + j], ids[next * ring + j], ids[next * ring + j + 1], ids[i * ring + j + 1]);
    }
    return m.Payload();
}

// A round button of radius 1 and height 1 (the button's matrix makes it flat): a face that shows
// the icon, inside a rounded, raised rim. u runs from the left edge on screen (x = +1).
std::vector<std::uint8_t> Clockface()
{
    MeshBuilder m(Format::Tex);
    const int segments = 64;
    auto uvOf = [](float x, float y) { return std::array<float, 2>{(1.0f - x) * 0.5f, (1.0f - y) * 0.5f}; };
    // The profile from the centre outwards: the face, then the rim's inner slope, top and outside.
    const std::vector<ProfilePoint> profile = {
        {0.0f, 0.55f, 0, 1},     {0.78f, 0.55f, 0, 1},   {0.80f, 0.58f, -0.6f, 0.8f},
        {0.86f, 0.85f, -0.3f, 0.95f}, {0.92f, 0.92f, 0.3f, 0.95f}, {0.98f, 0.75f, 0.85f, 0.5f},
        {1.0f, 0.0f, 1, 0.1f},
    };
    std::vector<std::uint16_t> ids;
    for (int i = 0; i <= segments; ++i) {
        const float a = 2 * kPi * static_cast<float>(i % segments) / segments;
        const V3 dir{std::cos(a), std::sin(a), 0};
        for (const ProfilePoint& p : profile) {
            const V3 pos = dir * p.r + V3{0, 0, p.z};
            const auto uv = uvOf(pos.x, pos.y);
            ids.push_back(m.Add({pos, Normalize(dir * p.nr + V3{0, 0, p.nz}), uv[0], uv[1]}));
        }
    }
    const size_t ring = profile.size();
    for (size_t i = 0; i < static_cast<size_t>(segments); ++i)
        for (size_t j = 0; j + 1 < ring; ++j)
            m.Quad(ids[i * ring + j], ids[(i + 1) * ring + j], ids[(i + 1) * ring + j + 1], ids[i * ring + j + 1]);
    return m.Payload();
}

// A square push button of half-size 1 and height 1 with rounded edges: a pillow.
std::vector<std::uint8_t> PushButton()
{
    MeshBuilder m(Format::Tex);
    const int n = 24;
    const float edge = 0.22f; // the rounded band at the border
    std::vector<std::uint16_t> ids;
    for (int i = 0; i <= n; ++i)
        for (int j = 0; j <= n; ++j) {
            const float x = -1.0f + 2.0f * static_cast<float>(i) / n;
            const float y = -1.0f + 2.0f * static_cast<float>(j) / n;
            // Height falls off like a quarter circle within the edge band.
            auto fall = [&](float t) {
                const float d = std::max(0.0f, std::fabs(t) - (1.0f - edge)) / edge;
                return std::sqrt(std::max(0.0f, 1.0f - d * d));
            };
            const float hx = fall(x), hy = fall(y);
            const float z = 0.25f + 0.75f * hx * hy;
            auto slope = [&](float t) {
                const float d = std::max(0.0f, std::fabs(t) - (1.0f - edge)) / edge;
                if (d <= 0)
                    return 0.0f;
                const float s = d / std::max(0.05f, std::sqrt(std::max(0.0f, 1.0f - d * d)));
                return (t > 0 ? 1.0f : -1.0f) * s * 0.75f / edge;
            };
            const V3 normal = Normalize({slope(x) * hy, slope(y) * hx, 1.0f});
            ids.push_back(m.Add({{x, y, z}, normal, (1.0f - x) * 0.5f, (1.0f - y) * 0.5f}));
        }
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            const auto k = [&](int ii, int jj) { return ids[static_cast<size_t>(ii * (n + 1) + jj)]; };
            m.Quad(k(i, j), k(i + 1, j), k(i + 1, j + 1), k(i, j + 1));
        }
    return m.Payload();
}

// A body of revolution around the z axis from a profile (radius, z), with outward normals.
std::vector<std::uint8_t> Revolve(const std::vector<std::array<float, 2>>& profile, int segments)
{
    MeshBuilder m(Format::Plain);
    std::vector<std::uint16_t> ids;
    const size_t count = profile.size();
    for (int i = 0; i <= segments; ++i) {
        const float a = 2 * kPi * static_cast<float>(i % segments) / segments;
        const V3 dir{std::cos(a), std::sin(a), 0};
        for (size_t j = 0; j < count; ++j) {
            // The normal from the neighbours along the profile.
            const auto& prev = profile[j == 0 ? 0 : j - 1];
            const auto& next = profile[j + 1 < count ? j + 1 : count - 1];
            const float dr = next[0] - prev[0], dz = next[1] - prev[1];
            V3 n = dir * dz + V3{0, 0, -dr};
            if (profile[j][0] == 0)
                n = V3{0, 0, j == 0 ? -1.0f : 1.0f};
            ids.push_back(m.Add({dir * profile[j][0] + V3{0, 0, profile[j][1]}, Normalize(n)}));
        }
    }
    for (size_t i = 0; i < static_cast<size_t>(segments); ++i)
        for (size_t j = 0; j + 1 < count; ++j)
            m.Quad(ids[i * count + j], ids[(i + 1) * count + j], ids[(i + 1) * count + j + 1], ids[i * count + j + 1]);
    return m.Payload();
}

// The crayon: a wax body along +z with its sharpened tip at the origin.
std::vector<std::uint8_t> Crayon()
{
    const float r = 0.016f;
    return Revolve({{0.0f, 0.0f},
                    {0.002f, 0.001f},
                    {r * 0.55f, 0.022f},
                    {r * 0.8f, 0.032f},
                    {r, 0.038f},
                    {r, 0.22f},
                    {r * 0.9f, 0.223f},
                    {0.0f, 0.224f}},
                   24);
}

// The paper label around the crayon's middle, a little wider than the wax.
std::vector<std::uint8_t> Label()
{
    const float r = 0.0168f;
    return Revolve({{r * 0.96f, 0.07f}, {r, 0.071f}, {r, 0.19f}, {r * 0.96f, 0.191f}}, 24);
}

// Vertex shaders: name, vertex format. Pixel shaders: names.
struct VertexShaderEntry {
    const char* name;
    const char* format;
};
const VertexShaderEntry kVertexShaders[] = {
    {"blank_tex", "image"}, {"color_button", "tex"}, {"crayon", "plain"},     {"font", "font"},
    {"iconic", "tex"},      {"raw_tex", "image"},    {"metal_border", "tex"}, {"metal_hr", "plain"},
    {"paper", "plain"},     {"post", "image"},       {"wallpaper", "image"},  {"shadow_border", "tex"},
    {"shadow_font", "font"}, {"shadow_hr", "plain"}, {"shadow", "plain"},     {"shadow_tex", "image"},
};
const char* const kPixelShaders[] = {"blank_tex", "color_button", "crayon", "font",  "iconic", "raw_tex",
                                     "logo",      "metal",        "paper",  "post",  "wood_tex", "shadow",
                                     "shadow_font"};

std::string ReadText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("missing shader source " + path.string());
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

std::vector<std::uint8_t> MeshPayload(const std::vector<std::uint16_t>& indices, const std::vector<float>& vertices)
{
    std::vector<std::uint8_t> out;
    auto u32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    u32(static_cast<std::uint32_t>(indices.size()));
    u32(57);
    for (std::uint16_t i : indices) {
        out.push_back(static_cast<std::uint8_t>(i));
        out.push_back(static_cast<std::uint8_t>(i >> 8));
    }
    const size_t start = out.size();
    out.resize(start + vertices.size() * 4);
    for (size_t i = 0; i < vertices.size(); ++i) {
        std::uint32_t bits;
        static_assert(sizeof bits == sizeof(float));
        std::memcpy(&bits, &vertices[i], 4);
        for (int b = 0; b < 4; ++b)
            out[start + i * 4 + static_cast<size_t>(b)] = static_cast<std::uint8_t>(bits >> (8 * b));
    }
    return out;
}

std::vector<GpuResource> MeshResources()
{
    return {
        {"Boot2", "wallpaper.zorva-msh", Wallpaper()},
        {"Boot2", "torus.zorva-msh", Torus()},
        {"Boot2", "hr.zorva-msh", Rule()},
        {"Boot2", "dialog_metallic.zorva-msh", DialogFrame()},
        {"Auto", "clockface.zorva-msh", Clockface()},
        {"Auto", "push_button.zorva-msh", PushButton()},
        {"Auto", "crayon.zorva-msh", Crayon()},
        {"Auto", "label.zorva-msh", Label()},
    };
}

std::vector<GpuResource> ShaderResources(const std::filesystem::path& shaderFolder)
{
    const std::string common = ReadText(shaderFolder / "common.glsl");
    const char* const levels[3] = {"Lvl9", "LvlMedium", "Lvl10"};
    std::vector<GpuResource> out;
    for (int level = 0; level < 3; ++level) {
        // Above the lowest level the shaders read the shadow map.
        const std::string head = std::string("#version 450 core\n") + (level > 0 ? "#define SHADOWS 1\n" : "");
        const std::string folder = std::string("Boot2/") + levels[level];
        for (const VertexShaderEntry& vs : kVertexShaders) {
            const std::string source = head + "#define VERTEX_SHADER 1\n" + common + ReadText(shaderFolder / ("vs_" + std::string(vs.name) + ".glsl"));
            std::vector<std::uint8_t> payload(vs.format, vs.format + std::strlen(vs.format));
            payload.push_back(0);
            payload.insert(payload.end(), source.begin(), source.end());
            out.push_back({folder, std::string(vs.name) + ".zorva-vsil", std::move(payload)});
        }
        for (const char* ps : kPixelShaders) {
            const std::string source = head + common + ReadText(shaderFolder / ("ps_" + std::string(ps) + ".glsl"));
            out.push_back({folder, std::string(ps) + ".zorva-ps", std::vector<std::uint8_t>(source.begin(), source.end())});
        }
    }
    return out;
}

} // namespace Zorva::Tools
