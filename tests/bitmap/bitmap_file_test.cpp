#include "platform/base/image.h"
#include "tests/bitmap/bmp_writer.h"
#include "tests/common/temp_path.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

namespace {

using bmptest::BmpParts;
using bmptest::EncodeBmp;
using bmptest::PaddedRows;
constexpr uint32_t BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3;
constexpr uint32_t K = 0xFF000000, B = 0xFF0000FF, G = 0xFF00FF00, R = 0xFFFF0000, W = 0xFFFFFFFF;
using Bytes = std::vector<uint8_t>;
using Rows = std::vector<std::vector<uint32_t>>; // 0xAARRGGBB, top row first

bool Refused(const Bytes& file) {
    base::Image image;
    image.Resize(3, 3);
    const bool ok = base::DecodeBitmap(file.data(), file.size(), image);
    return !ok && image.Empty() && image.pixels.empty();
}

void ExpectPixels(const base::Image& image, const Rows& rows) {
    ASSERT_EQ(image.height, static_cast<int>(rows.size()));
    ASSERT_EQ(image.width, static_cast<int>(rows[0].size()));
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            EXPECT_EQ(image.At(x, y), rows[y][x]) << "at " << x << "," << y;
}

void ExpectDecodes(const BmpParts& parts, const Rows& rows) {
    const Bytes file = EncodeBmp(parts);
    base::Image image;
    ASSERT_TRUE(base::DecodeBitmap(file.data(), file.size(), image));
    ExpectPixels(image, rows);
}

// Stored rows: blue, green then red, white.
BmpParts TwoByTwo24(int32_t height, uint32_t header = 40) {
    return {.headerBytes = header,
            .width = 2,
            .height = height,
            .pixels = PaddedRows({{0xFF, 0, 0, 0, 0xFF, 0}, {0, 0, 0xFF, 0xFF, 0xFF, 0xFF}})};
}
const Rows kTopDown = {{B, G}, {R, W}};
const Rows kBottomUp = {{R, W}, {B, G}};

BmpParts RunLength(uint32_t compression, int width, int height, Bytes stream) {
    return {.width = width,
            .height = height,
            .bitCount = uint16_t(compression == BI_RLE8 ? 8 : 4),
            .compression = compression,
            .palette = {0x000000, 0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF},
            .pixels = std::move(stream)};
}

TEST(BitmapTrueColour, OrientationPaddingAndHeaderForms) {
    ExpectDecodes(TwoByTwo24(2), kBottomUp);
    ExpectDecodes(TwoByTwo24(-2), kTopDown);
    for (uint32_t header : {52u, 56u, 108u, 124u})
        ExpectDecodes(TwoByTwo24(-2, header), kTopDown);
    ExpectDecodes(
        {.width = 3,
         .height = 2,
         .pixels = PaddedRows({{1, 2, 3, 4, 5, 6, 7, 8, 9}, {10, 11, 12, 13, 14, 15, 16, 17, 18}})},
        {{0xFF0C0B0A, 0xFF0F0E0D, 0xFF121110}, {0xFF030201, 0xFF060504, 0xFF090807}});
}

TEST(BitmapTrueColour, SixteenAndThirtyTwoBitsWithAndWithoutMasks) {
    // 555 by default, the top bit unused; a 5-bit 1 widens to 255/31 rounded.
    ExpectDecodes({.width = 4,
                   .bitCount = 16,
                   .pixels = PaddedRows({{0xFF, 0x7F, 0x00, 0x7C, 0xE0, 0x03, 0x01, 0x80}})},
                  {{W, R, G, 0xFF000008}});
    ExpectDecodes({.width = 4,
                   .bitCount = 16,
                   .compression = BI_BITFIELDS,
                   .masks = {0xF800, 0x07E0, 0x001F},
                   .pixels = PaddedRows({{0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0x20, 0x00}})},
                  {{R, G, B, 0xFF000400}});
    // Without masks the fourth byte is ignored.
    ExpectDecodes({.width = 2, .bitCount = 32, .pixels = {0x30, 0x20, 0x10, 0, 3, 2, 1, 0x7F}},
                  {{0xFF102030, 0xFF010203}});
    // Masks for R, G, B, A in memory order; after a 40-byte header there is no alpha mask.
    BmpParts p{.headerBytes = 124,
               .width = 2,
               .bitCount = 32,
               .compression = BI_BITFIELDS,
               .masks = {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000},
               .pixels = {0x11, 0x22, 0x33, 0x80, 0xFF, 0x00, 0x00, 0x00}};
    ExpectDecodes(p, {{0x80112233, 0x00FF0000}});
    p.headerBytes = 40;
    p.masks.pop_back();
    ExpectDecodes(p, {{0xFF112233, R}});
}

TEST(BitmapPalette, BitOrderShortPalettesAndCoreHeaders) {
    ExpectDecodes({.width = 10,
                   .bitCount = 1,
                   .palette = {0x000000, 0xFFFFFF},
                   .pixels = PaddedRows({{0b10100000, 0b01000000}})},
                  {{W, K, W, K, K, K, K, K, K, W}});
    // Indexes past a short palette are black.
    ExpectDecodes({.width = 4,
                   .bitCount = 4,
                   .colorsUsed = 2,
                   .palette = {0x123456, 0xABCDEF},
                   .pixels = PaddedRows({{0x01, 0x2F}})},
                  {{0xFF123456, 0xFFABCDEF, K, K}});
    // colorsUsed claims 16 colours but the pixel offset leaves room for two.
    ExpectDecodes({.width = 3,
                   .bitCount = 8,
                   .colorsUsed = 16,
                   .palette = {0x0000FF, 0x00FF00},
                   .pixels = PaddedRows({{0, 1, 2}})},
                  {{B, G, K}});
    // Core headers: three-byte palette entries, 16-bit sizes.
    ExpectDecodes({.headerBytes = 12,
                   .width = 3,
                   .height = 2,
                   .bitCount = 8,
                   .palette = {0x102030, 0x405060, 0x708090},
                   .pixels = PaddedRows({{0, 1, 2}, {2, 2, 1}})},
                  {{0xFF708090, 0xFF708090, 0xFF405060}, {0xFF102030, 0xFF405060, 0xFF708090}});
    ExpectDecodes(
        {.headerBytes = 12, .width = 3, .pixels = PaddedRows({{1, 2, 3, 4, 5, 6, 7, 8, 9}})},
        {{0xFF030201, 0xFF060504, 0xFF090807}});
}

TEST(BitmapRunLength, RunsAbsoluteRunsDeltasAndEscapes) {
    // RLE8 bottom row: run of 2 blue, odd absolute run of 3 (padded), end of line; then a
    // delta right 1 up 1 into row 2, a run of 1 red, end of bitmap.
    ExpectDecodes(RunLength(BI_RLE8, 5, 3, {2, 1, 0, 3, 2, 3, 4, 0, 0, 0, 0, 2, 1, 1, 1, 3, 0, 1}),
                  {{K, R, K, K, K}, {K, K, K, K, K}, {B, B, G, R, W}});
    // RLE4: a run alternates its two nibbles; an absolute run of 5 nibbles pads to 4 bytes.
    ExpectDecodes(
        RunLength(BI_RLE4, 8, 2,
                  {5, 0x12, 0, 0, 0, 5, 0x34, 0x01, 0x20, 0x00, 0, 2, 1, 0, 1, 0x40, 0, 1}),
        {{R, W, K, B, G, K, W, K}, {B, G, B, G, B, K, K, K}});
    // Runs past the row are clipped, not wrapped.
    ExpectDecodes(RunLength(BI_RLE8, 3, 2, {200, 1, 0, 7, 1, 2, 3, 4, 1, 2, 3, 0, 0, 1}),
                  {{K, K, K}, {B, B, B}});
    // A delta far above the top row ends the picture; the bytes after it are never read.
    ExpectDecodes(RunLength(BI_RLE8, 2, 2, {2, 2, 0, 2, 0, 200, 9, 9}), {{K, K}, {G, G}});
    ExpectDecodes(RunLength(BI_RLE8, 1, 2, {1, 3, 0, 0, 1, 4, 0, 0, 1, 1, 0, 0}), {{W}, {R}});
    // Data ending before the last row is damage.
    EXPECT_TRUE(Refused(EncodeBmp(RunLength(BI_RLE8, 2, 2, {2, 1, 0, 0}))));
    EXPECT_TRUE(Refused(EncodeBmp(RunLength(BI_RLE8, 8, 1, {0, 5, 1, 2}))));
    EXPECT_TRUE(Refused(EncodeBmp(RunLength(BI_RLE8, 8, 4, {0, 2, 1}))));
}

TEST(BitmapDamage, HostileHeadersAreRefused) {
    const Bytes good = EncodeBmp(TwoByTwo24(2));
    auto patched = [&](size_t at, Bytes bytes) {
        Bytes file = good;
        std::copy(bytes.begin(), bytes.end(), file.begin() + at);
        return file;
    };
    EXPECT_TRUE(Refused(patched(0, {'M', 'B'})));
    EXPECT_TRUE(Refused(patched(10, {0xFF, 0xFF, 0, 0})));             // pixels past the end
    EXPECT_TRUE(Refused(patched(14, {0xE8, 0x03, 0, 0})));             // header of 1000 bytes
    EXPECT_TRUE(Refused(patched(14, {0, 0, 0, 0})));                   // header of 0 bytes
    EXPECT_TRUE(Refused(patched(18, {0, 0, 0, 0})));                   // zero width
    EXPECT_TRUE(Refused(patched(22, {0, 0, 0, 0})));                   // zero height
    EXPECT_TRUE(Refused(patched(18, {0xFE, 0xFF, 0xFF, 0xFF})));       // negative width
    EXPECT_TRUE(Refused(patched(22, {0, 0, 0, 0x80})));                // most negative height
    EXPECT_TRUE(Refused(patched(18, {0x01, 0x40, 0, 0})));             // 16385 wide
    EXPECT_TRUE(Refused(patched(18, {0, 0x40, 0, 0})));                // 16384 x 2 truncated
    EXPECT_TRUE(Refused(patched(18, {0, 0x40, 0, 0, 0, 0x40, 0, 0}))); // 256M pixels
    for (uint8_t bits : {0, 2, 7, 64, 0xFF})
        EXPECT_TRUE(Refused(patched(28, {bits, 0}))) << int{bits};
    for (uint8_t compression : {1, 2, 3, 4, 5, 7, 0xFF})
        EXPECT_TRUE(Refused(patched(30, {compression, 0, 0, 0}))) << int{compression};
    // A core header's 16-bit sizes can pass the side limit even with every byte present.
    BmpParts wide{.headerBytes = 12, .width = 16385, .pixels = Bytes(16385 * 3 + 1)};
    EXPECT_TRUE(Refused(EncodeBmp(wide)));
    wide.width = 16384;
    EXPECT_FALSE(Refused(EncodeBmp(wide)));
    // Bitfields with no masks written: they would overlap the pixels and run out.
    EXPECT_TRUE(
        Refused(EncodeBmp({.bitCount = 32, .compression = BI_BITFIELDS, .pixels = {1, 2, 3, 4}})));
    EXPECT_TRUE(Refused({}));
    base::Image image;
    EXPECT_FALSE(base::DecodeBitmap(nullptr, 100, image));
}

std::vector<Bytes> SampleFiles() {
    return {
        EncodeBmp(TwoByTwo24(-2)),
        EncodeBmp(RunLength(BI_RLE8, 5, 3, {2, 1, 0, 3, 2, 3, 4, 0, 0, 0, 0, 2, 1, 1, 1, 3, 0, 1})),
        EncodeBmp(
            RunLength(BI_RLE4, 6, 2, {5, 0x12, 0, 0, 0, 3, 0x34, 0x00, 0, 2, 1, 0, 1, 0x40, 0, 1})),
        EncodeBmp(
            {.width = 9,
             .height = 3,
             .bitCount = 4,
             .palette = {0x010203, 0x040506, 0x070809},
             .pixels = PaddedRows({{1, 2, 3, 4, 5}, {6, 7, 8, 9, 10}, {11, 12, 13, 14, 15}})}),
        EncodeBmp({.headerBytes = 108,
                   .width = 2,
                   .height = 2,
                   .bitCount = 16,
                   .compression = BI_BITFIELDS,
                   .masks = {0xF800, 0x07E0, 0x001F, 0},
                   .pixels = PaddedRows({{1, 2, 3, 4}, {5, 6, 7, 8}})})};
}

// Decodes exactly `file` (a copy of its own size, so the sanitizer sees any read past it).
bool DecodeConsistently(const Bytes& file) {
    base::Image image;
    const bool ok = base::DecodeBitmap(file.data(), file.size(), image);
    if (!ok) {
        EXPECT_TRUE(image.Empty());
    } else {
        EXPECT_TRUE(image.width > 0 && image.height > 0 && image.width <= 16384 &&
                    image.height <= 16384);
        EXPECT_EQ(image.pixels.size(), static_cast<size_t>(image.width) * image.height);
    }
    return ok;
}

TEST(BitmapDamage, TruncationsAndRandomByteFlipsAreSafe) {
    std::mt19937 random(12345);
    for (const Bytes& file : SampleFiles()) {
        const uint32_t pixelOffset = file[10] | file[11] << 8 | file[12] << 16;
        for (size_t length = 0; length < file.size(); ++length) {
            const bool ok = DecodeConsistently(Bytes(file.begin(), file.begin() + length));
            EXPECT_TRUE(!ok || length > pixelOffset) << length; // cutting pixels is refused
        }
        for (int trial = 0; trial < 3000; ++trial) {
            Bytes damaged = file;
            for (int flips = 1 + int(random() % 4); flips > 0; --flips)
                damaged[random() % damaged.size()] ^= static_cast<uint8_t>(1 + random() % 255);
            DecodeConsistently(damaged);
        }
    }
}

TEST(BitmapFile, LoadsFromDiskAndRefusesMissingOrNonFiles) {
    const auto path = TempPath("bitmap_test.bmp");
    const Bytes file = EncodeBmp(TwoByTwo24(2));
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), file.size());
    base::Image image;
    ASSERT_TRUE(base::LoadBitmapFile(path.string(), image));
    ExpectPixels(image, kBottomUp);
    std::filesystem::remove(path);
    EXPECT_FALSE(base::LoadBitmapFile(path.string(), image));
    EXPECT_TRUE(image.Empty());
    EXPECT_FALSE(base::LoadBitmapFile(std::filesystem::temp_directory_path().string(), image));
    EXPECT_FALSE(base::LoadBitmapFile("", image));
}

} // namespace
