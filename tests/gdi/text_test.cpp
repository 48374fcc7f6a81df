#include "platform/gdi/gdi.h"

#include <QFont>
#include <QFontInfo>
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <tuple>

namespace {

constexpr uint32_t kGround = 0xFF102030; // what the picture holds before drawing
constexpr COLORREF kRed = 0x000000FF;
constexpr COLORREF kDarkRed = 0x00000030;
constexpr uint32_t kRedPixel = 0xFFFF0000;
constexpr uint32_t kDarkRedPixel = 0xFF300000;

struct Box {
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN; // inclusive
    bool Empty() const { return left > right; }
    std::tuple<int, int, int, int> Edges() const { return {left, top, right, bottom}; }
};

Box BoundsOf(const base::Image& image, const std::function<bool(uint32_t)>& match) {
    Box box;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (match(image.At(x, y))) {
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
                box.top = std::min(box.top, y);
                box.bottom = std::max(box.bottom, y);
            }
    return box;
}

bool Inside(int x, int y, const RECT& r) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// A 128 x 128 picture with a context drawing red on dark red, as the credit meter does.
struct Canvas {
    base::Image image;
    SurfaceDC dc;

    explicit Canvas(int bkMode = OPAQUE, UINT align = TA_RIGHT | TA_BOTTOM) {
        image.Resize(128, 128, kGround);
        dc.image = &image;
        SetBkMode(&dc, bkMode);
        SetTextColor(&dc, kRed);
        SetTextAlign(&dc, align);
        SetBkColor(&dc, kDarkRed);
    }
    BOOL Draw(int x, int y, UINT options, const RECT* rect, const char* text) {
        return ExtTextOutA(&dc, x, y, options, rect, text, static_cast<UINT>(std::strlen(text)),
                           nullptr);
    }
    Box Ink() const {
        return BoundsOf(image, [](uint32_t p) { return p == kRedPixel; });
    }
    Box Background() const {
        return BoundsOf(image, [](uint32_t p) { return p == kDarkRedPixel; });
    }
};

std::pair<int, int> Measure(const char* text) {
    int width = 0, height = 0;
    EXPECT_TRUE(gdi::MeasureText(text, static_cast<UINT>(std::strlen(text)), width, height));
    return {width, height};
}
int TextWidth(const char* text) {
    return Measure(text).first;
}
int TextHeight() {
    return Measure("0").second;
}

} // namespace

TEST(GdiFont, IsTheChosenDejaVuFaceAndDigitsFitTheMeterRows) {
    QFont font(gdi::kDefaultFontFamily);
    font.setPixelSize(gdi::kDefaultFontPixelSize);
    EXPECT_EQ(QFontInfo(font).family().toStdString(), gdi::kDefaultFontFamily);
    EXPECT_LE(TextHeight(), 21);
    EXPECT_EQ(TextWidth("0123456789"), 10 * TextWidth("0")) << "digits share one width";
    // Six digits fit the 55-pixel credit rows, and a bet of 1 to 9 the 18-pixel one.
    EXPECT_LE(TextWidth("999999"), 55);
    EXPECT_LE(TextWidth("9"), 18);
}

TEST(GdiText, MeterFiguresSitInTheCornerOfTheirOpaqueRectangleClippedAtItsLeftEdge) {
    Canvas canvas;
    const RECT rect{4, 73, 59, 94};
    ASSERT_TRUE(canvas.Draw(59, 94, ETO_OPAQUE | ETO_CLIPPED, &rect, "123"));
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            const uint32_t p = canvas.image.At(x, y);
            if (Inside(x, y, rect))
                EXPECT_TRUE(p == kRedPixel || p == kDarkRedPixel) << x << "," << y;
            else
                EXPECT_EQ(p, kGround) << x << "," << y;
        }
    const Box ink = canvas.Ink();
    ASSERT_FALSE(ink.Empty());
    // The cell ends at the anchor; glyphs keep a pixel or two of bearing and descent room.
    EXPECT_TRUE(ink.right >= 55 && ink.right <= 58) << ink.right;
    EXPECT_TRUE(ink.bottom >= 93 - 5 && ink.bottom <= 93) << ink.bottom;
    EXPECT_GE(ink.left, 59 - TextWidth("123"));

    Canvas minus, plain;
    ASSERT_TRUE(minus.Draw(59, 94, ETO_OPAQUE | ETO_CLIPPED, &rect, "-5"));
    ASSERT_TRUE(plain.Draw(59, 94, ETO_OPAQUE | ETO_CLIPPED, &rect, "5"));
    EXPECT_LT(minus.Ink().left, plain.Ink().left - TextWidth("5") / 2) << "the minus sign shows";
    EXPECT_EQ(minus.Ink().right, plain.Ink().right);

    Canvas tooWide;
    const RECT bet{41, 101, 59, 122};
    ASSERT_TRUE(tooWide.Draw(59, 122, ETO_OPAQUE | ETO_CLIPPED, &bet, "-1234567"));
    const Box clipped = tooWide.Ink();
    EXPECT_TRUE(clipped.left == 41 || clipped.left == 42) << "the digits reach the left edge";
    EXPECT_EQ(tooWide.Background().Edges(), std::tuple(41, 101, 58, 121));
}

TEST(GdiText, OpaqueModeFillsTheTextCellAndTransparentLeavesTheGround) {
    Canvas opaque(OPAQUE, TA_LEFT | TA_TOP), transparent(TRANSPARENT, TA_LEFT | TA_TOP);
    ASSERT_TRUE(opaque.Draw(10, 20, 0, nullptr, "42"));
    ASSERT_TRUE(transparent.Draw(10, 20, 0, nullptr, "42"));
    EXPECT_EQ(opaque.Background().Edges(),
              std::tuple(10, 20, 10 + TextWidth("42") - 1, 20 + TextHeight() - 1));
    EXPECT_TRUE(transparent.Background().Empty());
    // The same glyph pixels either way; only the ground around them differs.
    for (size_t i = 0; i < opaque.image.pixels.size(); ++i) {
        EXPECT_EQ(opaque.image.pixels[i] == kRedPixel, transparent.image.pixels[i] == kRedPixel);
        if (transparent.image.pixels[i] != kRedPixel) {
            EXPECT_EQ(transparent.image.pixels[i], kGround);
        }
    }
}

TEST(GdiText, AlignmentPlacesTheCellAroundTheReferencePoint) {
    const int width = TextWidth("88"), height = TextHeight();
    struct Case {
        UINT align;
        int left, top;
    };
    for (const Case& c :
         {Case{TA_LEFT | TA_TOP, 40, 50}, Case{TA_RIGHT | TA_TOP, 40 - width, 50},
          Case{TA_CENTER | TA_TOP, 40 - width / 2, 50}, Case{TA_LEFT | TA_BOTTOM, 40, 50 - height},
          Case{TA_CENTER | TA_BOTTOM, 40 - width / 2, 50 - height}}) {
        Canvas canvas(OPAQUE, c.align);
        ASSERT_TRUE(canvas.Draw(40, 50, 0, nullptr, "88"));
        EXPECT_EQ(canvas.Background().Edges(),
                  std::tuple(c.left, c.top, c.left + width - 1, c.top + height - 1))
            << c.align;
    }
}

TEST(GdiText, BaselineAlignmentSitsDigitsOnTheReferenceLine) {
    Canvas canvas(TRANSPARENT, TA_LEFT | TA_BASELINE);
    ASSERT_TRUE(canvas.Draw(20, 60, 0, nullptr, "11"));
    EXPECT_EQ(canvas.Ink().bottom, 59);
    EXPECT_GE(canvas.Ink().top, 60 - gdi::kDefaultFontPixelSize);
}

TEST(GdiText, ClippedTextStaysInsideTheClipRectangle) {
    Canvas canvas(TRANSPARENT, TA_LEFT | TA_TOP);
    const RECT clip{30, 30, 50, 38};
    ASSERT_TRUE(canvas.Draw(20, 25, ETO_CLIPPED, &clip, "8888888"));
    const Box ink = canvas.Ink();
    ASSERT_FALSE(ink.Empty());
    EXPECT_TRUE(ink.left >= 30 && ink.right <= 49 && ink.top >= 30 && ink.bottom <= 37);
    EXPECT_TRUE(canvas.Background().Empty());

    Canvas unclipped(TRANSPARENT, TA_LEFT | TA_TOP);
    ASSERT_TRUE(unclipped.Draw(20, 25, 0, &clip, "8888888"));
    EXPECT_LT(unclipped.Ink().left, 30) << "without ETO_CLIPPED the rectangle does not clip";
}

TEST(GdiText, OpaqueRectangleIsPaintedEvenWithoutText) {
    Canvas canvas(TRANSPARENT);
    const RECT rect{100, 110, 140, 200}; // reaches past the picture
    ASSERT_TRUE(ExtTextOutA(&canvas.dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr));
    EXPECT_EQ(canvas.Background().Edges(), std::tuple(100, 110, 127, 127));
}

TEST(GdiText, AttributeSettersReturnThePreviousValue) {
    base::Image image;
    image.Resize(4, 4);
    SurfaceDC dc{&image};
    EXPECT_EQ(SetBkMode(&dc, TRANSPARENT), OPAQUE);
    EXPECT_EQ(SetBkMode(&dc, 7), 0);
    EXPECT_EQ(SetBkMode(&dc, OPAQUE), TRANSPARENT);
    EXPECT_EQ(SetTextColor(&dc, RGB(1, 2, 3)), 0x000000u);
    EXPECT_EQ(SetTextColor(&dc, 0), 0x030201u);
    EXPECT_EQ(SetBkColor(&dc, 0x30), 0xFFFFFFu);
    EXPECT_EQ(SetTextAlign(&dc, TA_RIGHT | TA_BOTTOM), TA_LEFT | TA_TOP);
    EXPECT_EQ(SetTextAlign(&dc, 0), 10u);
    EXPECT_EQ(SetBkMode(nullptr, OPAQUE), 0);
    EXPECT_EQ(SetTextColor(nullptr, 0), CLR_INVALID);
    EXPECT_EQ(SetBkColor(nullptr, 0), CLR_INVALID);
    EXPECT_EQ(SetTextAlign(nullptr, 0), GDI_ERROR);
}

TEST(GdiText, BadArgumentsAndFarAwayTextDrawNothing) {
    Canvas canvas;
    const INT spacing[2] = {8, 8};
    EXPECT_FALSE(ExtTextOutA(nullptr, 0, 0, 0, nullptr, "1", 1, nullptr));
    EXPECT_FALSE(ExtTextOutA(&canvas.dc, 50, 50, 0, nullptr, "12", 2, spacing));
    EXPECT_FALSE(ExtTextOutA(&canvas.dc, 50, 50, 0, nullptr, nullptr, 3, nullptr));
    SurfaceDC nowhere{};
    EXPECT_FALSE(ExtTextOutA(&nowhere, 0, 0, 0, nullptr, "1", 1, nullptr));
    EXPECT_TRUE(canvas.Draw(INT_MAX, INT_MAX, 0, nullptr, "12"));
    EXPECT_TRUE(canvas.Draw(INT_MIN, INT_MIN, 0, nullptr, "12"));
    const RECT wild{INT_MIN, INT_MIN, INT_MAX, INT_MIN};
    EXPECT_TRUE(canvas.Draw(-100, 50, ETO_OPAQUE | ETO_CLIPPED, &wild, "12"));
    EXPECT_EQ(canvas.image.pixels, std::vector<uint32_t>(128 * 128, kGround));
}
