// Where the rasterizer puts pixels: coverage and the fill rule, culling, depth, clipping
// and hostile input.

#include "tests/raster/raster_canvas.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

namespace {

using namespace raster_test;

constexpr uint32_t kBlack = 0x000000, kWhite = 0xFFFFFF;
const rm::raster::PolygonStyle kBothSides{.cullBackFaces = false};

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
    // Counter-clockwise on screen is a back face: culled unless both sides are asked for.
    EXPECT_FALSE(culled.Draw(Reversed(quad)));
    EXPECT_EQ(culled.CountNot(kBlack), 0);
    EXPECT_TRUE(culled.Draw(Reversed(quad), kBothSides));
    EXPECT_EQ(culled.color, canvas.color);
    // Two quads on a fractional edge, one filled as triangles (no plane fits its colours),
    // cover each pixel of the whole exactly once: no cracks, no overlap.
    auto shaded = Quad(0.137f, -0.33f, 0.7f, 0.41f, 2);
    shaded[0].g = 0;
    shaded[2].b = 0.2f;
    const auto left = Hits(Quad(-0.6f, -0.33f, 0.137f, 0.41f, 2)), right = Hits(shaded);
    const auto whole = Hits(Quad(-0.6f, -0.33f, 0.7f, 0.41f, 2));
    for (size_t p = 0; p < whole.size(); ++p)
        ASSERT_EQ(left[p] + right[p], int(whole[p])) << p;

    const auto nearQuad = Quad(-0.5f, -0.5f, 0.25f, 0.25f, 2, 0, 1, 0);
    const auto farQuad = Quad(-0.25f, -0.25f, 0.5f, 0.5f, 3, 1, 0, 0);
    for (bool nearFirst : {false, true}) {
        Canvas depth(60, 40);
        depth.Draw(nearFirst ? nearQuad : farQuad);
        depth.Draw(nearFirst ? farQuad : nearQuad);
        EXPECT_EQ(depth.At(30, 20), 0x00FF00u) << nearFirst; // the near one where both are
        EXPECT_EQ(depth.At(35, 14), 0xFF0000u) << nearFirst;
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

TEST(RasterGeometry, BadInputDrawsNothingAndHugeInputStaysInTheViewport) {
    Canvas canvas(60, 40), huge(60, 40), view(60, 40);
    const auto quad = Quad(-0.5f, -0.5f, 0.5f, 0.5f, 2);
    EXPECT_FALSE(canvas.Draw({quad[0], quad[1], Corner(0, 0, NAN)}));
    EXPECT_FALSE(canvas.Draw({quad[0], quad[1]}));
    EXPECT_FALSE(canvas.Draw(std::vector<Vertex>(100000, quad[0])));
    EXPECT_FALSE(canvas.Draw({Corner(0, 0, 2), Corner(1, 0, 2), Corner(2, 0, 2)})); // a line
    EXPECT_EQ(canvas.CountNot(kBlack), 0);
    ASSERT_TRUE(huge.Draw(Quad(-1e30f, -1e30f, 1e30f, 1e30f, 2)));
    EXPECT_EQ(huge.CountNot(kWhite), 0);
    // From behind the camera to very far away, at the largest floats, into a small viewport.
    view.projection = {.x = 10, .y = 5, .width = 20, .height = 10};
    view.Draw({Corner(-FLT_MAX, -1, -FLT_MAX), Corner(FLT_MAX, -1, -FLT_MAX),
               Corner(FLT_MAX, -1, FLT_MAX), Corner(-FLT_MAX, -1, FLT_MAX)},
              kBothSides);
    ASSERT_TRUE(view.Draw(Quad(-10, -10, 10, 10, 2)));
    EXPECT_EQ(view.CountNot(kBlack), 200);
    EXPECT_EQ(view.At(10, 5) & view.At(29, 14), kWhite);
}

} // namespace
