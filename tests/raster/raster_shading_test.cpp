// What colour the rasterizer puts in the pixels: textures (orientation, wrapping, filtering,
// perspective), lit colours, fill modes and 16-bit quantisation.

#include "tests/raster/raster_canvas.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using namespace raster_test;
using rm::raster::FillMode;
using rm::raster::PolygonStyle;
using rm::raster::TextureFilter;

constexpr uint32_t kBlack = 0x000000, kWhite = 0xFFFFFF;
constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;

struct Picture {
    std::vector<uint32_t> pixels; // row 0 is the top row
    rm::raster::TextureView view;

    Picture(int w, int h, std::vector<uint32_t> p, bool vFromBottom = true)
        : pixels(std::move(p)), view{w, h, pixels.data(), vFromBottom} {}
    PolygonStyle Style(TextureFilter filter = TextureFilter::Nearest, bool perspective = false) {
        return {.texture = &view, .filter = filter, .perspective = perspective};
    }
};

// The 40 x 40 canvas filled edge to edge by a quad at z = 2 (one camera unit = 40 pixels).
std::vector<Vertex> FullQuad(float r = 1, float g = 1, float b = 1) {
    return Quad(-1, -1, 1, 1, 2, r, g, b);
}

std::set<uint32_t> Colours(const Canvas& canvas) {
    return {canvas.color.begin(), canvas.color.end()};
}

TEST(RasterShading, TexturesWrapFilterAndAreLit) {
    // u = 0 is the left column; u from -1 to 1 shows the picture twice, v shifted whole turns.
    Picture halves(2, 1, {kRed, kGreen}), texel(1, 1, {0x80C040});
    auto quad = FullQuad();
    for (auto& c : quad)
        c = Corner(c.x, c.y, c.z, c.u * 2 - 1, c.v + 7);
    Canvas wrapped(40, 40), lit(40, 40);
    ASSERT_TRUE(wrapped.Draw(quad, halves.Style()));
    for (int quarter = 0; quarter < 4; ++quarter)
        EXPECT_EQ(wrapped.At(quarter * 10 + 5, 20), quarter % 2 ? kGreen : kRed) << quarter;
    lit.Draw(FullQuad(0.5f, 1, 0), texel.Style()); // the texel times the lit colour
    EXPECT_NEAR(int(lit.At(20, 20)), 0x40C000, 0x10000);

    // Nearest keeps hard edges; bilinear blends them, mid grey halfway between texels.
    Picture checker(2, 2, {kWhite, kBlack, kBlack, kWhite});
    Canvas nearest(40, 40), bilinear(40, 40);
    nearest.Draw(FullQuad(), checker.Style(TextureFilter::Nearest));
    bilinear.Draw(FullQuad(), checker.Style(TextureFilter::Bilinear));
    EXPECT_EQ(Colours(nearest), (std::set<uint32_t>{kWhite, kBlack}));
    EXPECT_GT(Colours(bilinear).size(), 10u);
    EXPECT_NEAR(int(bilinear.At(19, 9) & 0xFF), 128, 20);
    EXPECT_EQ(bilinear.At(19, 9), (bilinear.At(19, 9) & 0xFF) * 0x010101u);
}

TEST(RasterShading, WireframeAndPointsAreDepthTestedClippedAndCulled) {
    const PolygonStyle wire{.fill = FillMode::Wireframe}, points{.fill = FillMode::Points};
    const auto middle = Quad(-0.5f, -0.5f, 0.5f, 0.5f, 2); // pixels 10..30
    Canvas edges(40, 40), hidden(40, 40), floor(60, 40), dots(40, 40);
    ASSERT_TRUE(edges.Draw(middle, wire));
    EXPECT_EQ(edges.At(20, 20), kBlack);
    EXPECT_NE(edges.At(10, 20), kBlack);
    EXPECT_LT(edges.CountNot(kBlack), 100);
    hidden.Draw(Quad(-1, -1, 1, 1, 1.5f, 0, 0, 1));
    EXPECT_FALSE(hidden.Draw(middle, wire));
    // The front plane cuts a floor (z = 0.5 to 3) along row 30: that edge is not drawn.
    floor.Draw({Corner(-1, -0.25f, 3), Corner(1, -0.25f, 3), Corner(1, -0.25f, 0.5f),
                Corner(-1, -0.25f, 0.5f)},
               wire);
    EXPECT_NE(floor.At(30, 23), kBlack); // the far edge
    EXPECT_EQ(floor.At(30, 29) | floor.At(30, 30), kBlack);
    ASSERT_TRUE(dots.Draw(middle, points));
    EXPECT_EQ(dots.CountNot(kBlack), 4);
    EXPECT_FALSE(dots.Draw(Quad(-0.1f, -0.1f, 0.1f, 0.1f, 0.5f), points)); // before the front
    EXPECT_FALSE(dots.Draw(Reversed(middle), points));
}

bool Is565(uint32_t rgb) {
    const uint32_t r = rgb >> 16 & 255, g = rgb >> 8 & 255, b = rgb & 255;
    return r == ((r >> 3 << 3) | r >> 5) && g == ((g >> 2 << 2) | g >> 6) &&
           b == ((b >> 3 << 3) | b >> 5);
}

TEST(RasterShading, SixteenBitsGiveOnly565ColoursDitheredOrNot) {
    Canvas dithered(40, 40), plain(40, 40), exact(40, 40);
    dithered.target.bitsPerPixel = plain.target.bitsPerPixel = 16;
    plain.target.dither = false;
    for (Canvas* c : {&dithered, &plain, &exact})
        c->Draw(FullQuad(0.5f, 0.5f, 0.5f));
    double sum = 0;
    for (uint32_t c : dithered.color) {
        ASSERT_TRUE(Is565(c)) << std::hex << c;
        sum += c >> 16;
    }
    EXPECT_NEAR(sum / dithered.color.size(), 127.5, 1.5);    // the pattern averages to the grey
    EXPECT_EQ(dithered.At(5, 6), dithered.At(9, 10));        // and repeats every four pixels
    EXPECT_EQ(Colours(plain), std::set<uint32_t>{0x848284}); // the nearest 5-6-5 levels
    EXPECT_EQ(Colours(exact), std::set<uint32_t>{0x808080});
}

} // namespace
