// What colour the rasterizer puts in the pixels: textures (orientation, wrapping, filtering,
// perspective), Gouraud colours, modulation, fill modes and 16-bit quantisation.

#include "tests/raster/raster_canvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <set>
#include <vector>

namespace {

using namespace raster_test;
using rm::raster::FillMode;
using rm::raster::PolygonStyle;
using rm::raster::TextureFilter;
using rm::raster::TextureView;

constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kGreen = 0x00FF00;
constexpr uint32_t kBlue = 0x0000FF;

struct Picture {
    std::vector<uint32_t> pixels; // row 0 is the top row
    TextureView view;

    Picture(int w, int h, std::vector<uint32_t> p, bool vFromBottom = true) : pixels(std::move(p)) {
        view.width = w;
        view.height = h;
        view.pixels = pixels.data();
        view.vFromBottom = vFromBottom;
    }
};

PolygonStyle Textured(const Picture& picture, TextureFilter filter = TextureFilter::Nearest,
                      bool perspective = false) {
    PolygonStyle style;
    style.texture = &picture.view;
    style.filter = filter;
    style.perspective = perspective;
    return style;
}

// The 40 x 40 canvas filled edge to edge by a quad at z = 2 (one camera unit = 40 pixels).
std::vector<Vertex> FullQuad() {
    return Quad(-1, -1, 1, 1, 2);
}

int Channel(uint32_t rgb, int shift) {
    return static_cast<int>((rgb >> shift) & 0xFF);
}

TEST(RasterTexture, BitmapTexturesHaveVZeroAtTheBottomRowSurfacesAtTheTop) {
    // Top row red, bottom row blue; alpha bits in the texels never reach the target.
    for (bool fromBottom : {true, false}) {
        Picture picture(1, 2, {0xFF000000 | kRed, 0xFF000000 | kBlue}, fromBottom);
        Canvas canvas(40, 40);
        ASSERT_TRUE(canvas.Draw(FullQuad(), Textured(picture))); // v = 0 at the bottom corners
        EXPECT_EQ(canvas.At(20, 35), fromBottom ? kBlue : kRed);
        EXPECT_EQ(canvas.At(20, 5), fromBottom ? kRed : kBlue);
    }
}

TEST(RasterTexture, UZeroIsTheLeftColumnAndCoordinatesWrap) {
    Picture picture(2, 1, {kRed, kGreen});
    Canvas canvas(40, 40);
    ASSERT_TRUE(canvas.Draw(FullQuad(), Textured(picture)));
    EXPECT_EQ(canvas.At(5, 20), kRed);
    EXPECT_EQ(canvas.At(35, 20), kGreen);

    // u from -1 to 1: the picture twice across, whole turns below zero included.
    auto quad = FullQuad();
    for (auto& c : quad) {
        c.u = c.u * 2 - 1;
        c.v += 7;
    }
    Canvas wrapped(40, 40);
    ASSERT_TRUE(wrapped.Draw(quad, Textured(picture)));
    const uint32_t expected[] = {kRed, kGreen, kRed, kGreen};
    for (int quarter = 0; quarter < 4; ++quarter) {
        EXPECT_EQ(wrapped.At(quarter * 10 + 5, 20), expected[quarter]) << quarter;
    }
}

TEST(RasterTexture, NearestKeepsHardEdgesBilinearBlendsThem) {
    const uint32_t white = 0xFFFFFF;
    Picture checker(2, 2, {white, kBlack, kBlack, white});
    std::set<uint32_t> nearestColours, bilinearColours;
    Canvas nearest(40, 40), bilinear(40, 40);
    nearest.Draw(FullQuad(), Textured(checker, TextureFilter::Nearest));
    bilinear.Draw(FullQuad(), Textured(checker, TextureFilter::Bilinear));
    nearestColours.insert(nearest.color.begin(), nearest.color.end());
    bilinearColours.insert(bilinear.color.begin(), bilinear.color.end());
    EXPECT_EQ(nearestColours, (std::set<uint32_t>{white, kBlack}));
    EXPECT_GT(bilinearColours.size(), 10u);
    // Near a texel centre bilinear gives about the texel; halfway between two, mid grey.
    EXPECT_GE(Channel(bilinear.At(9, 9), 8), 240);
    EXPECT_NEAR(Channel(bilinear.At(19, 9), 8), 128, 20);
    // Blends stay grey: every channel moves together.
    for (uint32_t c : bilinearColours) {
        ASSERT_EQ(Channel(c, 16), Channel(c, 0));
        ASSERT_EQ(Channel(c, 8), Channel(c, 0));
    }
}

TEST(RasterTexture, TexelIsModulatedByTheLitColour) {
    Picture picture(1, 1, {0x80C040});
    Canvas canvas(40, 40);
    canvas.Draw(FullQuad(), Textured(picture));
    EXPECT_EQ(canvas.At(20, 20), 0x80C040u); // white light leaves the texel alone
    Canvas lit(40, 40);
    lit.Draw(Quad(-1, -1, 1, 1, 2, 0.5f, 1, 0), Textured(picture));
    EXPECT_NEAR(Channel(lit.At(20, 20), 16), 0x40, 1);
    EXPECT_EQ(Channel(lit.At(20, 20), 8), 0xC0);
    EXPECT_EQ(Channel(lit.At(20, 20), 0), 0);
}

TEST(RasterTexture, ZeroSizeOrMissingPixelsFallBackToColourOnly) {
    Picture empty(0, 5, {});
    Picture missing(4, 4, {});
    missing.view.pixels = nullptr;
    for (const Picture* p : {&empty, &missing}) {
        Canvas canvas(40, 40);
        ASSERT_TRUE(canvas.Draw(Quad(-1, -1, 1, 1, 2, 0, 0, 1), Textured(*p)));
        EXPECT_EQ(canvas.At(20, 20), kBlue);
    }
}

// A wall receding to the right: its left edge at z = 1, its right edge at z = 3. The middle
// of the wall in space (u = 0.5, z = 2) projects to column 30, the screen middle is column 23.
std::vector<Vertex> RecedingWall() {
    return {Corner(-0.5f, 0.25f, 1, 0, 1), Corner(0.5f, 0.25f, 3, 1, 1),
            Corner(0.5f, -0.25f, 3, 1, 0), Corner(-0.5f, -0.25f, 1, 0, 0)};
}

int FirstColumnOf(const Canvas& canvas, int row, uint32_t colour) {
    for (int x = 0; x < canvas.width; ++x) {
        if (canvas.At(x, row) == colour) {
            return x;
        }
    }
    return -1;
}

TEST(RasterTexture, PerspectiveCorrectCoordinatesFollowDepthAffineOnesDoNot) {
    Picture halves(2, 1, {kRed, kGreen});
    Canvas correct(60, 40), affine(60, 40);
    ASSERT_TRUE(correct.Draw(RecedingWall(), Textured(halves, TextureFilter::Nearest, true)));
    ASSERT_TRUE(affine.Draw(RecedingWall(), Textured(halves, TextureFilter::Nearest, false)));
    EXPECT_NEAR(FirstColumnOf(correct, 20, kGreen), 30, 1);
    EXPECT_LT(FirstColumnOf(affine, 20, kGreen), 27);
    // The right edge, at u = 1, keeps the last column: nothing wraps round to the first.
    EXPECT_EQ(correct.At(36, 20), kGreen);
    EXPECT_EQ(affine.At(36, 20), kGreen);
    // Depth is camera z in both modes: the centre of pixel 30 sees the wall at 2.0513, where
    // interpolating z on the screen would give 2.54.
    EXPECT_NEAR(correct.DepthAt(30, 20), 2.0513f, 0.001f);
    EXPECT_NEAR(affine.DepthAt(30, 20), 2.0513f, 0.001f);
}

TEST(RasterColour, GouraudInterpolatesAcrossTheFace) {
    auto quad = FullQuad(); // corners: top left, top right, bottom right, bottom left
    for (Vertex* c : {&quad[0], &quad[3]}) {
        c->r = c->g = c->b = 0;
    }
    Canvas canvas(40, 40);
    ASSERT_TRUE(canvas.Draw(quad));
    int previous = -1;
    for (int x = 0; x < 40; ++x) {
        const uint32_t c = canvas.At(x, 20);
        ASSERT_EQ(Channel(c, 16), Channel(c, 0));
        ASSERT_GE(Channel(c, 16), previous) << x;
        previous = Channel(c, 16);
    }
    EXPECT_LE(Channel(canvas.At(0, 20), 16), 8);
    EXPECT_GE(Channel(canvas.At(39, 20), 16), 247);
    EXPECT_NEAR(Channel(canvas.At(20, 20), 16), 131, 4);
    EXPECT_EQ(canvas.At(20, 3), canvas.At(20, 36)); // colour varies with x alone
}

TEST(RasterColour, FlatColourIsExact) {
    Canvas canvas(40, 40);
    canvas.Draw(Quad(-1, -1, 1, 1, 2, 1, 0, 0));
    EXPECT_EQ(canvas.CountNot(kRed), 0);
}

TEST(RasterFillMode, WireframeDrawsEdgesOnlyAndIsDepthTested) {
    PolygonStyle wire;
    wire.fill = FillMode::Wireframe;
    Canvas canvas(40, 40);
    ASSERT_TRUE(canvas.Draw(Quad(-0.5f, -0.5f, 0.5f, 0.5f, 2), wire)); // pixels 10..30
    EXPECT_EQ(canvas.At(20, 20), kBlack);
    EXPECT_NE(canvas.At(10, 20), kBlack);
    EXPECT_NE(canvas.At(20, 10), kBlack);
    EXPECT_NE(canvas.At(30, 20) | canvas.At(29, 20), kBlack);
    EXPECT_EQ(canvas.At(5, 20), kBlack);
    EXPECT_LT(canvas.CountNot(kBlack), 100);

    Canvas hidden(40, 40);
    hidden.Draw(Quad(-1, -1, 1, 1, 1.5f, 0, 0, 1));
    EXPECT_FALSE(hidden.Draw(Quad(-0.5f, -0.5f, 0.5f, 0.5f, 2), wire));
    EXPECT_EQ(hidden.CountNot(kBlue), 0);
}

TEST(RasterFillMode, WireframeSkipsTheEdgeMadeByClipping) {
    PolygonStyle wire;
    wire.fill = FillMode::Wireframe;
    Canvas canvas(60, 40);
    // Floor from z = 0.5 to 3 at y = -0.25: the front plane cuts it along row 30.
    canvas.Draw({Corner(-1, -0.25f, 3), Corner(1, -0.25f, 3), Corner(1, -0.25f, 0.5f),
                 Corner(-1, -0.25f, 0.5f)},
                wire);
    EXPECT_NE(canvas.At(30, 23), kBlack); // the far edge
    EXPECT_EQ(canvas.At(30, 29), kBlack);
    EXPECT_EQ(canvas.At(30, 30), kBlack);
}

TEST(RasterFillMode, PointsDrawOnlyTheCorners) {
    PolygonStyle points;
    points.fill = FillMode::Points;
    Canvas canvas(40, 40);
    ASSERT_TRUE(canvas.Draw(Quad(-0.5f, -0.5f, 0.5f, 0.5f, 2), points));
    EXPECT_EQ(canvas.CountNot(kBlack), 4);
    for (auto [x, y] : {std::pair{10, 10}, {30, 10}, {30, 30}, {10, 30}}) {
        EXPECT_NE(canvas.At(x, y), kBlack) << x << "," << y;
    }
    // Corners in front of the front plane are not drawn; culling still applies.
    Canvas near(40, 40);
    EXPECT_FALSE(near.Draw(Quad(-0.1f, -0.1f, 0.1f, 0.1f, 0.5f), points));
    EXPECT_FALSE(near.Draw(Reversed(Quad(-0.5f, -0.5f, 0.5f, 0.5f, 2)), points));
}

bool Is565(uint32_t rgb) {
    const int r = Channel(rgb, 16), g = Channel(rgb, 8), b = Channel(rgb, 0);
    return r == (((r >> 3) << 3) | (r >> 5)) && g == (((g >> 2) << 2) | (g >> 6)) &&
           b == (((b >> 3) << 3) | (b >> 5));
}

TEST(RasterDither, SixteenBitsGivesOnly565ColoursAndAPatternOnMidGrey) {
    Canvas canvas(40, 40);
    canvas.target.bitsPerPixel = 16;
    canvas.Draw(Quad(-1, -1, 1, 1, 2, 0.5f, 0.5f, 0.5f));
    std::set<uint32_t> colours(canvas.color.begin(), canvas.color.end());
    EXPECT_GE(colours.size(), 2u);
    double sum = 0;
    for (uint32_t c : canvas.color) {
        ASSERT_TRUE(Is565(c)) << std::hex << c;
        sum += Channel(c, 16);
    }
    EXPECT_NEAR(sum / canvas.color.size(), 127.5, 1.5); // the pattern averages to the grey
    // The pattern repeats every four pixels.
    EXPECT_EQ(canvas.At(5, 6), canvas.At(9, 10));

    Canvas plain(40, 40);
    plain.target.bitsPerPixel = 16;
    plain.target.dither = false;
    plain.Draw(Quad(-1, -1, 1, 1, 2, 0.5f, 0.5f, 0.5f));
    EXPECT_EQ(std::set<uint32_t>(plain.color.begin(), plain.color.end()).size(), 1u);
    EXPECT_TRUE(Is565(plain.At(0, 0)));
}

TEST(RasterDither, SixteenBitTexturesAreQuantisedToo) {
    Picture picture(2, 2, {0x123456, 0x808080, 0xFEDCBA, 0x0F0F0F});
    for (TextureFilter filter : {TextureFilter::Nearest, TextureFilter::Bilinear}) {
        Canvas canvas(40, 40);
        canvas.target.bitsPerPixel = 16;
        ASSERT_TRUE(canvas.Draw(Quad(-1, -1, 1, 1, 2, 0.9f, 0.6f, 1), Textured(picture, filter)));
        for (uint32_t c : canvas.color) {
            ASSERT_TRUE(Is565(c)) << std::hex << c;
        }
    }
}

TEST(RasterDither, ThirtyTwoBitsKeepsExactColours) {
    Canvas canvas(40, 40);
    canvas.Draw(Quad(-1, -1, 1, 1, 2, 0.5f, 0.5f, 0.5f));
    EXPECT_EQ(std::set<uint32_t>(canvas.color.begin(), canvas.color.end()),
              std::set<uint32_t>{0x808080});
}

TEST(RasterClear, ClearsColourAndDepthOfTheViewportOnly) {
    Canvas canvas(40, 40, 0x123456);
    canvas.target.bitsPerPixel = 16;
    rm::raster::Projection corner;
    corner.width = 10;
    corner.height = 5;
    rm::raster::Clear(canvas.target, corner, 0x808080);
    EXPECT_TRUE(Is565(canvas.At(9, 4)));
    EXPECT_EQ(canvas.At(10, 4), 0x123456u);
    canvas.Draw(FullQuad());
    rm::raster::ClearDepth(canvas.target, corner);
    EXPECT_GT(canvas.DepthAt(0, 0), 1e30f);
    EXPECT_FLOAT_EQ(canvas.DepthAt(10, 0), 2.0f);
}

} // namespace
