// Where the rasterizer puts pixels: projection, coverage, culling, depth, clipping, the fill
// rule and hostile input.

#include "tests/raster/raster_canvas.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <random>

namespace {

using namespace raster_test;
using rm::raster::DrawPolygon;
using rm::raster::PolygonStyle;
using rm::raster::Projection;
using rm::raster::ProjectPoint;

constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kWhite = 0xFFFFFF;
const PolygonStyle kBothSides{.cullBackFaces = false};

// Every drawn pixel of the viewport lies between the two depths.
void ExpectDepthsWithin(const Canvas& canvas, float nearest, float farthest) {
    for (size_t i = 0; i < canvas.depth.size(); ++i) {
        if (canvas.color[i] != kBlack) {
            ASSERT_GE(canvas.depth[i], nearest * (1 - 1e-3f)) << i;
            ASSERT_LE(canvas.depth[i], farthest * (1 + 1e-3f)) << i;
        }
    }
}

// On a 60 x 40 canvas with field 0.5 one camera unit at z = 1 spans 40 pixels, and the
// optical centre is the pixel corner (30, 20).
TEST(RasterProjection, MapsPointsToPixelsAndPixelCentresBack) {
    const Canvas canvas(60, 40);
    float sx, sy;
    const float points[][5] = {{0, 0, 1, 30, 20}, {0.5f, 0, 1, 50, 20}, {0, 0.5f, 2, 30, 10}};
    for (const auto& p : points) { // camera y up is target y down
        ASSERT_TRUE(ProjectPoint(canvas.projection, p[0], p[1], p[2], sx, sy));
        EXPECT_FLOAT_EQ(sx, p[3]);
        EXPECT_FLOAT_EQ(sy, p[4]);
    }
    EXPECT_FALSE(ProjectPoint(canvas.projection, 0, 0, 0, sx, sy));
    EXPECT_FALSE(ProjectPoint(canvas.projection, 0, 0, -1, sx, sy));
    EXPECT_FALSE(ProjectPoint(canvas.projection, NAN, 0, 1, sx, sy));
    // The smaller side spans the field; the viewport offset moves the centre.
    const Projection tall{.x = 100, .y = 10, .width = 40, .height = 80};
    ASSERT_TRUE(ProjectPoint(tall, 0.5f, -0.5f, 1, sx, sy));
    EXPECT_FLOAT_EQ(sx, 140);
    EXPECT_FLOAT_EQ(sy, 70);

    float dx, dy;
    rm::raster::UnprojectPixel(canvas.projection, 30, 20, dx, dy);
    EXPECT_FLOAT_EQ(dx, 0.5f / 40);
    EXPECT_FLOAT_EQ(dy, -0.5f / 40);
    for (int px : {0, 7, 59}) {
        for (int py : {0, 13, 39}) {
            rm::raster::UnprojectPixel(canvas.projection, px, py, dx, dy);
            ASSERT_TRUE(ProjectPoint(canvas.projection, dx * 3, dy * 3, 3, sx, sy));
            EXPECT_EQ(int(std::floor(sx)), px);
            EXPECT_EQ(int(std::floor(sy)), py);
        }
    }
}

TEST(RasterCoverage, QuadCoversItsRectangleAndTheViewportLimitsDrawingAndClearing) {
    Canvas canvas(60, 40);
    // x -0.5..0.5 and y -0.25..0.25 at z = 2 project to pixels 20..39 by 15..24.
    ASSERT_TRUE(canvas.Draw(Quad(-0.5f, -0.25f, 0.5f, 0.25f, 2)));
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x)
            ASSERT_EQ(canvas.At(x, y), x >= 20 && x < 40 && y >= 15 && y < 25 ? kWhite : kBlack)
                << x << "," << y;
    EXPECT_FLOAT_EQ(canvas.DepthAt(30, 20), 2.0f);

    Canvas view(60, 40);
    view.projection = {.x = 10, .y = 5, .width = 20, .height = 10};
    rm::raster::Clear(view.target, view.projection, 0x0000FF);
    ASSERT_TRUE(view.Draw(Quad(-10, -10, 10, 10, 2))); // far larger than the view
    EXPECT_EQ(view.CountNot(kBlack), 200);
    EXPECT_EQ(view.At(10, 5), kWhite);
    EXPECT_EQ(view.At(29, 14), kWhite);
    EXPECT_EQ(view.At(9, 5), kBlack);
    EXPECT_EQ(view.At(30, 14), kBlack);
}

TEST(RasterCulling, ClockwiseIsFrontCounterClockwiseIsCulledUnlessAsked) {
    Canvas canvas(60, 40), frontCanvas(60, 40);
    const auto front = Quad(-0.5f, -0.5f, 0.5f, 0.5f, 2);
    EXPECT_FALSE(canvas.Draw(Reversed(front)));
    EXPECT_EQ(canvas.CountNot(kBlack), 0);
    EXPECT_TRUE(canvas.Draw(Reversed(front), kBothSides));
    EXPECT_EQ(canvas.CountNot(kBlack), 400);
    EXPECT_TRUE(frontCanvas.Draw(front));
    EXPECT_EQ(frontCanvas.color, canvas.color);
}

TEST(RasterDepth, NearerWinsWhateverTheDrawingOrder) {
    for (bool nearFirst : {false, true}) {
        Canvas canvas(60, 40);
        const auto nearQuad = Quad(-0.5f, -0.5f, 0.25f, 0.25f, 2, 0, 1, 0);
        const auto farQuad = Quad(-0.25f, -0.25f, 0.5f, 0.5f, 3, 1, 0, 0);
        canvas.Draw(nearFirst ? nearQuad : farQuad);
        canvas.Draw(nearFirst ? farQuad : nearQuad);
        EXPECT_EQ(canvas.At(30, 20), 0x00FF00u) << nearFirst; // both cover the centre
        EXPECT_NEAR(canvas.DepthAt(30, 20), 2.0f, 1e-4);
        EXPECT_EQ(canvas.At(35, 14), 0xFF0000u) << nearFirst; // far quad only
    }
}

// A floor below the camera, y = -0.25, from nearZ to farZ: z = 1 projects to row 30,
// z = 2 to row 25, z = 3 to row 23.3.
std::vector<Vertex> Floor(float nearZ, float farZ) {
    return {Corner(-1, -0.25f, farZ), Corner(1, -0.25f, farZ), Corner(1, -0.25f, nearZ),
            Corner(-1, -0.25f, nearZ)};
}

TEST(RasterClipping, FrontAndBackPlanesCutWhatCrossesThem) {
    Canvas canvas(60, 40);
    ASSERT_TRUE(canvas.Draw(Floor(0.5f, 3)));
    for (int y = 0; y < 40; ++y)
        EXPECT_EQ(canvas.At(30, y) != kBlack, y >= 23 && y < 30) << "row " << y;
    ExpectDepthsWithin(canvas, 1, 3);

    Canvas back(60, 40);
    back.projection.back = 2;
    ASSERT_TRUE(back.Draw(Floor(1.5f, 3)));
    EXPECT_EQ(back.At(30, 24), kBlack);
    EXPECT_EQ(back.At(30, 25), kWhite);
    ExpectDepthsWithin(back, 1, 2);
    EXPECT_FALSE(back.Draw(Quad(-1, -1, 1, 1, 5)));
    EXPECT_FALSE(back.Draw(Quad(-1, -1, 1, 1, -2), kBothSides)); // behind the camera
    EXPECT_FALSE(back.Draw(Quad(-1, -1, 1, 1, 0.5f), kBothSides));
}

// Pixels drawn by one polygon alone.
std::vector<int> Hits(const std::vector<Vertex>& corners) {
    Canvas single(60, 40);
    single.Draw(corners);
    std::vector<int> hits;
    for (uint32_t c : single.color)
        hits.push_back(c != kBlack);
    return hits;
}

// Triangles of a pinwheel around a shared centre at fractional coordinates, and two quads
// on a fractional edge (one filled as two triangles: no plane fits its colours).
TEST(RasterFillRule, PolygonsSharingEdgesCoverEachPixelOnce) {
    constexpr int kSpokes = 13;
    std::vector<Vertex> ring;
    for (int i = 0; i < kSpokes; ++i) {
        const double angle = -2 * M_PI * i / kSpokes; // clockwise on screen as i grows
        const double radius = 0.9 + 0.1 * std::sin(i * 1.7);
        ring.push_back(Corner(float(radius * std::cos(angle)), float(radius * std::sin(angle)), 2));
    }
    std::vector<int> hits(60 * 40, 0);
    for (int i = 0; i < kSpokes; ++i) {
        const auto one = Hits({Corner(0.013f, -0.021f, 2), ring[i], ring[(i + 1) % kSpokes]});
        ASSERT_GT(std::count(one.begin(), one.end(), 1), 0) << i;
        for (size_t p = 0; p < hits.size(); ++p)
            hits[p] += one[p];
    }
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 60; ++x) {
            const double cx = x + 0.5 - 30, cy = y + 0.5 - 20; // the ring lies 16 to 20 out
            ASSERT_LE(hits[y * 60 + x], 1) << x << "," << y;
            ASSERT_TRUE(hits[y * 60 + x] == 1 || cx * cx + cy * cy >= 14 * 14) << x << "," << y;
        }
    }
    EXPECT_GT(std::count(hits.begin(), hits.end(), 1), 700);

    auto shaded = Quad(0.137f, -0.33f, 0.7f, 0.41f, 2);
    shaded[0].g = 0;
    shaded[2].b = 0.2f;
    const auto left = Hits(Quad(-0.6f, -0.33f, 0.137f, 0.41f, 2)), right = Hits(shaded);
    const auto whole = Hits(Quad(-0.6f, -0.33f, 0.7f, 0.41f, 2));
    for (size_t p = 0; p < whole.size(); ++p)
        ASSERT_EQ(left[p] + right[p], whole[p]) << p;
}

TEST(RasterHostileInput, BadCornersTargetsAndProjectionsDrawNothing) {
    Canvas canvas(60, 40);
    const auto quad = Quad(-0.5f, -0.5f, 0.5f, 0.5f, 2);
    for (float bad : {NAN, INFINITY, -INFINITY}) {
        for (float Vertex::*field : {&Vertex::x, &Vertex::y, &Vertex::z, &Vertex::u, &Vertex::v,
                                     &Vertex::r, &Vertex::g, &Vertex::b}) {
            auto broken = quad;
            broken[1].*field = bad;
            EXPECT_FALSE(canvas.Draw(broken));
        }
    }
    EXPECT_FALSE(canvas.Draw({quad[0], quad[1]}));
    EXPECT_FALSE(DrawPolygon(canvas.target, canvas.projection, nullptr, 4, {}));
    EXPECT_FALSE(DrawPolygon(canvas.target, canvas.projection, quad.data(), -5, {}));
    EXPECT_FALSE(canvas.Draw(std::vector<Vertex>(100000, quad[0])));
    EXPECT_FALSE(canvas.Draw({quad[0], quad[0], quad[0]}));                         // a point
    EXPECT_FALSE(canvas.Draw({Corner(0, 0, 2), Corner(1, 0, 2), Corner(2, 0, 2)})); // a line
    EXPECT_EQ(canvas.CountNot(kBlack), 0);

    auto draws = [&](void (*breakIt)(Canvas&)) {
        Canvas broken(60, 40);
        breakIt(broken);
        rm::raster::Clear(broken.target, broken.projection, kWhite);
        rm::raster::ClearDepth(broken.target, broken.projection);
        return DrawPolygon(broken.target, broken.projection, quad.data(), 4, {});
    };
    for (auto breakIt :
         {+[](Canvas& c) { c.target.width = 0; }, +[](Canvas& c) { c.target.height = -3; },
          +[](Canvas& c) { c.target.color = nullptr; },
          +[](Canvas& c) { c.target.depth = nullptr; }, +[](Canvas& c) { c.projection.width = 0; },
          +[](Canvas& c) { c.projection.x = 60; }, +[](Canvas& c) { c.projection.y = -40; },
          +[](Canvas& c) { c.projection.field = 0; }, +[](Canvas& c) { c.projection.field = NAN; },
          +[](Canvas& c) { c.projection.front = 0; }, +[](Canvas& c) { c.projection.back = 0.5f; },
          +[](Canvas& c) { c.projection.back = INFINITY; }})
        EXPECT_FALSE(draws(breakIt));
    // A viewport larger than the target, with the same optical centre, is cut to it.
    EXPECT_TRUE(draws(
        [](Canvas& c) { c.projection = {.x = -1000, .y = -1000, .width = 2060, .height = 2040}; }));
    EXPECT_TRUE(draws([](Canvas&) {}));
}

TEST(RasterHostileInput, HugeNonConvexAndRandomPolygonsStayInsideViewportAndDepthRange) {
    Canvas canvas(60, 40);
    ASSERT_TRUE(canvas.Draw(Quad(-1e30f, -1e30f, 1e30f, 1e30f, 2)));
    EXPECT_EQ(canvas.CountNot(kBlack), 60 * 40);
    // From behind the camera to very far away, at the largest floats.
    Canvas(60, 40).Draw({Corner(-FLT_MAX, -1, -FLT_MAX), Corner(FLT_MAX, -1, -FLT_MAX),
                         Corner(FLT_MAX, -1, FLT_MAX), Corner(-FLT_MAX, -1, FLT_MAX)},
                        kBothSides);
    // A star, corners clockwise: a fan of its triangles covers the middle.
    Canvas star(60, 40);
    std::vector<Vertex> corners;
    for (int i = 0; i < 10; ++i) {
        const double angle = M_PI * i / 5, radius = i % 2 ? 0.3 : 0.9;
        corners.push_back(
            Corner(float(radius * std::sin(angle)), float(radius * std::cos(angle)), 2));
    }
    EXPECT_TRUE(star.Draw(corners));
    EXPECT_EQ(star.At(30, 20), kWhite);
    EXPECT_EQ(star.At(2, 2), kBlack);

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
    for (int round = 0; round < 4000; ++round) {
        corners.assign(3 + rng() % 8, {});
        for (Vertex& c : corners) {
            const bool wild = rng() % 8 == 0;
            auto value = [&] {
                return wild ? (rng() % 2 ? 1.0f : -1.0f) * std::pow(10.0f, exponent(rng))
                            : tame(rng);
            };
            c = Corner(value(), value(), value() + 4, value(), value(), value() * 0.3f + 0.5f, 0.5f,
                       value());
        }
        PolygonStyle style{.fill = rm::raster::FillMode(rng() % 3),
                           .texture = rng() % 2 ? &texture : nullptr,
                           .filter = rm::raster::TextureFilter(rng() % 2),
                           .perspective = rng() % 2 == 0,
                           .cullBackFaces = rng() % 2 == 0};
        random.target.bitsPerPixel = rng() % 4 == 0 ? 16 : 32;
        random.Draw(corners, style);
    }
    int drawn = 0;
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 64; ++x) {
            if (x < 8 || x >= 48 || y < 6 || y >= 36) {
                ASSERT_EQ(random.At(x, y), 0x123456u) << x << "," << y;
            } else if (random.At(x, y) != kBlack) {
                ++drawn;
                ASSERT_GE(random.DepthAt(x, y), 1.0f - 1e-3f);
                ASSERT_LE(random.DepthAt(x, y), 20.0f * (1 + 1e-3f));
            }
        }
    }
    EXPECT_GT(drawn, 600);
}

} // namespace
