// Where the rasterizer puts pixels: projection, coverage, culling, depth, clipping, the fill
// rule and hostile input.

#include "tests/raster/raster_canvas.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

using namespace raster_test;
using rm::raster::DrawPolygon;
using rm::raster::FillMode;
using rm::raster::PolygonStyle;
using rm::raster::Projection;
using rm::raster::ProjectPoint;
using rm::raster::UnprojectPixel;

constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kWhite = 0xFFFFFF;

// On a 60 x 40 canvas with field 0.5 one camera unit at z = 1 spans 40 pixels, and the
// optical centre is the pixel corner (30, 20).
TEST(RasterProjection, MapsKnownPointsToKnownPixels) {
    Canvas canvas(60, 40);
    float sx, sy;
    ASSERT_TRUE(ProjectPoint(canvas.projection, 0, 0, 1, sx, sy));
    EXPECT_FLOAT_EQ(sx, 30);
    EXPECT_FLOAT_EQ(sy, 20);
    ASSERT_TRUE(ProjectPoint(canvas.projection, 0.5f, 0, 1, sx, sy));
    EXPECT_FLOAT_EQ(sx, 50);
    ASSERT_TRUE(ProjectPoint(canvas.projection, 0, 0.5f, 2, sx, sy));
    EXPECT_FLOAT_EQ(sy, 10); // camera y up is target y down
    EXPECT_FALSE(ProjectPoint(canvas.projection, 0, 0, 0, sx, sy));
    EXPECT_FALSE(ProjectPoint(canvas.projection, 0, 0, -1, sx, sy));
    EXPECT_FALSE(ProjectPoint(canvas.projection, NAN, 0, 1, sx, sy));
}

TEST(RasterProjection, SmallerSideSpansTheFieldAndViewportOffsetMovesTheCentre) {
    Projection tall;
    tall.x = 100;
    tall.y = 10;
    tall.width = 40;
    tall.height = 80; // the width is the smaller side: 0.5 at z = 1 reaches its edge
    float sx, sy;
    ASSERT_TRUE(ProjectPoint(tall, 0.5f, -0.5f, 1, sx, sy));
    EXPECT_FLOAT_EQ(sx, 140);
    EXPECT_FLOAT_EQ(sy, 70);
}

TEST(RasterProjection, UnprojectAimsThroughThePixelCentre) {
    Canvas canvas(60, 40);
    float dx, dy;
    UnprojectPixel(canvas.projection, 30, 20, dx, dy);
    EXPECT_FLOAT_EQ(dx, 0.5f / 40);
    EXPECT_FLOAT_EQ(dy, -0.5f / 40);
    for (int px : {0, 7, 59}) {
        for (int py : {0, 13, 39}) {
            UnprojectPixel(canvas.projection, px, py, dx, dy);
            float sx, sy;
            ASSERT_TRUE(ProjectPoint(canvas.projection, dx * 3, dy * 3, 3, sx, sy));
            EXPECT_EQ(static_cast<int>(std::floor(sx)), px);
            EXPECT_EQ(static_cast<int>(std::floor(sy)), py);
        }
    }
}

TEST(RasterCoverage, QuadAtDepthTwoCoversTheExpectedRectangle) {
    Canvas canvas(60, 40);
    // x -0.5..0.5 and y -0.25..0.25 at z = 2 project to pixels 20..39 by 15..24.
    ASSERT_TRUE(canvas.Draw(Quad(-0.5f, -0.25f, 0.5f, 0.25f, 2)));
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 60; ++x) {
            const bool inside = x >= 20 && x < 40 && y >= 15 && y < 25;
            ASSERT_EQ(canvas.At(x, y), inside ? kWhite : kBlack) << x << "," << y;
        }
    }
    EXPECT_FLOAT_EQ(canvas.DepthAt(30, 20), 2.0f);
}

TEST(RasterCoverage, ViewportRectangleLimitsDrawingAndClearing) {
    Canvas canvas(60, 40);
    canvas.projection = {};
    canvas.projection.x = 10;
    canvas.projection.y = 5;
    canvas.projection.width = 20;
    canvas.projection.height = 10;
    rm::raster::Clear(canvas.target, canvas.projection, 0x0000FF);
    ASSERT_TRUE(canvas.Draw(Quad(-10, -10, 10, 10, 2))); // far larger than the view
    EXPECT_EQ(canvas.CountNot(kBlack), 200);
    EXPECT_EQ(canvas.At(10, 5), kWhite);
    EXPECT_EQ(canvas.At(29, 14), kWhite);
    EXPECT_EQ(canvas.At(9, 5), kBlack);
    EXPECT_EQ(canvas.At(30, 14), kBlack);
}

TEST(RasterCulling, ClockwiseIsFrontCounterClockwiseIsCulledUnlessAsked) {
    Canvas canvas(60, 40);
    const auto front = Quad(-0.5f, -0.5f, 0.5f, 0.5f, 2);
    EXPECT_FALSE(canvas.Draw(Reversed(front)));
    EXPECT_EQ(canvas.CountNot(kBlack), 0);
    PolygonStyle bothSides;
    bothSides.cullBackFaces = false;
    EXPECT_TRUE(canvas.Draw(Reversed(front), bothSides));
    const int backCount = canvas.CountNot(kBlack);
    EXPECT_EQ(backCount, 400);

    Canvas frontCanvas(60, 40);
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

// A floor below the camera running from z = 0.5 to z = 3: its near part lies in front of the
// front plane, whose line on the floor projects to row 30.
std::vector<Vertex> Floor(float nearZ, float farZ) {
    return {Corner(-1, -0.25f, farZ), Corner(1, -0.25f, farZ), Corner(1, -0.25f, nearZ),
            Corner(-1, -0.25f, nearZ)};
}

TEST(RasterClipping, FrontPlaneCutsThePolygonCrossingIt) {
    Canvas canvas(60, 40);
    ASSERT_TRUE(canvas.Draw(Floor(0.5f, 3)));
    for (int y = 0; y < 40; ++y) {
        const bool expectDrawn = y >= 23 && y < 30; // the floor from z = 3 (row 23.3) to z = 1
        EXPECT_EQ(canvas.At(30, y) != kBlack, expectDrawn) << "row " << y;
    }
    for (size_t i = 0; i < canvas.depth.size(); ++i) {
        if (canvas.color[i] != kBlack) {
            ASSERT_GE(canvas.depth[i], 1.0f - 1e-3f);
        }
    }
}

TEST(RasterClipping, BackPlaneCutsTheFarPart) {
    Canvas canvas(60, 40);
    canvas.projection.back = 2;
    ASSERT_TRUE(canvas.Draw(Floor(1.5f, 3)));
    // z = 2 lies on row 25; farther rows stay empty.
    EXPECT_EQ(canvas.At(30, 24), kBlack);
    EXPECT_EQ(canvas.At(30, 25), kWhite);
    for (size_t i = 0; i < canvas.depth.size(); ++i) {
        if (canvas.color[i] != kBlack) {
            ASSERT_LE(canvas.depth[i], 2.0f + 1e-3f);
        }
    }
    EXPECT_FALSE(canvas.Draw(Quad(-1, -1, 1, 1, 5)));
}

TEST(RasterClipping, PolygonWhollyBehindTheCameraDrawsNothing) {
    Canvas canvas(60, 40);
    PolygonStyle bothSides;
    bothSides.cullBackFaces = false;
    EXPECT_FALSE(canvas.Draw(Quad(-1, -1, 1, 1, -2), bothSides));
    EXPECT_FALSE(canvas.Draw(Quad(-1, -1, 1, 1, 0.5f), bothSides));
    EXPECT_EQ(canvas.CountNot(kBlack), 0);
}

// Triangles of a pinwheel around a shared centre, at fractional coordinates, drawn one by one:
// every pixel is covered at most once, and every pixel well inside is covered.
TEST(RasterFillRule, TrianglesSharingEdgesCoverEachPixelOnce) {
    Canvas canvas(60, 40);
    std::vector<int> hits(canvas.color.size(), 0);
    const float z = 2;
    const Vertex centre = Corner(0.013f, -0.021f, z);
    constexpr int kSpokes = 13;
    std::vector<Vertex> ring;
    for (int i = 0; i < kSpokes; ++i) {
        const double angle = -2 * M_PI * i / kSpokes; // clockwise on screen as i grows
        const double radius = 0.9 + 0.1 * std::sin(i * 1.7);
        ring.push_back(Corner(static_cast<float>(radius * std::cos(angle)),
                              static_cast<float>(radius * std::sin(angle)), z));
    }
    for (int i = 0; i < kSpokes; ++i) {
        Canvas single(60, 40);
        ASSERT_TRUE(single.Draw({centre, ring[i], ring[(i + 1) % kSpokes]})) << i;
        for (size_t p = 0; p < hits.size(); ++p) {
            hits[p] += single.color[p] != kBlack;
        }
    }
    int covered = 0;
    for (size_t p = 0; p < hits.size(); ++p) {
        ASSERT_LE(hits[p], 1) << "pixel " << p;
        covered += hits[p];
    }
    // Well inside the ring (its corners lie 16 to 20 pixels out) every pixel is covered.
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 60; ++x) {
            const double cx = x + 0.5 - 30, cy = y + 0.5 - 20;
            if (cx * cx + cy * cy < 14 * 14) {
                ASSERT_EQ(hits[static_cast<size_t>(y) * 60 + x], 1) << x << "," << y;
            }
        }
    }
    EXPECT_GT(covered, 700);
}

TEST(RasterFillRule, AdjacentQuadsOnAFractionalEdgeShareNoPixel) {
    Canvas left(60, 40), right(60, 40);
    left.Draw(Quad(-0.6f, -0.33f, 0.137f, 0.41f, 2));
    // Colours that no plane fits: this quad is filled as two triangles, the other in one piece.
    auto shaded = Quad(0.137f, -0.33f, 0.7f, 0.41f, 2);
    shaded[0].g = 0;
    shaded[2].b = 0.2f;
    right.Draw(shaded);
    Canvas whole(60, 40);
    whole.Draw(Quad(-0.6f, -0.33f, 0.7f, 0.41f, 2));
    for (size_t p = 0; p < whole.color.size(); ++p) {
        const int hits = (left.color[p] != kBlack) + (right.color[p] != kBlack);
        ASSERT_EQ(hits, whole.color[p] != kBlack ? 1 : 0) << p;
    }
}

TEST(RasterHostileInput, BadCornersDrawNothingAndDoNotCrash) {
    Canvas canvas(60, 40);
    const float inf = std::numeric_limits<float>::infinity();
    auto quad = Quad(-0.5f, -0.5f, 0.5f, 0.5f, 2);
    for (float bad : {NAN, inf, -inf}) {
        for (int field = 0; field < 8; ++field) {
            auto broken = quad;
            float* values[] = {&broken[1].x, &broken[1].y, &broken[1].z, &broken[1].u,
                               &broken[1].v, &broken[1].r, &broken[1].g, &broken[1].b};
            *values[field] = bad;
            EXPECT_FALSE(canvas.Draw(broken)) << field;
        }
    }
    EXPECT_FALSE(canvas.Draw({quad[0], quad[1]}));
    EXPECT_FALSE(DrawPolygon(canvas.target, canvas.projection, nullptr, 4, {}));
    EXPECT_FALSE(DrawPolygon(canvas.target, canvas.projection, quad.data(), -5, {}));
    const std::vector<Vertex> many(100000, quad[0]);
    EXPECT_FALSE(canvas.Draw(many));
    EXPECT_FALSE(canvas.Draw({quad[0], quad[0], quad[0]}));                         // a point
    EXPECT_FALSE(canvas.Draw({Corner(0, 0, 2), Corner(1, 0, 2), Corner(2, 0, 2)})); // a line
    EXPECT_EQ(canvas.CountNot(kBlack), 0);
}

TEST(RasterHostileInput, HugeCoordinatesAreClippedSafely) {
    Canvas canvas(60, 40);
    const float big = 1e30f;
    ASSERT_TRUE(canvas.Draw(Quad(-big, -big, big, big, 2)));
    EXPECT_EQ(canvas.CountNot(kBlack), 60 * 40);
    Canvas edge(60, 40);
    PolygonStyle bothSides;
    bothSides.cullBackFaces = false;
    // Reaching from behind the camera to very far away, at the largest floats.
    edge.Draw({Corner(-FLT_MAX, -1, -FLT_MAX), Corner(FLT_MAX, -1, -FLT_MAX),
               Corner(FLT_MAX, -1, FLT_MAX), Corner(-FLT_MAX, -1, FLT_MAX)},
              bothSides);
    auto odd = Quad(-0.5f, -0.5f, 0.5f, 0.5f, 2);
    for (auto& c : odd) {
        c.u = 1e20f * (c.u + 1);
        c.v = -3e9f;
        c.r = 7;
        c.g = -3;
    }
    rm::raster::TextureView texture;
    const uint32_t texel = 0xFFFFFF;
    texture.width = texture.height = 1;
    texture.pixels = &texel;
    PolygonStyle textured;
    textured.texture = &texture;
    textured.perspective = true;
    ASSERT_TRUE(canvas.Draw(odd, textured));
    EXPECT_EQ(canvas.At(30, 20), 0xFF00FFu); // colours held to 0..1
}

// Random polygons of every kind, tame and wild, in every fill mode: nothing lands outside
// the viewport, and every pixel written lies between the front and back planes.
TEST(RasterHostileInput, RandomPolygonsStayInsideTheViewportAndTheDepthRange) {
    Canvas canvas(64, 48, 0x123456);
    canvas.projection.x = 8;
    canvas.projection.y = 6;
    canvas.projection.width = 40;
    canvas.projection.height = 30;
    canvas.projection.back = 20;
    rm::raster::Clear(canvas.target, canvas.projection, kBlack);
    rm::raster::ClearDepth(canvas.target, canvas.projection);
    std::mt19937 random(1234);
    std::normal_distribution<float> tame(0.0f, 2.0f);
    std::uniform_real_distribution<float> exponent(-30.0f, 30.0f);
    auto wild = [&] { return (random() % 2 ? 1.0f : -1.0f) * std::pow(10.0f, exponent(random)); };
    const uint32_t texels[6] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF, 0xFF00FF};
    rm::raster::TextureView texture;
    texture.width = 3;
    texture.height = 2;
    texture.pixels = texels;
    for (int round = 0; round < 4000; ++round) {
        const int count = 3 + static_cast<int>(random() % 8);
        std::vector<Vertex> corners;
        for (int i = 0; i < count; ++i) {
            const bool isWild = random() % 8 == 0;
            auto value = [&] { return isWild ? wild() : tame(random); };
            corners.push_back(Corner(value(), value(), value() + 4, value(), value(),
                                     value() * 0.3f + 0.5f, 0.5f, value()));
        }
        PolygonStyle style;
        style.fill = static_cast<FillMode>(random() % 3);
        style.texture = random() % 2 ? &texture : nullptr;
        style.filter =
            random() % 2 ? rm::raster::TextureFilter::Bilinear : rm::raster::TextureFilter::Nearest;
        style.perspective = random() % 2;
        style.cullBackFaces = random() % 2;
        canvas.target.bitsPerPixel = random() % 4 == 0 ? 16 : 32;
        canvas.Draw(corners, style);
    }
    int drawn = 0;
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 64; ++x) {
            const bool inside = x >= 8 && x < 48 && y >= 6 && y < 36;
            if (!inside) {
                ASSERT_EQ(canvas.At(x, y), 0x123456u) << x << "," << y;
            } else if (canvas.At(x, y) != kBlack) {
                ++drawn;
                ASSERT_GE(canvas.DepthAt(x, y), 1.0f - 1e-3f);
                ASSERT_LE(canvas.DepthAt(x, y), 20.0f * (1 + 1e-3f));
            }
        }
    }
    EXPECT_GT(drawn, 600);
}

TEST(RasterHostileInput, NonConvexPolygonsAreDrawnWithoutHarm) {
    Canvas canvas(60, 40);
    // A star, corners clockwise: a fan of its triangles covers the middle.
    std::vector<Vertex> star;
    for (int i = 0; i < 10; ++i) {
        const double angle = M_PI * i / 5;
        const double radius = i % 2 ? 0.3 : 0.9;
        star.push_back(Corner(static_cast<float>(radius * std::sin(angle)),
                              static_cast<float>(radius * std::cos(angle)), 2));
    }
    EXPECT_TRUE(canvas.Draw(star));
    EXPECT_EQ(canvas.At(30, 20), kWhite);
    EXPECT_EQ(canvas.At(2, 2), kBlack);
}

TEST(RasterHostileInput, BrokenTargetsAndProjectionsAreRefused) {
    const auto quad = Quad(-0.5f, -0.5f, 0.5f, 0.5f, 2);
    auto refuses = [&](auto breakIt) {
        Canvas canvas(60, 40);
        breakIt(canvas);
        rm::raster::Clear(canvas.target, canvas.projection, kWhite);
        rm::raster::ClearDepth(canvas.target, canvas.projection);
        const bool drawn = DrawPolygon(canvas.target, canvas.projection, quad.data(), 4, {});
        return !drawn;
    };
    EXPECT_TRUE(refuses([](Canvas& c) { c.target.width = 0; }));
    EXPECT_TRUE(refuses([](Canvas& c) { c.target.height = -3; }));
    EXPECT_TRUE(refuses([](Canvas& c) { c.target.color = nullptr; }));
    EXPECT_TRUE(refuses([](Canvas& c) { c.target.depth = nullptr; }));
    EXPECT_TRUE(refuses([](Canvas& c) { c.projection.width = 0; }));
    EXPECT_TRUE(refuses([](Canvas& c) { c.projection.x = 60; }));
    EXPECT_TRUE(refuses([](Canvas& c) { c.projection.y = -40; }));
    EXPECT_TRUE(refuses([](Canvas& c) { c.projection.field = 0; }));
    EXPECT_TRUE(refuses([](Canvas& c) { c.projection.field = NAN; }));
    EXPECT_TRUE(refuses([](Canvas& c) { c.projection.front = 0; }));
    EXPECT_TRUE(refuses([](Canvas& c) { c.projection.back = 0.5f; }));
    EXPECT_TRUE(refuses([](Canvas& c) { c.projection.back = INFINITY; }));
    // A viewport larger than the target is cut to it, not refused.
    EXPECT_FALSE(refuses([](Canvas& c) {
        c.projection.x = -1000; // the same optical centre, far wider than the target
        c.projection.y = -1000;
        c.projection.width = 2060;
        c.projection.height = 2040;
    }));
    EXPECT_FALSE(refuses([](Canvas&) {}));
}

} // namespace
