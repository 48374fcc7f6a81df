// What colour the rasterizer puts in the pixels: textures (orientation, wrapping, filtering,
// perspective), Gouraud colours, modulation, fill modes and 16-bit quantisation.

#include "tests/raster/raster_canvas.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using namespace raster_test;
using rm::raster::FillMode;
using rm::raster::PolygonStyle;
using rm::raster::TextureFilter;
using rm::raster::TextureView;

constexpr uint32_t kBlack = 0x000000, kWhite = 0xFFFFFF;
constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;

struct Picture {
    std::vector<uint32_t> pixels; // row 0 is the top row
    TextureView view;

    Picture(int w, int h, std::vector<uint32_t> p, bool vFromBottom = true)
        : pixels(std::move(p)), view{w, h, pixels.data(), vFromBottom} {}
    PolygonStyle Style(TextureFilter filter = TextureFilter::Nearest,
                       bool perspective = false) const {
        return {.texture = &view, .filter = filter, .perspective = perspective};
    }
};

// The 40 x 40 canvas filled edge to edge by a quad at z = 2 (one camera unit = 40 pixels).
std::vector<Vertex> FullQuad(float r = 1, float g = 1, float b = 1) {
    return Quad(-1, -1, 1, 1, 2, r, g, b);
}

int Channel(uint32_t rgb, int shift) {
    return int((rgb >> shift) & 0xFF);
}

std::set<uint32_t> Colours(const Canvas& canvas) {
    return {canvas.color.begin(), canvas.color.end()};
}

TEST(RasterTexture, BitmapTexturesHaveVZeroAtTheBottomRowSurfacesAtTheTop) {
    // Top row red, bottom row blue; alpha bits in the texels never reach the target.
    for (bool fromBottom : {true, false}) {
        const Picture picture(1, 2, {0xFF000000 | kRed, 0xFF000000 | kBlue}, fromBottom);
        Canvas canvas(40, 40);
        ASSERT_TRUE(canvas.Draw(FullQuad(), picture.Style())); // v = 0 at the bottom corners
        EXPECT_EQ(canvas.At(20, 35), fromBottom ? kBlue : kRed);
        EXPECT_EQ(canvas.At(20, 5), fromBottom ? kRed : kBlue);
    }
}

TEST(RasterTexture, UZeroIsTheLeftColumnAndCoordinatesWrap) {
    const Picture picture(2, 1, {kRed, kGreen});
    Canvas canvas(40, 40), wrapped(40, 40);
    ASSERT_TRUE(canvas.Draw(FullQuad(), picture.Style()));
    EXPECT_EQ(canvas.At(5, 20), kRed);
    EXPECT_EQ(canvas.At(35, 20), kGreen);
    // u from -1 to 1: the picture twice across, whole turns below zero included.
    auto quad = FullQuad();
    for (auto& c : quad) {
        c.u = c.u * 2 - 1;
        c.v += 7;
    }
    ASSERT_TRUE(wrapped.Draw(quad, picture.Style()));
    const uint32_t expected[] = {kRed, kGreen, kRed, kGreen};
    for (int quarter = 0; quarter < 4; ++quarter)
        EXPECT_EQ(wrapped.At(quarter * 10 + 5, 20), expected[quarter]) << quarter;
    // Huge coordinates and colours out of range: colours are held to 0..1.
    for (auto& c : quad) {
        c.u = 1e20f * (c.u + 2);
        c.v = -3e9f;
        c.r = 7;
        c.g = -3;
    }
    const Picture white(1, 1, {kWhite});
    ASSERT_TRUE(wrapped.Draw(quad, white.Style(TextureFilter::Nearest, true)));
    EXPECT_EQ(wrapped.At(20, 20), 0xFF00FFu);
}

TEST(RasterTexture, NearestKeepsHardEdgesBilinearBlendsThem) {
    const Picture checker(2, 2, {kWhite, kBlack, kBlack, kWhite});
    Canvas nearest(40, 40), bilinear(40, 40);
    nearest.Draw(FullQuad(), checker.Style(TextureFilter::Nearest));
    bilinear.Draw(FullQuad(), checker.Style(TextureFilter::Bilinear));
    EXPECT_EQ(Colours(nearest), (std::set<uint32_t>{kWhite, kBlack}));
    EXPECT_GT(Colours(bilinear).size(), 10u);
    // Near a texel centre bilinear gives about the texel; halfway between two, mid grey.
    EXPECT_GE(Channel(bilinear.At(9, 9), 8), 240);
    EXPECT_NEAR(Channel(bilinear.At(19, 9), 8), 128, 20);
    for (uint32_t c : Colours(bilinear)) { // blends stay grey: every channel moves together
        ASSERT_EQ(Channel(c, 16), Channel(c, 0));
        ASSERT_EQ(Channel(c, 8), Channel(c, 0));
    }
}

TEST(RasterTexture, TexelIsModulatedByTheLitColourAndMissingPixelsGiveColourOnly) {
    const Picture picture(1, 1, {0x80C040});
    Canvas white(40, 40), lit(40, 40);
    white.Draw(FullQuad(), picture.Style());
    EXPECT_EQ(white.At(20, 20), 0x80C040u);
    lit.Draw(FullQuad(0.5f, 1, 0), picture.Style());
    EXPECT_NEAR(Channel(lit.At(20, 20), 16), 0x40, 1);
    EXPECT_EQ(Channel(lit.At(20, 20), 8), 0xC0);
    EXPECT_EQ(Channel(lit.At(20, 20), 0), 0);

    Picture empty(0, 5, {}), missing(4, 4, {});
    missing.view.pixels = nullptr;
    for (const Picture* p : {&empty, &missing}) {
        Canvas canvas(40, 40);
        ASSERT_TRUE(canvas.Draw(FullQuad(0, 0, 1), p->Style()));
        EXPECT_EQ(canvas.At(20, 20), kBlue);
    }
}

// A wall receding to the right: its left edge at z = 1, its right edge at z = 3. The middle
// of the wall in space (u = 0.5, z = 2) projects to column 30, the screen middle is column 23.
TEST(RasterTexture, PerspectiveCorrectCoordinatesFollowDepthAffineOnesDoNot) {
    const std::vector<Vertex> wall = {Corner(-0.5f, 0.25f, 1, 0, 1), Corner(0.5f, 0.25f, 3, 1, 1),
                                      Corner(0.5f, -0.25f, 3, 1, 0),
                                      Corner(-0.5f, -0.25f, 1, 0, 0)};
    const Picture halves(2, 1, {kRed, kGreen});
    for (bool perspective : {true, false}) {
        Canvas canvas(60, 40);
        ASSERT_TRUE(canvas.Draw(wall, halves.Style(TextureFilter::Nearest, perspective)));
        int firstGreen = 0;
        while (firstGreen < 60 && canvas.At(firstGreen, 20) != kGreen)
            ++firstGreen;
        if (perspective)
            EXPECT_NEAR(firstGreen, 30, 1);
        else
            EXPECT_LT(firstGreen, 27);
        // The right edge, at u = 1, keeps the last column: nothing wraps round to the first.
        EXPECT_EQ(canvas.At(36, 20), kGreen);
        // Depth is camera z in both modes: the centre of pixel 30 sees the wall at 2.0513,
        // where interpolating z on the screen would give 2.54.
        EXPECT_NEAR(canvas.DepthAt(30, 20), 2.0513f, 0.001f);
    }
}

TEST(RasterColour, GouraudInterpolatesAcrossTheFaceFlatIsExact) {
    auto quad = FullQuad(); // corners: top left, top right, bottom right, bottom left
    for (Vertex* c : {&quad[0], &quad[3]})
        c->r = c->g = c->b = 0;
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

    Canvas flat(40, 40);
    flat.Draw(FullQuad(1, 0, 0));
    EXPECT_EQ(flat.CountNot(kRed), 0);
}

TEST(RasterFillMode, WireframeAndPointsDrawEdgesAndCornersDepthTestedAndCulled) {
    const PolygonStyle wire{.fill = FillMode::Wireframe}, points{.fill = FillMode::Points};
    const auto middle = Quad(-0.5f, -0.5f, 0.5f, 0.5f, 2); // pixels 10..30
    Canvas canvas(40, 40);
    ASSERT_TRUE(canvas.Draw(middle, wire));
    EXPECT_EQ(canvas.At(20, 20), kBlack);
    EXPECT_NE(canvas.At(10, 20), kBlack);
    EXPECT_NE(canvas.At(20, 10), kBlack);
    EXPECT_NE(canvas.At(30, 20) | canvas.At(29, 20), kBlack);
    EXPECT_EQ(canvas.At(5, 20), kBlack);
    EXPECT_LT(canvas.CountNot(kBlack), 100);

    Canvas hidden(40, 40);
    hidden.Draw(Quad(-1, -1, 1, 1, 1.5f, 0, 0, 1));
    EXPECT_FALSE(hidden.Draw(middle, wire));
    EXPECT_EQ(hidden.CountNot(kBlue), 0);

    // The front plane cuts a floor (z = 0.5 to 3) along row 30: that edge is not drawn.
    Canvas floor(60, 40);
    floor.Draw({Corner(-1, -0.25f, 3), Corner(1, -0.25f, 3), Corner(1, -0.25f, 0.5f),
                Corner(-1, -0.25f, 0.5f)},
               wire);
    EXPECT_NE(floor.At(30, 23), kBlack); // the far edge
    EXPECT_EQ(floor.At(30, 29), kBlack);
    EXPECT_EQ(floor.At(30, 30), kBlack);

    Canvas dots(40, 40);
    ASSERT_TRUE(dots.Draw(middle, points));
    EXPECT_EQ(dots.CountNot(kBlack), 4);
    for (auto [x, y] : {std::pair{10, 10}, {30, 10}, {30, 30}, {10, 30}})
        EXPECT_NE(dots.At(x, y), kBlack) << x << "," << y;
    // Corners in front of the front plane are not drawn; culling still applies.
    EXPECT_FALSE(dots.Draw(Quad(-0.1f, -0.1f, 0.1f, 0.1f, 0.5f), points));
    EXPECT_FALSE(dots.Draw(Reversed(middle), points));
}

bool Is565(uint32_t rgb) {
    const int r = Channel(rgb, 16), g = Channel(rgb, 8), b = Channel(rgb, 0);
    return r == (((r >> 3) << 3) | (r >> 5)) && g == (((g >> 2) << 2) | (g >> 6)) &&
           b == (((b >> 3) << 3) | (b >> 5));
}

TEST(RasterDither, SixteenBitsGiveOnly565ColoursDitheredOrNotThirtyTwoExact) {
    Canvas canvas(40, 40), plain(40, 40), exact(40, 40);
    canvas.target.bitsPerPixel = plain.target.bitsPerPixel = 16;
    plain.target.dither = false;
    for (Canvas* c : {&canvas, &plain, &exact})
        c->Draw(FullQuad(0.5f, 0.5f, 0.5f));
    EXPECT_GE(Colours(canvas).size(), 2u);
    double sum = 0;
    for (uint32_t c : canvas.color) {
        ASSERT_TRUE(Is565(c)) << std::hex << c;
        sum += Channel(c, 16);
    }
    EXPECT_NEAR(sum / canvas.color.size(), 127.5, 1.5); // the pattern averages to the grey
    EXPECT_EQ(canvas.At(5, 6), canvas.At(9, 10));       // and repeats every four pixels
    EXPECT_EQ(Colours(plain).size(), 1u);
    EXPECT_TRUE(Is565(plain.At(0, 0)));
    EXPECT_EQ(Colours(exact), std::set<uint32_t>{0x808080});

    const Picture picture(2, 2, {0x123456, 0x808080, 0xFEDCBA, 0x0F0F0F});
    for (TextureFilter filter : {TextureFilter::Nearest, TextureFilter::Bilinear}) {
        Canvas textured(40, 40);
        textured.target.bitsPerPixel = 16;
        ASSERT_TRUE(textured.Draw(FullQuad(0.9f, 0.6f, 1), picture.Style(filter)));
        for (uint32_t c : textured.color)
            ASSERT_TRUE(Is565(c)) << std::hex << c;
    }
}

TEST(RasterClear, ClearsColourAndDepthOfTheViewportOnly) {
    Canvas canvas(40, 40, 0x123456);
    canvas.target.bitsPerPixel = 16;
    const rm::raster::Projection corner{.width = 10, .height = 5};
    rm::raster::Clear(canvas.target, corner, 0x808080);
    EXPECT_TRUE(Is565(canvas.At(9, 4)));
    EXPECT_EQ(canvas.At(10, 4), 0x123456u);
    canvas.Draw(FullQuad());
    rm::raster::ClearDepth(canvas.target, corner);
    EXPECT_GT(canvas.DepthAt(0, 0), 1e30f);
    EXPECT_FLOAT_EQ(canvas.DepthAt(10, 0), 2.0f);
}

} // namespace
