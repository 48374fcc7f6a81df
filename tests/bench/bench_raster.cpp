// Fill rate of the software rasterizer at the window's size of 600 x 400.

#include "platform/rm/raster.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

namespace {

using namespace rm::raster;

constexpr int WIDTH = 600;
constexpr int HEIGHT = 400;

struct Frame {
    std::vector<uint32_t> color = std::vector<uint32_t>(WIDTH * HEIGHT);
    std::vector<float> depth = std::vector<float>(WIDTH * HEIGHT);
    RenderTarget target;
    Projection projection;

    Frame() {
        target.width = WIDTH;
        target.height = HEIGHT;
        target.color = color.data();
        target.depth = depth.data();
        projection.width = WIDTH;
        projection.height = HEIGHT;
        ClearDepth(target, projection);
    }
};

// A 64 x 64 picture with some detail, as the symbol textures have.
struct Picture {
    std::vector<uint32_t> pixels = std::vector<uint32_t>(64 * 64);
    TextureView view;

    Picture() {
        for (int i = 0; i < 64 * 64; ++i) {
            pixels[i] = static_cast<uint32_t>(i * 2654435761u) & 0xFFFFFF;
        }
        view.width = view.height = 64;
        view.pixels = pixels.data();
    }
};

Vertex At(float x, float y, float z, float u, float v) {
    Vertex c;
    c.x = x;
    c.y = y;
    c.z = z;
    c.u = u;
    c.v = v;
    c.r = 0.9f;
    c.g = 0.8f;
    c.b = 0.7f;
    return c;
}

PolygonStyle StyleFor(const benchmark::State& state, const Picture* picture) {
    PolygonStyle style;
    style.texture = picture != nullptr ? &picture->view : nullptr;
    style.filter = state.range(0) != 0 ? TextureFilter::Bilinear : TextureFilter::Nearest;
    style.perspective = true;
    return style;
}

// One quad a little larger than the view at z = 2: every pixel is filled once per frame
// (the equal depth passes the test again each time).
void FillScreen(benchmark::State& state, const Picture* picture) {
    Frame frame;
    const PolygonStyle style = StyleFor(state, picture);
    const Vertex quad[4] = {At(-1.6f, 1.1f, 2, 0, 4), At(1.6f, 1.1f, 2, 6, 4),
                            At(1.6f, -1.1f, 2, 6, 0), At(-1.6f, -1.1f, 2, 0, 0)};
    for (auto _ : state) {
        DrawPolygon(frame.target, frame.projection, quad, 4, style);
        benchmark::DoNotOptimize(frame.color.data());
    }
    state.SetItemsProcessed(state.iterations() * WIDTH * HEIGHT);
}

void BM_RasterFullScreenTextured(benchmark::State& state) {
    const Picture picture;
    FillScreen(state, &picture);
}
BENCHMARK(BM_RasterFullScreenTextured)->Arg(0)->Arg(1)->ArgName("bilinear");

void BM_RasterFullScreenColour(benchmark::State& state) {
    FillScreen(state, nullptr);
}
BENCHMARK(BM_RasterFullScreenColour)->Arg(0);

// A wall of 12 x 8 textured quads, each tilted in depth, covering the view: many small
// polygons with perspective, as the reel drums give. The depth buffer is cleared each frame.
void BM_RasterTexturedQuads(benchmark::State& state) {
    Frame frame;
    const Picture picture;
    const PolygonStyle style = StyleFor(state, &picture);
    std::vector<Vertex> corners;
    constexpr int COLUMNS = 12, ROWS = 8;
    for (int row = 0; row < ROWS; ++row) {
        for (int column = 0; column < COLUMNS; ++column) {
            const float left = -1.6f + 3.2f * column / COLUMNS, right = left + 3.2f / COLUMNS;
            const float top = 1.1f - 2.2f * row / ROWS, bottom = top - 2.2f / ROWS;
            corners.push_back(At(left, top, 2.0f, 0, 1));
            corners.push_back(At(right, top, 2.3f, 1, 1));
            corners.push_back(At(right, bottom, 2.3f, 1, 0));
            corners.push_back(At(left, bottom, 2.0f, 0, 0));
        }
    }
    int64_t drawn = 0;
    for (auto _ : state) {
        ClearDepth(frame.target, frame.projection);
        for (size_t i = 0; i < corners.size(); i += 4) {
            drawn += DrawPolygon(frame.target, frame.projection, &corners[i], 4, style);
        }
        benchmark::DoNotOptimize(frame.color.data());
    }
    state.SetItemsProcessed(state.iterations() * WIDTH * HEIGHT);
    state.counters["quads"] = static_cast<double>(drawn) / state.iterations();
}
BENCHMARK(BM_RasterTexturedQuads)->Arg(0)->Arg(1)->ArgName("bilinear");

// A frame shaped like the machine's: four textured, Gouraud-lit drums of 20 faces in front
// of a wall of 40 flat-coloured quads that fills the view, cleared and drawn in full.
struct ReelScene {
    std::vector<Vertex> drumFaces; // quads, four corners each
    std::vector<Vertex> wallFaces;

    ReelScene() {
        constexpr int FACES = 20;
        constexpr float RADIUS = 1.5f, WIDTH = 1.3f, AXIS_Z = 7.5f;
        for (int drum = 0; drum < 4; ++drum) {
            const float left = -2.9f + 1.5f * drum, right = left + WIDTH;
            for (int face = 0; face < FACES; ++face) {
                const float a0 = 6.2831853f * face / FACES, a1 = 6.2831853f * (face + 1) / FACES;
                auto corner = [&](float x, float angle, float u, float v) {
                    Vertex c =
                        At(x, RADIUS * std::sin(angle), AXIS_Z - RADIUS * std::cos(angle), u, v);
                    c.r = c.g = c.b = std::max(0.3f, 0.3f + 0.7f * std::cos(angle));
                    return c;
                };
                const float v0 = static_cast<float>(face) / FACES, v1 = v0 + 1.0f / FACES;
                drumFaces.push_back(corner(left, a1, 0, v1));
                drumFaces.push_back(corner(right, a1, 1, v1));
                drumFaces.push_back(corner(right, a0, 1, v0));
                drumFaces.push_back(corner(left, a0, 0, v0));
            }
        }
        for (int row = 0; row < 5; ++row) {
            for (int column = 0; column < 8; ++column) {
                const float left = -7.0f + 1.75f * column, top = 5.0f - 2.0f * row;
                const float grey = 0.35f + 0.02f * ((row + column) % 5);
                for (auto [x, y] : {std::pair{left, top},
                                    {left + 1.75f, top},
                                    {left + 1.75f, top - 2.0f},
                                    {left, top - 2.0f}}) {
                    Vertex c = At(x, y, 9.0f, 0, 0);
                    c.r = c.g = c.b = grey;
                    wallFaces.push_back(c);
                }
            }
        }
    }
};

void BM_RasterReelScene(benchmark::State& state) {
    Frame frame;
    const Picture picture;
    const PolygonStyle textured = StyleFor(state, &picture);
    PolygonStyle flat;
    const ReelScene scene;
    for (auto _ : state) {
        Clear(frame.target, frame.projection, 0x000000);
        ClearDepth(frame.target, frame.projection);
        for (size_t i = 0; i < scene.drumFaces.size(); i += 4) {
            DrawPolygon(frame.target, frame.projection, &scene.drumFaces[i], 4, textured);
        }
        for (size_t i = 0; i < scene.wallFaces.size(); i += 4) {
            DrawPolygon(frame.target, frame.projection, &scene.wallFaces[i], 4, flat);
        }
        benchmark::DoNotOptimize(frame.color.data());
    }
    state.SetItemsProcessed(state.iterations() * WIDTH * HEIGHT);
}
BENCHMARK(BM_RasterReelScene)->Arg(0)->Arg(1)->ArgName("bilinear");

void BM_RasterClear(benchmark::State& state) {
    Frame frame;
    for (auto _ : state) {
        Clear(frame.target, frame.projection, 0x202040);
        ClearDepth(frame.target, frame.projection);
        benchmark::DoNotOptimize(frame.color.data());
    }
    state.SetItemsProcessed(state.iterations() * WIDTH * HEIGHT);
}
BENCHMARK(BM_RasterClear);

} // namespace
