// The 2D layer: bitmap files, memory contexts, stretch blits, and text in the default font
// drawn into a picture as the credit meter draws it (text needs Qt's font database, so the
// test program has a QGuiApplication).

#include "platform/gdi/gdi.h"
#include "tests/common/test_support.h"
#include "tests/platform/base/bmp_writer.h"

#include <QGuiApplication>
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>
#include <memory>

namespace {

uint32_t L(int x, int y = 0) {
    return 0xFF000000u | x << 8 | y;
}

// A picture whose every pixel tells where it came from.
base::Image Numbered(int width, int height) {
    base::Image image;
    image.Resize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.At(x, y) = L(x, y);
    return image;
}

class GuiEnvironment : public testing::Environment {
    int argc_ = 1;
    char name_[9] = "gdi_test";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QGuiApplication> app_;

public:
    void SetUp() override { app_ = std::make_unique<QGuiApplication>(argc_, argv_); }
    void TearDown() override { app_.reset(); }
};

[[maybe_unused]] const testing::Environment* const environment =
    testing::AddGlobalTestEnvironment(new GuiEnvironment);

constexpr uint32_t GROUND = 0xFF102030, RED_PIXEL = 0xFFFF0000, DARK_RED_PIXEL = 0xFF300000;

// The inclusive bounds (left, top, right, bottom) of the pixels of one colour.
std::tuple<int, int, int, int> BoundsOf(const base::Image& image, uint32_t colour) {
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (image.At(x, y) == colour) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    return {left, top, right, bottom};
}
const std::tuple<int, int, int, int> NOTHING{INT_MAX, INT_MAX, INT_MIN, INT_MIN};

// A 128 x 128 picture with a context drawing red on dark red.
struct Canvas {
    base::Image image;
    SurfaceDC dc;

    explicit Canvas(int bkMode = OPAQUE, UINT align = TA_RIGHT | TA_BOTTOM) {
        image.Resize(128, 128, GROUND);
        dc.image = &image;
        SetBkMode(&dc, bkMode);
        SetTextColor(&dc, RGB(255, 0, 0));
        SetTextAlign(&dc, align);
        SetBkColor(&dc, RGB(0x30, 0, 0));
    }
    BOOL Draw(int x, int y, UINT options, const RECT* rect, const char* text) {
        return ExtTextOutA(&dc, x, y, options, rect, text, static_cast<UINT>(std::strlen(text)),
                           nullptr);
    }
    std::tuple<int, int, int, int> Ink() const { return BoundsOf(image, RED_PIXEL); }
    std::tuple<int, int, int, int> Ground() const { return BoundsOf(image, DARK_RED_PIXEL); }
};

} // namespace

// A 2 x 2 file (top row red, white; bottom row blue, green) loads, stretched when asked; a copy
// cut short inside its pixels does not.
TEST(LoadImageA, LoadsBitmapFilesOnlyAndStretchesToTheGivenSize) {
    const std::string path = TempPath("gdi.bmp").string(), cut = path + ".cut.bmp";
    bmptest::BmpParts parts;
    parts.width = parts.height = 2;
    parts.pixels = bmptest::PaddedRows({{0xFF, 0, 0, 0, 0xFF, 0}, {0, 0, 0xFF, 0xFF, 0xFF, 0xFF}});
    std::vector<uint8_t> bytes = bmptest::EncodeBmp(parts);
    WriteFile(path, bytes);
    bytes.resize(60);
    WriteFile(cut, bytes);
    const UINT fromFile = LR_LOADFROMFILE | LR_CREATEDIBSECTION;
    EXPECT_EQ(LoadImageA(nullptr, cut.c_str(), IMAGE_BITMAP, 0, 0, fromFile), nullptr);
    EXPECT_EQ(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION), nullptr);
    EXPECT_EQ(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 16384, 16384, fromFile), nullptr);

    HANDLE bitmap = LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 4, 0, fromFile);
    ASSERT_NE(bitmap, nullptr);
    BITMAP info{};
    EXPECT_EQ(GetObjectA(bitmap, sizeof(info), &info), 24);
    EXPECT_EQ(std::tuple(info.bmWidth, info.bmHeight, info.bmBitsPixel), std::tuple(4, 2, 32));
    HDC memory = CreateCompatibleDC(nullptr);
    const HGDIOBJ stock = SelectObject(memory, bitmap);
    base::Image target;
    target.Resize(4, 2);
    SurfaceDC surface{&target};
    ASSERT_TRUE(StretchBlt(&surface, 0, 0, 4, 2, memory, 0, 0, 4, 2, SRCCOPY));
    const uint32_t R = 0xFFFF0000, W = 0xFFFFFFFF, B = 0xFF0000FF, G = 0xFF00FF00;
    EXPECT_EQ(target.pixels, (std::vector<uint32_t>{R, R, W, W, B, B, G, G}));
    EXPECT_FALSE(DeleteObject(bitmap)) << "still selected";
    EXPECT_FALSE(DeleteObject(stock)) << "stock objects live forever";
    EXPECT_TRUE(DeleteDC(memory));
    EXPECT_TRUE(DeleteObject(bitmap)) << "deleting the context releases its bitmap";
    std::filesystem::remove(path);
    std::filesystem::remove(cut);
}

// Each destination pixel takes the first source pixel of its part; a negative size mirrors;
// what falls outside either picture is left out. The target starts at 0.
TEST(StretchBlt, ScalesMirrorsAndClips) {
    const struct {
        int sourceWidth, sourceHeight, targetWidth, targetHeight;
        int x, y, width, height, sx, sy, sw, sh;
        std::vector<uint32_t> expected;
    } cases[] = {
        {4, 4, 3, 2, 1, 0, 2, 2, 2, 1, 2, 2, {0, L(2, 1), L(3, 1), 0, L(2, 2), L(3, 2)}},
        {2, 1, 4, 1, 0, 0, 4, 1, 0, 0, 2, 1, {L(0), L(0), L(1), L(1)}},
        {1, 2, 1, 3, 0, 0, 1, 3, 0, 0, 1, 2, {L(0, 0), L(0, 0), L(0, 1)}},
        {3, 1, 5, 1, 0, 0, 5, 1, 0, 0, 3, 1, {L(0), L(0), L(1), L(1), L(2)}},
        {6, 1, 3, 1, 0, 0, 3, 1, 0, 0, 6, 1, {L(0), L(2), L(4)}},
        {3, 1, 4, 1, 2, 0, -3, 1, 0, 0, 3, 1, {L(2), L(1), L(0), 0}},
        {3, 1, 3, 1, 0, 0, 3, 1, 2, 0, -3, 1, {L(2), L(1), L(0)}},
        {1, 2, 1, 2, 0, 1, 1, -2, 0, 0, 1, 2, {L(0, 1), L(0, 0)}},
        {3, 1, 3, 1, -1, 0, 3, 1, 0, 0, 3, 1, {L(1), L(2), 0}},
        {3, 2, 3, 2, 1, 1, 3, 2, 0, 0, 3, 2, {0, 0, 0, 0, L(0), L(1)}},
        {2, 1, 3, 1, 0, 0, 3, 1, 1, 0, 3, 1, {L(1), 0, 0}},
    };
    for (const auto& c : cases) {
        base::Image source = Numbered(c.sourceWidth, c.sourceHeight), target;
        target.Resize(c.targetWidth, c.targetHeight, 0);
        SurfaceDC from{&source}, to{&target};
        ASSERT_TRUE(
            StretchBlt(&to, c.x, c.y, c.width, c.height, &from, c.sx, c.sy, c.sw, c.sh, SRCCOPY));
        EXPECT_EQ(target.pixels, c.expected) << &c - cases;
    }
}

TEST(StretchBlt, ReadsTheOriginalWithinOnePictureAndSurvivesExtremes) {
    base::Image picture = Numbered(4, 1);
    SurfaceDC dc{&picture}, nowhere{};
    ASSERT_TRUE(StretchBlt(&dc, 1, 0, 3, 1, &dc, 0, 0, 3, 1, SRCCOPY));
    EXPECT_EQ(picture.pixels, (std::vector<uint32_t>{L(0), L(0), L(1), L(2)}));
    EXPECT_FALSE(StretchBlt(&dc, 0, 0, 2, 1, &dc, 0, 0, 2, 1, 0x00EE0086 /* SRCPAINT */));
    EXPECT_FALSE(StretchBlt(&dc, 0, 0, 2, 1, &nowhere, 0, 0, 2, 1, SRCCOPY));
    // Extreme sizes are clipped before any loop runs.
    EXPECT_TRUE(StretchBlt(&dc, INT_MIN, 0, INT_MAX, 1, &dc, 0, 0, 1, 1, SRCCOPY));
    EXPECT_TRUE(
        StretchBlt(&dc, INT_MAX, INT_MAX, INT_MIN, INT_MIN, &dc, 0, 0, INT_MAX, -INT_MAX, SRCCOPY));
}

// In OPAQUE mode the text's cell is filled, placed around the reference point by the alignment;
// TRANSPARENT leaves the ground and draws the same glyphs.
TEST(Text, AlignmentPlacesTheCellAndOpaqueModeFillsIt) {
    int width = 0, height = 0;
    ASSERT_TRUE(gdi::MeasureText("88", 2, width, height));
    const struct {
        UINT align;
        int left, top;
    } cases[] = {{TA_LEFT | TA_TOP, 40, 50},
                 {TA_RIGHT | TA_TOP, 40 - width, 50},
                 {TA_CENTER | TA_BOTTOM, 40 - width / 2, 50 - height},
                 {TA_RIGHT | TA_BOTTOM, 40 - width, 50 - height}};
    for (const auto& c : cases) {
        Canvas opaque(OPAQUE, c.align), transparent(TRANSPARENT, c.align);
        ASSERT_TRUE(opaque.Draw(40, 50, 0, nullptr, "88"));
        ASSERT_TRUE(transparent.Draw(40, 50, 0, nullptr, "88"));
        EXPECT_EQ(opaque.Ground(),
                  std::tuple(c.left, c.top, c.left + width - 1, c.top + height - 1))
            << c.align;
        EXPECT_EQ(transparent.Ground(), NOTHING);
        EXPECT_NE(transparent.Ink(), NOTHING);
        for (size_t i = 0; i < opaque.image.pixels.size(); ++i)
            EXPECT_EQ(opaque.image.pixels[i] == RED_PIXEL,
                      transparent.image.pixels[i] == RED_PIXEL);
    }
}

TEST(Text, MeterFiguresFillTheirRectangleAndAreClippedToIt) {
    Canvas canvas;
    const RECT bet{41, 101, 59, 122};
    ASSERT_TRUE(canvas.Draw(59, 122, ETO_OPAQUE | ETO_CLIPPED, &bet, "-1234567"));
    EXPECT_EQ(canvas.Ground(), std::tuple(41, 101, 58, 121));
    const auto [left, top, right, bottom] = canvas.Ink();
    EXPECT_TRUE(left >= 41 && left <= 42 && right <= 58 && top >= 101 && bottom <= 121);
    EXPECT_EQ(std::count(canvas.image.pixels.begin(), canvas.image.pixels.end(), GROUND),
              128 * 128 - 18 * 21); // nothing outside the rectangle

    Canvas empty(TRANSPARENT);
    const RECT past{100, 110, 140, 200};
    ASSERT_TRUE(ExtTextOutA(&empty.dc, 0, 0, ETO_OPAQUE, &past, nullptr, 0, nullptr));
    EXPECT_EQ(empty.Ground(), std::tuple(100, 110, 127, 127));
}
