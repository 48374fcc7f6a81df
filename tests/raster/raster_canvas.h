#pragma once
// A render target with its buffers, and shapes in camera space, for the raster tests.

#include "platform/rm/raster.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace raster_test {

using rm::raster::Vertex;

struct Canvas {
    std::vector<uint32_t> color;
    std::vector<float> depth;
    rm::raster::RenderTarget target;
    rm::raster::Projection projection;

    Canvas(int w, int h)
        : color(size_t(w) * h), depth(size_t(w) * h),
          target{.width = w, .height = h, .color = color.data(), .depth = depth.data()},
          projection{.width = w, .height = h} {
        rm::raster::ClearDepth(target, projection);
    }
    uint32_t At(int x, int y) const { return color[size_t(y) * target.width + x]; }
    bool Draw(const std::vector<Vertex>& corners, const rm::raster::PolygonStyle& style = {}) {
        return rm::raster::DrawPolygon(target, projection, corners.data(), int(corners.size()),
                                       style);
    }
    int CountNot(uint32_t background) const {
        return int(color.size() - std::count(color.begin(), color.end(), background));
    }
};

inline Vertex Corner(float x, float y, float z, float u = 0, float v = 0, float r = 1, float g = 1,
                     float b = 1) {
    return {x, y, z, u, v, r, g, b};
}

// An axis-aligned rectangle facing the camera at depth z, corners clockwise as the camera
// sees them from the top left, the texture upright for bitmap files (v = 0 at the bottom).
inline std::vector<Vertex> Quad(float left, float bottom, float right, float top, float z,
                                float r = 1, float g = 1, float b = 1) {
    return {Corner(left, top, z, 0, 1, r, g, b), Corner(right, top, z, 1, 1, r, g, b),
            Corner(right, bottom, z, 1, 0, r, g, b), Corner(left, bottom, z, 0, 0, r, g, b)};
}

inline std::vector<Vertex> Reversed(std::vector<Vertex> corners) {
    return {corners.rbegin(), corners.rend()};
}

} // namespace raster_test
