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

TEST(RasterShading, TexturesAreUprightWrapFilterAndAreLit) {
    // Top row red, bottom row blue: bitmap files have v = 0 at the bottom, surfaces at the
    // top. Alpha bits in the texels never reach the target.
    for (bool fromBottom : {true, false}) {
        Picture picture(1, 2, {0xFF000000 | kRed, 0xFF000000 | kBlue}, fromBottom);
        Canvas canvas(40, 40);
        ASSERT_TRUE(canvas.Draw(FullQuad(), picture.Style())); // v = 0 at the bottom corners
        EXPECT_EQ(canvas.At(20, 35), fromBottom ? kBlue : kRed);
        EXPECT_EQ(canvas.At(20, 5), fromBottom ? kRed : kBlue);
    }
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
    EXPECT_GE(bilinear.At(9, 9) & 0xFF, 240u);
    EXPECT_NEAR(int(bilinear.At(19, 9) & 0xFF), 128, 20);
    EXPECT_EQ(bilinear.At(19, 9), (bilinear.At(19, 9) & 0xFF) * 0x010101u);
}

// A wall receding to the right: its left edge at z = 1, its right edge at z = 3. The middle
// of the wall in space (u = 0.5, z = 2) projects to column 30, the screen middle is column 23.
TEST(RasterShading, PerspectiveCorrectCoordinatesFollowDepthAffineOnesDoNot) {
    const std::vector<Vertex> wall = {Corner(-0.5f, 0.25f, 1, 0, 1), Corner(0.5f, 0.25f, 3, 1, 1),
                                      Corner(0.5f, -0.25f, 3, 1, 0),
                                      Corner(-0.5f, -0.25f, 1, 0, 0)};
    Picture halves(2, 1, {kRed, kGreen});
    for (bool perspective : {true, false}) {
        Canvas canvas(60, 40);
        ASSERT_TRUE(canvas.Draw(wall, halves.Style(TextureFilter::Nearest, perspective)));
        int firstGreen = 0;
        while (firstGreen < 60 && canvas.At(firstGreen, 20) != kGreen)
            ++firstGreen;
        EXPECT_NEAR(firstGreen, perspective ? 30 : 23, 1);
        EXPECT_EQ(canvas.At(36, 20), kGreen); // u = 1 keeps the last column, not wrapping
        // Depth is camera z in both modes: 2.0513 at pixel 30, not 2.54 as on the screen.
        EXPECT_NEAR(canvas.DepthAt(30, 20), 2.0513f, 0.001f);
    }
}

TEST(RasterShading, GouraudBlendsCornerColoursAndWireframeAndPointsAreDepthTestedAndCulled) {
    auto quad = FullQuad(); // corners: top left, top right, bottom right, bottom left
    quad[0] = quad[3] = Corner(-1, 1, 2, 0, 0, 0, 0, 0);
    quad[3].y = -1;
    Canvas canvas(40, 40);
    ASSERT_TRUE(canvas.Draw(quad));
    for (int x = 1; x < 40; ++x)
        ASSERT_GT(canvas.At(x, 20), canvas.At(x - 1, 20)) << x;
    EXPECT_LE(canvas.At(0, 20), 0x080808u);
    EXPECT_GE(canvas.At(39, 20), 0xF7F7F7u);
    EXPECT_EQ(canvas.At(20, 3), canvas.At(20, 36)); // colour varies with x alone

    const PolygonStyle wire{.fill = FillMode::Wireframe}, points{.fill = FillMode::Points};
    const auto middle = Quad(-0.5f, -0.5f, 0.5f, 0.5f, 2); // pixels 10..30
    Canvas edges(40, 40), hidden(40, 40), floor(60, 40), dots(40, 40);
    ASSERT_TRUE(edges.Draw(middle, wire));
    EXPECT_EQ(edges.At(20, 20), kBlack);
    EXPECT_NE(edges.At(10, 20), kBlack);
    EXPECT_NE(edges.At(20, 10), kBlack);
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
    EXPECT_NE(dots.At(30, 30), kBlack);
    EXPECT_FALSE(dots.Draw(Quad(-0.1f, -0.1f, 0.1f, 0.1f, 0.5f), points)); // before the front
    EXPECT_FALSE(dots.Draw(Reversed(middle), points));
}

bool Is565(uint32_t rgb) {
    const uint32_t r = rgb >> 16 & 255, g = rgb >> 8 & 255, b = rgb & 255;
    return r == ((r >> 3 << 3) | r >> 5) && g == ((g >> 2 << 2) | g >> 6) &&
           b == ((b >> 3 << 3) | b >> 5);
}

TEST(RasterShading, SixteenBitsGiveOnly565ColoursDitheredOrNotAndClearKeepsToTheViewport) {
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

    const rm::raster::Projection corner{.width = 10, .height = 5};
    rm::raster::Clear(exact.target, corner, 0x123456);
    rm::raster::ClearDepth(exact.target, corner);
    EXPECT_EQ(exact.At(9, 4), 0x123456u);
    EXPECT_GT(exact.DepthAt(0, 0), 1e30f);
    EXPECT_EQ(exact.At(10, 4), 0x808080u);
    EXPECT_FLOAT_EQ(exact.DepthAt(10, 0), 2.0f);
}

} // namespace
