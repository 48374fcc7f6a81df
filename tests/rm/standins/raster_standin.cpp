// A plain stand-in for the software rasterizer, used by the tests until the real one is
// built with the library: nearest texels, no clipping at the screen's near plane.

#include <algorithm>
#include <cmath>

#include "platform/rm/raster.h"

namespace rm::raster {

namespace {

float Scale(const Projection& p) {
    return std::min(p.width, p.height) * 0.5f / p.field;
}

uint32_t Pack(float r, float g, float b) {
    auto c = [](float v) { return uint32_t(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f); };
    return (c(r) << 16) | (c(g) << 8) | c(b);
}

uint32_t Texel(const TextureView& t, float u, float v) {
    u -= std::floor(u);
    v -= std::floor(v);
    int x = std::min(int(u * t.width), t.width - 1);
    int y = std::min(int(v * t.height), t.height - 1);
    if (t.vFromBottom)
        y = t.height - 1 - y;
    return t.pixels[size_t(y) * t.width + x];
}

void Plot(RenderTarget& target, const Projection& p, int x, int y, float z, uint32_t rgb) {
    if (x < p.x || y < p.y || x >= p.x + p.width || y >= p.y + p.height)
        return;
    const size_t i = size_t(y) * target.width + x;
    if (z >= target.depth[i])
        return;
    target.depth[i] = z;
    target.color[i] = rgb;
}

struct Screen {
    float x, y, z;
};

void FillTriangle(RenderTarget& target, const Projection& p, const Vertex* v[3], const Screen* s[3],
                  const PolygonStyle& style) {
    const float area =
        (s[1]->x - s[0]->x) * (s[2]->y - s[0]->y) - (s[2]->x - s[0]->x) * (s[1]->y - s[0]->y);
    if (area == 0)
        return;
    const int x0 = std::max(p.x, int(std::floor(std::min({s[0]->x, s[1]->x, s[2]->x}))));
    const int x1 =
        std::min(p.x + p.width - 1, int(std::ceil(std::max({s[0]->x, s[1]->x, s[2]->x}))));
    const int y0 = std::max(p.y, int(std::floor(std::min({s[0]->y, s[1]->y, s[2]->y}))));
    const int y1 =
        std::min(p.y + p.height - 1, int(std::ceil(std::max({s[0]->y, s[1]->y, s[2]->y}))));
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            const float px = x + 0.5f, py = y + 0.5f;
            float w[3];
            for (int i = 0; i < 3; ++i) {
                const Screen* a = s[(i + 1) % 3];
                const Screen* b = s[(i + 2) % 3];
                w[i] = ((b->x - a->x) * (py - a->y) - (px - a->x) * (b->y - a->y)) / area;
            }
            if (w[0] < 0 || w[1] < 0 || w[2] < 0)
                continue;
            // Perspective-correct weights.
            float q[3], sum = 0;
            for (int i = 0; i < 3; ++i)
                sum += q[i] = w[i] / v[i]->z;
            float z = 1 / sum, r = 0, g = 0, bl = 0, u = 0, tv = 0;
            for (int i = 0; i < 3; ++i) {
                const float k = q[i] * z;
                r += v[i]->r * k, g += v[i]->g * k, bl += v[i]->b * k;
                u += v[i]->u * k, tv += v[i]->v * k;
            }
            if (style.texture != nullptr && style.texture->pixels != nullptr) {
                const uint32_t t = Texel(*style.texture, u, tv);
                r *= ((t >> 16) & 255) / 255.0f;
                g *= ((t >> 8) & 255) / 255.0f;
                bl *= (t & 255) / 255.0f;
            }
            Plot(target, p, x, y, z, Pack(r, g, bl));
        }
    }
}

} // namespace

void Clear(RenderTarget& target, const Projection& p, uint32_t rgb) {
    for (int y = p.y; y < p.y + p.height; ++y)
        std::fill_n(target.color + size_t(y) * target.width + p.x, p.width, rgb);
}

void ClearDepth(RenderTarget& target, const Projection& p) {
    for (int y = p.y; y < p.y + p.height; ++y)
        std::fill_n(target.depth + size_t(y) * target.width + p.x, p.width, 1e30f);
}

bool ProjectPoint(const Projection& p, float x, float y, float z, float& sx, float& sy) {
    if (z <= 0)
        return false;
    sx = p.x + p.width * 0.5f + x / z * Scale(p);
    sy = p.y + p.height * 0.5f - y / z * Scale(p);
    return true;
}

void UnprojectPixel(const Projection& p, float sx, float sy, float& dx, float& dy) {
    dx = (sx + 0.5f - (p.x + p.width * 0.5f)) / Scale(p);
    dy = -(sy + 0.5f - (p.y + p.height * 0.5f)) / Scale(p);
}

bool DrawPolygon(RenderTarget& target, const Projection& p, const Vertex* corners, int count,
                 const PolygonStyle& style) {
    if (count < 3 || count > 64)
        return false;
    Screen s[64];
    for (int i = 0; i < count; ++i) {
        if (corners[i].z < p.front || corners[i].z > p.back)
            return false;
        ProjectPoint(p, corners[i].x, corners[i].y, corners[i].z, s[i].x, s[i].y);
        s[i].z = corners[i].z;
    }
    float area = 0; // screen y runs down: clockwise on screen is a positive sum here
    for (int i = 0; i < count; ++i) {
        const Screen& a = s[i];
        const Screen& b = s[(i + 1) % count];
        area += a.x * b.y - b.x * a.y;
    }
    if (style.cullBackFaces && area <= 0)
        return false;
    if (style.fill == FillMode::Points || style.fill == FillMode::Wireframe) {
        for (int i = 0; i < count; ++i) {
            const Vertex& v = corners[i];
            const uint32_t rgb = Pack(v.r, v.g, v.b);
            if (style.fill == FillMode::Points) {
                Plot(target, p, int(s[i].x), int(s[i].y), v.z, rgb);
                continue;
            }
            const Screen& a = s[i];
            const Screen& b = s[(i + 1) % count];
            const int steps = int(std::max(std::fabs(b.x - a.x), std::fabs(b.y - a.y))) + 1;
            for (int k = 0; k <= steps; ++k) {
                const float t = float(k) / steps;
                Plot(target, p, int(a.x + (b.x - a.x) * t), int(a.y + (b.y - a.y) * t),
                     a.z + (b.z - a.z) * t, rgb);
            }
        }
        return true;
    }
    for (int i = 1; i + 1 < count; ++i) {
        const Vertex* v[3] = {&corners[0], &corners[i], &corners[i + 1]};
        const Screen* sc[3] = {&s[0], &s[i], &s[i + 1]};
        FillTriangle(target, p, v, sc, style);
    }
    return true;
}

} // namespace rm::raster
