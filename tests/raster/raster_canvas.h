#pragma once
// A small render target with its buffers, and shapes in camera space, for the raster tests.

#include "platform/rm/raster.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace raster_test {

using rm::raster::Vertex;

struct Canvas {
    int width, height;
    std::vector<uint32_t> color;
    std::vector<float> depth;
    rm::raster::RenderTarget target;
    rm::raster::Projection projection;

    Canvas(int w, int h, uint32_t background = 0) : width(w), height(h) {
        color.assign(static_cast<size_t>(w) * h, 0);
        depth.assign(static_cast<size_t>(w) * h, 0.0f);
        target.width = w;
        target.height = h;
        target.color = color.data();
        target.depth = depth.data();
        projection.width = w;
        projection.height = h;
        rm::raster::Clear(target, projection, background);
        rm::raster::ClearDepth(target, projection);
    }

    uint32_t At(int x, int y) const { return color[static_cast<size_t>(y) * width + x]; }
    float DepthAt(int x, int y) const { return depth[static_cast<size_t>(y) * width + x]; }

    bool Draw(const std::vector<Vertex>& corners, const rm::raster::PolygonStyle& style = {}) {
        return rm::raster::DrawPolygon(target, projection, corners.data(),
                                       static_cast<int>(corners.size()), style);
    }

    int CountNot(uint32_t background) const {
        int n = 0;
        for (uint32_t c : color) {
            n += c != background;
        }
        return n;
    }
};

inline Vertex Corner(float x, float y, float z, float u = 0, float v = 0, float r = 1, float g = 1,
                     float b = 1) {
    Vertex c;
    c.x = x;
    c.y = y;
    c.z = z;
    c.u = u;
    c.v = v;
    c.r = r;
    c.g = g;
    c.b = b;
    return c;
}

// An axis-aligned rectangle facing the camera at depth z, corners clockwise as the camera
// sees them (top left, top right, bottom right, bottom left), the texture upright for
// bitmap-file textures (v = 0 at the bottom).
inline std::vector<Vertex> Quad(float left, float bottom, float right, float top, float z,
                                float red = 1, float green = 1, float blue = 1) {
    return {Corner(left, top, z, 0, 1, red, green, blue),
            Corner(right, top, z, 1, 1, red, green, blue),
            Corner(right, bottom, z, 1, 0, red, green, blue),
            Corner(left, bottom, z, 0, 0, red, green, blue)};
}

inline std::vector<Vertex> Reversed(std::vector<Vertex> corners) {
    return {corners.rbegin(), corners.rend()};
}

} // namespace raster_test
