#include "platform/rm/image.h"
#include "tests/bitmap/bmp_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

using bmptest::BmpParts;
using bmptest::EncodeBmp;
using bmptest::PaddedRows;

namespace {

constexpr uint32_t BI_RLE8 = 1;
constexpr uint32_t BI_RLE4 = 2;
constexpr uint32_t BI_BITFIELDS = 3;

rm::Image Decode(const std::vector<uint8_t>& file) {
    rm::Image image;
    EXPECT_TRUE(rm::DecodeBitmap(file.data(), file.size(), image));
    return image;
}

bool Refused(const std::vector<uint8_t>& file) {
    rm::Image image;
    image.Resize(3, 3);
    const bool ok = rm::DecodeBitmap(file.data(), file.size(), image);
    return !ok && image.Empty() && image.pixels.empty();
}

// Rows as 0xAARRGGBB, top row first.
void ExpectPixels(const rm::Image& image, int width, std::vector<std::vector<uint32_t>> rows) {
    ASSERT_EQ(image.width, width);
    ASSERT_EQ(image.height, static_cast<int>(rows.size()));
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < width; ++x)
            EXPECT_EQ(image.At(x, y), rows[y][x]) << "at " << x << "," << y;
}

BmpParts TwoByTwo24(int32_t height) {
    BmpParts p;
    p.width = 2;
    p.height = height;
    // Stored rows: blue, green then red, white.
    p.pixels = PaddedRows({{0xFF, 0, 0, 0, 0xFF, 0}, {0, 0, 0xFF, 0xFF, 0xFF, 0xFF}});
    return p;
}

} // namespace

TEST(BitmapTrueColour, BottomUpStoresTheTopRowLast) {
    ExpectPixels(Decode(EncodeBmp(TwoByTwo24(2))), 2,
                 {{0xFFFF0000, 0xFFFFFFFF}, {0xFF0000FF, 0xFF00FF00}});
}

TEST(BitmapTrueColour, NegativeHeightMeansTopDown) {
    ExpectPixels(Decode(EncodeBmp(TwoByTwo24(-2))), 2,
                 {{0xFF0000FF, 0xFF00FF00}, {0xFFFF0000, 0xFFFFFFFF}});
}

TEST(BitmapTrueColour, RowsArePaddedToFourBytes) {
    BmpParts p;
    p.width = 3;
    p.height = 2;
    p.pixels = PaddedRows({{1, 2, 3, 4, 5, 6, 7, 8, 9}, {10, 11, 12, 13, 14, 15, 16, 17, 18}});
    ExpectPixels(Decode(EncodeBmp(p)), 3,
                 {{0xFF0C0B0A, 0xFF0F0E0D, 0xFF121110}, {0xFF030201, 0xFF060504, 0xFF090807}});
}

TEST(BitmapTrueColour, V4AndV5HeadersReadLikeInfoHeaders) {
    for (uint32_t header : {52u, 56u, 108u, 124u}) {
        BmpParts p = TwoByTwo24(-2);
        p.headerBytes = header;
        ExpectPixels(Decode(EncodeBmp(p)), 2, {{0xFF0000FF, 0xFF00FF00}, {0xFFFF0000, 0xFFFFFFFF}});
    }
}

TEST(BitmapTrueColour, SixteenBitsDefaultTo555AndScaleToFullRange) {
    BmpParts p;
    p.width = 4;
    p.bitCount = 16;
    p.pixels = PaddedRows({{0xFF, 0x7F, 0x00, 0x7C, 0xE0, 0x03, 0x01, 0x80}});
    // The top bit is unused in 555; a value of 1 in five bits is 255/31 rounded.
    ExpectPixels(Decode(EncodeBmp(p)), 4, {{0xFFFFFFFF, 0xFFFF0000, 0xFF00FF00, 0xFF000008}});
}

TEST(BitmapTrueColour, SixteenBitBitfields565) {
    BmpParts p;
    p.width = 4;
    p.bitCount = 16;
    p.compression = BI_BITFIELDS;
    p.masks = {0xF800, 0x07E0, 0x001F};
    p.pixels = PaddedRows({{0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0x20, 0x00}});
    ExpectPixels(Decode(EncodeBmp(p)), 4, {{0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF000400}});
}

TEST(BitmapTrueColour, ThirtyTwoBitsWithoutMasksIgnoreTheFourthByte) {
    BmpParts p;
    p.width = 2;
    p.bitCount = 32;
    p.pixels = {0x30, 0x20, 0x10, 0x00, 0x03, 0x02, 0x01, 0x7F};
    ExpectPixels(Decode(EncodeBmp(p)), 2, {{0xFF102030, 0xFF010203}});
}

TEST(BitmapTrueColour, ThirtyTwoBitMasksPlaceChannelsAndAlpha) {
    BmpParts p;
    p.width = 2;
    p.bitCount = 32;
    p.compression = BI_BITFIELDS;
    p.headerBytes = 124;
    // Stored as R, G, B, A in memory order.
    p.masks = {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000};
    p.pixels = {0x11, 0x22, 0x33, 0x80, 0xFF, 0x00, 0x00, 0x00};
    ExpectPixels(Decode(EncodeBmp(p)), 2, {{0x80112233, 0x00FF0000}});

    p.headerBytes = 40; // masks after the header, no alpha mask
    p.masks.pop_back();
    ExpectPixels(Decode(EncodeBmp(p)), 2, {{0xFF112233, 0xFFFF0000}});
}

TEST(BitmapPalette, OneBitPixelsRunAcrossBytesMostSignificantFirst) {
    BmpParts p;
    p.width = 10;
    p.bitCount = 1;
    p.palette = {0x000000, 0xFFFFFF};
    p.pixels = PaddedRows({{0b10100000, 0b01000000}});
    const uint32_t K = 0xFF000000, W = 0xFFFFFFFF;
    ExpectPixels(Decode(EncodeBmp(p)), 10, {{W, K, W, K, K, K, K, K, K, W}});
}

TEST(BitmapPalette, ShortPaletteAndOutOfRangeIndexesGiveBlack) {
    BmpParts p;
    p.width = 4;
    p.bitCount = 4;
    p.colorsUsed = 2;
    p.palette = {0x123456, 0xABCDEF};
    p.pixels = PaddedRows({{0x01, 0x2F}});
    ExpectPixels(Decode(EncodeBmp(p)), 4, {{0xFF123456, 0xFFABCDEF, 0xFF000000, 0xFF000000}});
}

TEST(BitmapPalette, PaletteCutShortByThePixelOffset) {
    // colorsUsed claims 16 colours but only two fit before the pixels.
    BmpParts p;
    p.width = 3;
    p.bitCount = 8;
    p.colorsUsed = 16;
    p.palette = {0x0000FF, 0x00FF00};
    p.pixels = PaddedRows({{0, 1, 2}});
    ExpectPixels(Decode(EncodeBmp(p)), 3, {{0xFF0000FF, 0xFF00FF00, 0xFF000000}});
}

TEST(BitmapPalette, CoreHeaderUsesThreeBytePaletteEntries) {
    BmpParts p;
    p.headerBytes = 12;
    p.width = 3;
    p.height = 2;
    p.bitCount = 8;
    p.palette = {0x102030, 0x405060, 0x708090};
    p.pixels = PaddedRows({{0, 1, 2}, {2, 2, 1}});
    ExpectPixels(Decode(EncodeBmp(p)), 3,
                 {{0xFF708090, 0xFF708090, 0xFF405060}, {0xFF102030, 0xFF405060, 0xFF708090}});

    p.bitCount = 24;
    p.palette.clear();
    p.height = 1;
    p.pixels = PaddedRows({{1, 2, 3, 4, 5, 6, 7, 8, 9}});
    ExpectPixels(Decode(EncodeBmp(p)), 3, {{0xFF030201, 0xFF060504, 0xFF090807}});
}

namespace {

BmpParts RunLengthParts(uint32_t compression, int width, int height, std::vector<uint8_t> stream) {
    BmpParts p;
    p.width = width;
    p.height = height;
    p.bitCount = compression == BI_RLE8 ? 8 : 4;
    p.compression = compression;
    p.palette = {0x000000, 0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF};
    p.pixels = std::move(stream);
    return p;
}

constexpr uint32_t K = 0xFF000000, B = 0xFF0000FF, G = 0xFF00FF00, R = 0xFFFF0000, W = 0xFFFFFFFF;

} // namespace

TEST(BitmapRunLength, Rle8RunsAbsoluteRunsDeltaAndEscapes) {
    // Bottom row: run of 2 blue, absolute run of 3 (odd, padded), end of line.
    // Next row: delta right 1 up 1 lands in row 2, then run of 1 red, end of bitmap.
    const BmpParts p =
        RunLengthParts(BI_RLE8, 5, 3, {2, 1, 0, 3, 2, 3, 4, 0, 0, 0, 0, 2, 1, 1, 1, 3, 0, 1});
    ExpectPixels(Decode(EncodeBmp(p)), 5, {{K, R, K, K, K}, {K, K, K, K, K}, {B, B, G, R, W}});
}

TEST(BitmapRunLength, Rle4AlternatesNibblesAndPadsAbsoluteRuns) {
    // Bottom row: run of 5 alternating 1,2; end of line. Top row: absolute run of 5 nibbles
    // (3 bytes, padded to 4), delta right 1, run of 1 white; end of bitmap.
    const BmpParts p = RunLengthParts(
        BI_RLE4, 8, 2, {5, 0x12, 0, 0, 0, 5, 0x34, 0x01, 0x20, 0x00, 0, 2, 1, 0, 1, 0x40, 0, 1});
    ExpectPixels(Decode(EncodeBmp(p)), 8, {{R, W, K, B, G, K, W, K}, {B, G, B, G, B, K, K, K}});
}

TEST(BitmapRunLength, RunsPastTheRowAreClippedNotWrapped) {
    const BmpParts p = RunLengthParts(BI_RLE8, 3, 2, {200, 1, 0, 7, 1, 2, 3, 4, 1, 2, 3, 0, 0, 1});
    ExpectPixels(Decode(EncodeBmp(p)), 3, {{K, K, K}, {B, B, B}});
}

TEST(BitmapRunLength, RunsPastThePictureEndIt) {
    // A delta far above the top row ends the picture; the data after it is never read.
    const BmpParts p = RunLengthParts(BI_RLE8, 2, 2, {2, 2, 0, 2, 0, 200, 9, 9});
    ExpectPixels(Decode(EncodeBmp(p)), 2, {{K, K}, {G, G}});
    const BmpParts rows = RunLengthParts(BI_RLE8, 1, 2, {1, 3, 0, 0, 1, 4, 0, 0, 1, 1, 0, 0});
    ExpectPixels(Decode(EncodeBmp(rows)), 1, {{W}, {R}});
}

TEST(BitmapRunLength, DataEndingBeforeTheLastRowIsDamage) {
    EXPECT_TRUE(Refused(EncodeBmp(RunLengthParts(BI_RLE8, 2, 2, {2, 1, 0, 0}))));
    EXPECT_TRUE(Refused(EncodeBmp(RunLengthParts(BI_RLE8, 8, 1, {0, 5, 1, 2}))));
    EXPECT_TRUE(Refused(EncodeBmp(RunLengthParts(BI_RLE8, 8, 4, {0, 2, 1}))));
}

TEST(BitmapDamage, HostileHeadersAreRefused) {
    const std::vector<uint8_t> good = EncodeBmp(TwoByTwo24(2));
    auto patched = [&](size_t at, std::vector<uint8_t> bytes) {
        std::vector<uint8_t> file = good;
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
    BmpParts wide;
    wide.headerBytes = 12;
    wide.width = 16385;
    wide.pixels.resize(16385 * 3 + 1);
    EXPECT_TRUE(Refused(EncodeBmp(wide)));
    wide.width = 16384;
    EXPECT_FALSE(Refused(EncodeBmp(wide)));
    EXPECT_TRUE(Refused({}));
    rm::Image image;
    EXPECT_FALSE(rm::DecodeBitmap(nullptr, 100, image));
}

TEST(BitmapDamage, MasksMissingFromTheFileAreRefused) {
    BmpParts p;
    p.width = 1;
    p.bitCount = 32;
    p.compression = BI_BITFIELDS;
    p.pixels = {1, 2, 3, 4}; // no masks written: they would overlap the pixels and run out
    EXPECT_TRUE(Refused(EncodeBmp(p)));
}

namespace {

std::vector<std::vector<uint8_t>> SampleFiles() {
    std::vector<std::vector<uint8_t>> files;
    files.push_back(EncodeBmp(TwoByTwo24(-2)));
    files.push_back(EncodeBmp(
        RunLengthParts(BI_RLE8, 5, 3, {2, 1, 0, 3, 2, 3, 4, 0, 0, 0, 0, 2, 1, 1, 1, 3, 0, 1})));
    files.push_back(EncodeBmp(RunLengthParts(
        BI_RLE4, 6, 2, {5, 0x12, 0, 0, 0, 3, 0x34, 0x00, 0, 2, 1, 0, 1, 0x40, 0, 1})));
    BmpParts palette;
    palette.width = 9;
    palette.height = 3;
    palette.bitCount = 4;
    palette.palette = {0x010203, 0x040506, 0x070809};
    palette.pixels = PaddedRows({{1, 2, 3, 4, 5}, {6, 7, 8, 9, 10}, {11, 12, 13, 14, 15}});
    files.push_back(EncodeBmp(palette));
    BmpParts masks;
    masks.headerBytes = 108;
    masks.width = 2;
    masks.height = 2;
    masks.bitCount = 16;
    masks.compression = BI_BITFIELDS;
    masks.masks = {0xF800, 0x07E0, 0x001F, 0};
    masks.pixels = PaddedRows({{1, 2, 3, 4}, {5, 6, 7, 8}});
    files.push_back(EncodeBmp(masks));
    return files;
}

void ExpectConsistent(bool ok, const rm::Image& image) {
    if (!ok) {
        EXPECT_TRUE(image.Empty());
        return;
    }
    ASSERT_GT(image.width, 0);
    ASSERT_GT(image.height, 0);
    EXPECT_LE(image.width, 16384);
    EXPECT_LE(image.height, 16384);
    EXPECT_EQ(image.pixels.size(), static_cast<size_t>(image.width) * image.height);
}

} // namespace

TEST(BitmapDamage, EveryTruncationIsSafeAndCuttingPixelsIsRefused) {
    for (const auto& file : SampleFiles()) {
        for (size_t length = 0; length < file.size(); ++length) {
            // A copy of exactly `length` bytes, so the sanitizer sees any read past it.
            const std::vector<uint8_t> cut(file.begin(), file.begin() + length);
            rm::Image image;
            const bool ok = rm::DecodeBitmap(cut.data(), cut.size(), image);
            ExpectConsistent(ok, image);
            if (length <= bmptest::PixelOffset(file)) {
                EXPECT_FALSE(ok) << length;
            }
        }
    }
}

TEST(BitmapDamage, RandomByteFlipsNeverCrash) {
    std::mt19937 random(12345);
    for (const auto& file : SampleFiles()) {
        for (int trial = 0; trial < 3000; ++trial) {
            std::vector<uint8_t> damaged = file;
            const int flips = 1 + static_cast<int>(random() % 4);
            for (int i = 0; i < flips; ++i)
                damaged[random() % damaged.size()] ^= static_cast<uint8_t>(1 + random() % 255);
            rm::Image image;
            ExpectConsistent(rm::DecodeBitmap(damaged.data(), damaged.size(), image), image);
        }
    }
}

TEST(BitmapFile, LoadsFromDiskAndRefusesMissingOrNonFiles) {
    const auto path = std::filesystem::temp_directory_path() / "kestrel_bitmap_test.bmp";
    const std::vector<uint8_t> file = EncodeBmp(TwoByTwo24(2));
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()),
               static_cast<std::streamsize>(file.size()));
    rm::Image image;
    ASSERT_TRUE(rm::LoadBitmapFile(path.string(), image));
    ExpectPixels(image, 2, {{0xFFFF0000, 0xFFFFFFFF}, {0xFF0000FF, 0xFF00FF00}});
    std::filesystem::remove(path);

    EXPECT_FALSE(rm::LoadBitmapFile(path.string(), image));
    EXPECT_TRUE(image.Empty());
    EXPECT_FALSE(rm::LoadBitmapFile(std::filesystem::temp_directory_path().string(), image));
    EXPECT_FALSE(rm::LoadBitmapFile("", image));
}
