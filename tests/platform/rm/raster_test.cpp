// The software rasterizer: where it puts pixels (coverage and the fill rule, culling, depth,
// clipping, hostile input) and what colour (textures, lit colours, fill modes, 5-6-5).
// The raster_scalar_test build runs it all again over the portable scalar pixel code.

#include "platform/rm/raster.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <set>
#include <vector>

namespace {

using rm::raster::FillMode;
using rm::raster::PolygonStyle;
using rm::raster::TextureFilter;
// Every stored pixel is opaque.
constexpr uint32_t BLACK = 0xFF000000, WHITE = 0xFFFFFFFF;
constexpr uint32_t RED = 0xFFFF0000, GREEN = 0xFF00FF00, BLUE = 0xFF0000FF;
const PolygonStyle BOTH_SIDES{.cullBackFaces = false};

using rm::raster::Vertex;

struct Canvas {
    std::vector<uint32_t> color;
    std::vector<float> depth;
    rm::raster::PendingClear pending;
    rm::raster::RenderTarget target;
    rm::raster::Projection projection;

    // `owed`: clears are owed and paid as drawing reaches the pixels (see Settled).
    Canvas(int w, int h, bool owed = false)
        : color(size_t(w) * h), depth(size_t(w) * h), target{.width = w,
                                                             .height = h,
                                                             .color = color.data(),
                                                             .depth = depth.data(),
                                                             .pending = owed ? &pending : nullptr},
          projection{.width = w, .height = h} {
        rm::raster::Clear(target, projection, 0);
        rm::raster::ClearDepth(target, projection);
    }
    const std::vector<uint32_t>& Settled() {
        rm::raster::SettleColor(target);
        return color;
    }
    uint32_t At(int x, int y) const { return color[size_t(y) * target.width + x]; }
    bool Draw(const std::vector<Vertex>& corners, const PolygonStyle& style = {}) {
        return rm::raster::DrawPolygon(target, projection, corners.data(), int(corners.size()),
                                       style);
    }
    int CountNot(uint32_t background) const {
        return int(color.size() - std::count(color.begin(), color.end(), background));
    }
};

Vertex Corner(float x, float y, float z, float u = 0, float v = 0, float r = 1, float g = 1,
              float b = 1) {
    return {x, y, z, u, v, r, g, b};
}

// An axis-aligned rectangle facing the camera at depth z, corners clockwise as the camera
// sees them from the top left, the texture upright for bitmap files (v = 0 at the bottom).
std::vector<Vertex> Quad(float left, float bottom, float right, float top, float z, float r = 1,
                         float g = 1, float b = 1) {
    return {Corner(left, top, z, 0, 1, r, g, b), Corner(right, top, z, 1, 1, r, g, b),
            Corner(right, bottom, z, 1, 0, r, g, b), Corner(left, bottom, z, 0, 0, r, g, b)};
}

std::vector<Vertex> Reversed(std::vector<Vertex> corners) {
    return {corners.rbegin(), corners.rend()};
}

std::vector<bool> Hits(const std::vector<Vertex>& corners) {
    Canvas single(60, 40);
    single.Draw(corners);
    std::vector<bool> hits;
    for (uint32_t c : single.color)
        hits.push_back(c != BLACK);
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
        ASSERT_EQ(canvas.color[i], x >= 20 && x < 40 && y >= 15 && y < 25 ? WHITE : BLACK) << i;
    }
    // Counter-clockwise on screen is a back face: culled unless both sides are asked for.
    EXPECT_FALSE(culled.Draw(Reversed(quad)));
    EXPECT_EQ(culled.CountNot(BLACK), 0);
    EXPECT_TRUE(culled.Draw(Reversed(quad), BOTH_SIDES));
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
        EXPECT_EQ(depth.At(30, 20), GREEN) << nearFirst; // the near one where both are
        EXPECT_EQ(depth.At(35, 14), RED) << nearFirst;
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
        EXPECT_EQ(canvas.At(30, y) != BLACK, y >= 23 && y < 30) << "row " << y;
    back.projection.back = 2;
    ASSERT_TRUE(back.Draw(floor(1.5f, 3)));
    EXPECT_EQ(back.At(30, 24), BLACK);
    EXPECT_EQ(back.At(30, 25), WHITE);
    EXPECT_FALSE(back.Draw(Quad(-1, -1, 1, 1, -2), BOTH_SIDES)); // behind the camera
}

TEST(RasterGeometry, BadInputDrawsNothingAndHugeInputStaysInTheViewport) {
    Canvas canvas(60, 40), huge(60, 40), view(60, 40);
    const auto quad = Quad(-0.5f, -0.5f, 0.5f, 0.5f, 2);
    EXPECT_FALSE(canvas.Draw({quad[0], quad[1], Corner(0, 0, NAN)}));
    EXPECT_FALSE(canvas.Draw({quad[0], quad[1]}));
    EXPECT_FALSE(canvas.Draw(std::vector<Vertex>(100000, quad[0])));
    EXPECT_FALSE(canvas.Draw({Corner(0, 0, 2), Corner(1, 0, 2), Corner(2, 0, 2)})); // a line
    EXPECT_EQ(canvas.CountNot(BLACK), 0);
    ASSERT_TRUE(huge.Draw(Quad(-1e30f, -1e30f, 1e30f, 1e30f, 2)));
    EXPECT_EQ(huge.CountNot(WHITE), 0);
    // From behind the camera to very far away, at the largest floats, into a small viewport.
    view.projection = {.x = 10, .y = 5, .width = 20, .height = 10};
    view.Draw({Corner(-FLT_MAX, -1, -FLT_MAX), Corner(FLT_MAX, -1, -FLT_MAX),
               Corner(FLT_MAX, -1, FLT_MAX), Corner(-FLT_MAX, -1, FLT_MAX)},
              BOTH_SIDES);
    ASSERT_TRUE(view.Draw(Quad(-10, -10, 10, 10, 2)));
    EXPECT_EQ(view.CountNot(BLACK), 200);
    EXPECT_EQ(view.At(10, 5) & view.At(29, 14), WHITE);
}

// A clear owed and paid as drawing goes leaves the same pixels as one done at once, through
// frames drawn in several passes or over the last one's background, a clear of the colour or
// the depth alone, a smaller viewport, points and lines, and 5-6-5 dithering.
TEST(RasterGeometry, OwedClearsLeaveThePixelsOfClearsDoneAtOnce) {
    const std::vector<std::vector<Vertex>> quads = {
        Quad(-0.6f, -0.3f, -0.2f, 0.2f, 2, 1, 0, 0), Quad(0.3f, -0.4f, 0.6f, 0.1f, 3, 0, 1, 0),
        Quad(-0.1f, -0.5f, 0.35f, 0.45f, 2.5f, 0, 0, 1), Quad(-0.7f, 0.05f, 0.7f, 0.15f, 4)};
    for (const int bits : {32, 16}) {
        Canvas now(60, 40), owed(60, 40, true);
        const auto step = [&](auto&& action) {
            for (Canvas* c : {&now, &owed}) {
                c->target.bitsPerPixel = bits;
                action(*c);
            }
            ASSERT_EQ(owed.Settled(), now.color) << bits;
        };
        step([&](Canvas& c) { c.Draw(quads[0]), c.Draw(quads[1]); }); // rows left with gaps
        step([&](Canvas& c) { c.Draw(quads[2]), c.Draw(quads[3], {.fill = FillMode::Points}); });
        step([&](Canvas& c) { // the next frame draws less: the background the last left stays
            rm::raster::Clear(c.target, c.projection, 0);
            rm::raster::ClearDepth(c.target, c.projection);
            c.Draw(quads[1]);
        });
        step([&](Canvas& c) { // the colour alone: farther quads lose to the depth left behind
            rm::raster::Clear(c.target, c.projection, 0x203040);
            c.Draw(quads[3]);
        });
        step([&](Canvas& c) { // the depth alone: they win now
            rm::raster::ClearDepth(c.target, c.projection);
            c.Draw(quads[3], {.fill = FillMode::Wireframe}), c.Draw(quads[1]);
        });
        step([&](Canvas& c) { // another viewport: the owed clear of the first is paid
            rm::raster::Clear(c.target, c.projection, 0x405060);
            c.projection = {.x = 8, .y = 4, .width = 40, .height = 30};
            rm::raster::Clear(c.target, c.projection, 0x102030);
            rm::raster::ClearDepth(c.target, c.projection);
            c.Draw(quads[2]), c.Draw(quads[0]);
        });
        step([&](Canvas& c) { // drawing when nothing is owed is not recorded: the next settles all
            c.projection = {.width = 60, .height = 40};
            rm::raster::Clear(c.target, c.projection, 0x102030);
            c.Draw(quads[3]);
            rm::raster::SettleColor(c.target);
            c.Draw(quads[0]);
            rm::raster::Clear(c.target, c.projection, 0x102030);
            c.Draw(quads[1]);
        });
    }
}

struct Picture {
    std::vector<uint32_t> pixels; // row 0 is the top row
    rm::raster::TextureView view;

    Picture(int w, int h, std::vector<uint32_t> p)
        : pixels(std::move(p)), view{w, h, pixels.data(), true} {}
    PolygonStyle Style(TextureFilter filter = TextureFilter::Nearest) {
        return {.texture = &view, .filter = filter};
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
    Picture halves(2, 1, {RED, GREEN}), texel(1, 1, {0x80C040});
    auto quad = FullQuad();
    for (auto& c : quad)
        c = Corner(c.x, c.y, c.z, c.u * 2 - 1, c.v + 7);
    Canvas wrapped(40, 40), lit(40, 40);
    ASSERT_TRUE(wrapped.Draw(quad, halves.Style()));
    for (int quarter = 0; quarter < 4; ++quarter)
        EXPECT_EQ(wrapped.At(quarter * 10 + 5, 20), quarter % 2 ? GREEN : RED) << quarter;
    lit.Draw(FullQuad(0.5f, 1, 0), texel.Style()); // the texel times the lit colour
    EXPECT_NEAR(int(lit.At(20, 20) & 0xFFFFFF), 0x40C000, 0x10000);

    // Nearest keeps hard edges; bilinear blends them, mid grey halfway between texels.
    Picture checker(2, 2, {WHITE, BLACK, BLACK, WHITE});
    Canvas nearest(40, 40), bilinear(40, 40);
    nearest.Draw(FullQuad(), checker.Style(TextureFilter::Nearest));
    bilinear.Draw(FullQuad(), checker.Style(TextureFilter::Bilinear));
    EXPECT_EQ(Colours(nearest), (std::set<uint32_t>{WHITE, BLACK}));
    EXPECT_GT(Colours(bilinear).size(), 10u);
    EXPECT_NEAR(int(bilinear.At(19, 9) & 0xFF), 128, 20);
    EXPECT_EQ(bilinear.At(19, 9), BLACK | (bilinear.At(19, 9) & 0xFF) * 0x010101u);
}

TEST(RasterShading, WireframeAndPointsAreDepthTestedClippedAndCulled) {
    const PolygonStyle wire{.fill = FillMode::Wireframe}, points{.fill = FillMode::Points};
    const auto middle = Quad(-0.5f, -0.5f, 0.5f, 0.5f, 2); // pixels 10..30
    Canvas edges(40, 40), hidden(40, 40), dots(40, 40);
    ASSERT_TRUE(edges.Draw(middle, wire));
    EXPECT_EQ(edges.At(20, 20), BLACK);
    EXPECT_NE(edges.At(10, 20), BLACK);
    EXPECT_LT(edges.CountNot(BLACK), 100);
    hidden.Draw(Quad(-1, -1, 1, 1, 1.5f, 0, 0, 1));
    EXPECT_FALSE(hidden.Draw(middle, wire));
    ASSERT_TRUE(dots.Draw(middle, points));
    EXPECT_EQ(dots.CountNot(BLACK), 4);
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
        sum += c >> 16 & 0xFF;
    }
    EXPECT_NEAR(sum / dithered.color.size(), 127.5, 1.5);      // the pattern averages to the grey
    EXPECT_EQ(dithered.At(5, 6), dithered.At(9, 10));          // and repeats every four pixels
    EXPECT_EQ(Colours(plain), std::set<uint32_t>{0xFF848284}); // the nearest 5-6-5 levels
    EXPECT_EQ(Colours(exact), std::set<uint32_t>{0xFF808080});
}

// Ties in depth go to the surface drawn last. A wall receding from z 1.2 to 12 shows, at
// every pixel centre well inside it, the texel of its exact perspective mapping (within
// TEXEL_SLACK of a texel); two nearly coplanar planes part exactly at their intersection.
TEST(RasterPrecision, TiesPerspectiveTexelsAndIntersectionsAreExact) {
    for (const auto& [first, second] : {std::pair{RED, GREEN}, {GREEN, RED}}) {
        Canvas tie(60, 40);
        tie.Draw(Quad(-0.5f, -0.25f, 0.5f, 0.25f, 2, first == RED, first == GREEN, 0));
        tie.Draw(Quad(-0.25f, -0.5f, 0.25f, 0.5f, 2, second == RED, second == GREEN, 0));
        EXPECT_EQ(tie.At(30, 20), second); // both cover it at the same depth
        EXPECT_EQ(tie.At(22, 20), first);
    }

    // Texel (column c, v-row r) holds 0xCCRR55; rows count up from v = 0, the picture's bottom.
    constexpr int W = 64, H = 16;
    constexpr double TEXEL_SLACK = 0.25;
    std::vector<uint32_t> texels(W * H);
    for (int r = 0; r < H; ++r)
        for (int c = 0; c < W; ++c)
            texels[(H - 1 - r) * W + c] = uint32_t(c) << 16 | uint32_t(r) << 8 | 0x55;
    Picture picture(W, H, texels);
    PolygonStyle style = picture.Style();
    style.perspective = true;
    style.cullBackFaces = false;
    const double nx = -0.4, nz = 1.2, ax = 3.4, az = 10.8, bottom = -0.3, height = 0.6;
    Canvas wall(200, 200); // 200 pixels per unit at z = 1, centre (100, 100)
    ASSERT_TRUE(wall.Draw({Corner(nx, bottom, nz, 0, 0), Corner(nx, bottom + height, nz, 0, 1),
                           Corner(nx + ax, bottom + height, nz + az, 1, 1),
                           Corner(nx + ax, bottom, nz + az, 1, 0)},
                          style));
    int checked = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x) {
            // The ray through the pixel centre meets the wall's plane (normal (-az, 0, ax)).
            const double dx = (x + 0.5 - 100) / 200, dy = -(y + 0.5 - 100) / 200;
            const double along = (-az * nx + ax * nz) / (-az * dx + ax);
            const double u = ((along * dx - nx) * ax + (along - nz) * az) / (ax * ax + az * az);
            const double v = (along * dy - bottom) / height;
            if (u < 0.01 || u > 0.99 || v < 0.01 || v > 0.99)
                continue;
            const uint32_t texel = wall.At(x, y);
            ASSERT_NEAR((texel >> 16 & 0xFF) + 0.5, u * W, 0.5 + TEXEL_SLACK) << x << "," << y;
            ASSERT_NEAR(((texel >> 8) & 0xFF) + 0.5, v * H, 0.5 + TEXEL_SLACK) << x << "," << y;
            ++checked;
        }
    EXPECT_GT(checked, 4000);

    // z = 4 + x/20 and z = 4.01 - x/20 meet at x = 0.1, z = 4.005: on screen at
    // 100 + 200 * 0.1 / 4.005 = 104.99, so columns up to 104 show the first plane.
    const auto plane = [](double z0, double slope, float r, float g) {
        return std::vector<Vertex>{Corner(-1, 0.5f, z0 - slope, 0, 0, r, g, 0),
                                   Corner(1, 0.5f, z0 + slope, 0, 0, r, g, 0),
                                   Corner(1, -0.5f, z0 + slope, 0, 0, r, g, 0),
                                   Corner(-1, -0.5f, z0 - slope, 0, 0, r, g, 0)};
    };
    for (const bool redFirst : {true, false}) {
        Canvas crossing(200, 200);
        crossing.Draw(plane(redFirst ? 4 : 4.01, redFirst ? 0.05 : -0.05, redFirst, !redFirst),
                      BOTH_SIDES);
        crossing.Draw(plane(redFirst ? 4.01 : 4, redFirst ? -0.05 : 0.05, !redFirst, redFirst),
                      BOTH_SIDES);
        for (int y = 80; y < 120; ++y)
            for (int x = 60; x < 140; ++x)
                ASSERT_EQ(crossing.At(x, y), x <= 104 ? RED : GREEN) << x << "," << y;
    }
    // A plane from z = 1 at the left edge to z = 10 at the right of a 1000-pixel row meets the
    // plane z = 5 at x = 9.72, on screen at 888.9. Its runs are sized for its far side (about
    // six pixels); sized for its near side they would be ten times as long, and the depth
    // stepped across them would move the meeting line by pixels.
    for (const bool redFirst : {true, false}) {
        Canvas wide(1000, 200); // 200 pixels per unit at z = 1, centre (500, 100)
        const std::vector<Vertex> red = {
            Corner(-2.5f, 0.1f, 1, 0, 0, 1, 0, 0), Corner(25, 0.1f, 10, 0, 0, 1, 0, 0),
            Corner(25, -0.1f, 10, 0, 0, 1, 0, 0), Corner(-2.5f, -0.1f, 1, 0, 0, 1, 0, 0)};
        const std::vector<Vertex> green = Quad(-12, -1, 12, 1, 5, 0, 1, 0);
        wide.Draw(redFirst ? red : green, BOTH_SIDES);
        wide.Draw(redFirst ? green : red, BOTH_SIDES);
        for (int y = 99; y < 101; ++y)
            for (int x = 860; x < 920; ++x)
                ASSERT_EQ(wide.At(x, y), x <= 888 ? RED : GREEN) << x << "," << y;
    }
}

} // namespace
