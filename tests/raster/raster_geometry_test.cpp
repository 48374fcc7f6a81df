// Where the rasterizer puts pixels: coverage and the fill rule, culling, depth, clipping
// and hostile input.

#include "tests/raster/raster_canvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

using namespace raster_test;
using rm::raster::PolygonStyle;

constexpr uint32_t kBlack = 0x000000, kWhite = 0xFFFFFF;
const PolygonStyle kBothSides{.cullBackFaces = false};

// Which pixels one polygon alone draws.
std::vector<bool> Hits(const std::vector<Vertex>& corners) {
    Canvas single(60, 40);
    single.Draw(corners);
    std::vector<bool> hits;
    for (uint32_t c : single.color)
        hits.push_back(c != kBlack);
    return hits;
}

// On a 60 x 40 canvas with field 0.5 one camera unit at z = 1 spans 40 pixels, and the
// optical centre is the pixel corner (30, 20); camera y up is target y down.
TEST(RasterGeometry, QuadCoversItsPixelsOnceFrontFacesOnlyNearestWinning) {
    Canvas canvas(60, 40), culled(60, 40);
    // x -0.5..0.5 and y -0.25..0.25 at z = 2 project to pixels 20..39 by 15..24.
    const auto quad = Quad(-0.5f, -0.25f, 0.5f, 0.25f, 2);
    ASSERT_TRUE(canvas.Draw(quad));
    for (int i = 0; i < 60 * 40; ++i) {
        const int x = i % 60, y = i / 60;
        ASSERT_EQ(canvas.color[i], x >= 20 && x < 40 && y >= 15 && y < 25 ? kWhite : kBlack) << i;
    }
    EXPECT_FLOAT_EQ(canvas.DepthAt(30, 20), 2.0f);
    // Counter-clockwise on screen is a back face: culled unless both sides are asked for.
    EXPECT_FALSE(culled.Draw(Reversed(quad)));
    EXPECT_EQ(culled.CountNot(kBlack), 0);
    EXPECT_TRUE(culled.Draw(Reversed(quad), kBothSides));
    EXPECT_EQ(culled.color, canvas.color);
    // Two quads on a fractional edge, one filled as triangles (no plane fits its colours),
    // cover each pixel of the whole exactly once.
    auto shaded = Quad(0.137f, -0.33f, 0.7f, 0.41f, 2);
    shaded[0].g = 0;
    shaded[2].b = 0.2f;
    const auto left = Hits(Quad(-0.6f, -0.33f, 0.137f, 0.41f, 2)), right = Hits(shaded);
    const auto whole = Hits(Quad(-0.6f, -0.33f, 0.7f, 0.41f, 2));
    for (size_t p = 0; p < whole.size(); ++p)
        ASSERT_EQ(left[p] + right[p], int(whole[p])) << p;

    for (bool nearFirst : {false, true}) {
        Canvas depth(60, 40);
        const auto nearQuad = Quad(-0.5f, -0.5f, 0.25f, 0.25f, 2, 0, 1, 0);
        const auto farQuad = Quad(-0.25f, -0.25f, 0.5f, 0.5f, 3, 1, 0, 0);
        depth.Draw(nearFirst ? nearQuad : farQuad);
        depth.Draw(nearFirst ? farQuad : nearQuad);
        EXPECT_EQ(depth.At(30, 20), 0x00FF00u) << nearFirst; // both cover the centre
        EXPECT_EQ(depth.At(35, 14), 0xFF0000u) << nearFirst; // far quad only
    }
}

TEST(RasterGeometry, FrontAndBackPlanesCutWhatCrossesThem) {
    // A floor below the camera, y = -0.25: z = 1 projects to row 30, 2 to 25, 3 to 23.3.
    auto floor = [](float nearZ, float farZ) {
        return std::vector<Vertex>{Corner(-1, -0.25f, farZ), Corner(1, -0.25f, farZ),
                                   Corner(1, -0.25f, nearZ), Corner(-1, -0.25f, nearZ)};
    };
    Canvas canvas(60, 40), back(60, 40);
    ASSERT_TRUE(canvas.Draw(floor(0.5f, 3)));
    for (int y = 0; y < 40; ++y)
        EXPECT_EQ(canvas.At(30, y) != kBlack, y >= 23 && y < 30) << "row " << y;
    back.projection.back = 2;
    ASSERT_TRUE(back.Draw(floor(1.5f, 3)));
    EXPECT_EQ(back.At(30, 24), kBlack);
    EXPECT_EQ(back.At(30, 25), kWhite);
    EXPECT_FALSE(back.Draw(Quad(-1, -1, 1, 1, -2), kBothSides)); // behind the camera
}

TEST(RasterGeometry, BadInputDrawsNothingAndRandomPolygonsStayInTheViewport) {
    Canvas canvas(60, 40);
    const auto quad = Quad(-0.5f, -0.5f, 0.5f, 0.5f, 2);
    auto broken = quad;
    broken[1].v = NAN;
    EXPECT_FALSE(canvas.Draw(broken));
    EXPECT_FALSE(canvas.Draw({quad[0], quad[1]}));
    EXPECT_FALSE(canvas.Draw(std::vector<Vertex>(100000, quad[0])));
    EXPECT_FALSE(canvas.Draw({Corner(0, 0, 2), Corner(1, 0, 2), Corner(2, 0, 2)})); // a line
    canvas.projection = {.front = 2, .back = 1, .width = 60, .height = 40};
    EXPECT_FALSE(canvas.Draw(quad));
    EXPECT_EQ(canvas.CountNot(kBlack), 0);

    // Random polygons, tame and wild, in every mode, into a viewport inside the target.
    Canvas random(64, 48, 0x123456);
    random.projection = {.back = 20, .x = 8, .y = 6, .width = 40, .height = 30};
    rm::raster::Clear(random.target, random.projection, kBlack);
    rm::raster::ClearDepth(random.target, random.projection);
    std::mt19937 rng(1234);
    std::normal_distribution<float> tame(0.0f, 2.0f);
    std::uniform_real_distribution<float> exponent(-30.0f, 30.0f);
    const uint32_t texels[6] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF, 0xFF00FF};
    const rm::raster::TextureView texture{.width = 3, .height = 2, .pixels = texels};
    std::vector<Vertex> corners;
    for (int round = 0; round < 4000; ++round) {
        corners.assign(3 + rng() % 8, {});
        for (Vertex& c : corners) {
            const bool wild = rng() % 8 == 0;
            float v[8];
            for (float& value : v)
                value =
                    wild ? (rng() % 2 ? 1.0f : -1.0f) * std::pow(10.0f, exponent(rng)) : tame(rng);
            c = Corner(v[0], v[1], v[2] + 4, v[3], v[4], v[5] * 0.3f + 0.5f, 0.5f, v[7]);
        }
        random.target.bitsPerPixel = rng() % 4 == 0 ? 16 : 32;
        random.Draw(corners, {.fill = rm::raster::FillMode(rng() % 3),
                              .texture = rng() % 2 ? &texture : nullptr,
                              .filter = rm::raster::TextureFilter(rng() % 2),
                              .perspective = rng() % 2 == 0,
                              .cullBackFaces = rng() % 2 == 0});
    }
    int drawn = 0;
    for (int i = 0; i < 64 * 48; ++i) {
        const int x = i % 64, y = i / 64;
        if (x < 8 || x >= 48 || y < 6 || y >= 36) {
            ASSERT_EQ(random.color[i], 0x123456u) << x << "," << y;
        } else if (random.color[i] != kBlack) {
            ++drawn;
            ASSERT_GE(random.depth[i], 1.0f - 1e-3f);
            ASSERT_LE(random.depth[i], 20.0f * (1 + 1e-3f));
        }
    }
    EXPECT_GT(drawn, 600);
}

} // namespace
