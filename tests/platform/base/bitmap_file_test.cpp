#include "platform/base/image.h"
#include "tests/platform/base/bmp_writer.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using bmptest::BmpParts;
using bmptest::EncodeBmp;
using bmptest::PaddedRows;
constexpr uint32_t BI_RLE8 = 1, BI_RLE4 = 2;
constexpr uint32_t K = 0xFF000000, B = 0xFF0000FF, G = 0xFF00FF00, R = 0xFFFF0000, W = 0xFFFFFFFF;
using Bytes = std::vector<uint8_t>;
using Rows = std::vector<std::vector<uint32_t>>; // 0xAARRGGBB, top row first

bool Refused(const Bytes& file) {
    base::Image image;
    image.Resize(3, 3);
    const bool ok = base::DecodeBitmap(file.data(), file.size(), image);
    return !ok && image.Empty() && image.pixels.empty();
}

// Stored rows: blue, green then red, white.
BmpParts TwoByTwo24(int32_t height) {
    return {.width = 2,
            .height = height,
            .pixels = PaddedRows({{0xFF, 0, 0, 0, 0xFF, 0}, {0, 0, 0xFF, 0xFF, 0xFF, 0xFF}})};
}

BmpParts RunLength(uint32_t compression, int width, int height, Bytes stream) {
    return {.width = width,
            .height = height,
            .bitCount = uint16_t(compression == BI_RLE8 ? 8 : 4),
            .compression = compression,
            .palette = {0x000000, 0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF},
            .pixels = std::move(stream)};
}

TEST(BitmapFile, DecodesEveryStoredFormUpright) {
    const std::pair<BmpParts, Rows> cases[] = {
        {TwoByTwo24(2), {{R, W}, {B, G}}}, // bottom-up
        {TwoByTwo24(-2), {{B, G}, {R, W}}},
        // 555 by default, the top bit unused; a 5-bit 1 widens to 255/31 rounded.
        {{.width = 4, .bitCount = 16, .pixels = {0xFF, 0x7F, 0x00, 0x7C, 0xE0, 0x03, 0x01, 0x80}},
         {{W, R, G, 0xFF000008}}},
        {{.width = 10, .bitCount = 1, .palette = {0, 0xFFFFFF}, .pixels = {0xA0, 0x40, 0, 0}},
         {{W, K, W, K, K, K, K, K, K, W}}},
        // Core headers: three-byte palette entries, 16-bit sizes.
        {{.headerBytes = 12,
          .width = 3,
          .height = 2,
          .bitCount = 8,
          .palette = {0x102030, 0x405060, 0x708090},
          .pixels = PaddedRows({{0, 1, 2}, {2, 2, 1}})},
         {{0xFF708090, 0xFF708090, 0xFF405060}, {0xFF102030, 0xFF405060, 0xFF708090}}},
        // RLE8: a run, an odd absolute run (padded), end of line, a delta, end of bitmap.
        {RunLength(BI_RLE8, 5, 3, {2, 1, 0, 3, 2, 3, 4, 0, 0, 0, 0, 2, 1, 1, 1, 3, 0, 1}),
         {{K, R, K, K, K}, {K, K, K, K, K}, {B, B, G, R, W}}},
        // RLE4: a run alternates its two nibbles; an absolute run of 5 nibbles pads to 4 bytes.
        {RunLength(BI_RLE4, 8, 2,
                   {5, 0x12, 0, 0, 0, 5, 0x34, 0x01, 0x20, 0x00, 0, 2, 1, 0, 1, 0x40, 0, 1}),
         {{R, W, K, B, G, K, W, K}, {B, G, B, G, B, K, K, K}}},
        // A channel whose mask is empty reads as 0.
        {{.width = 1,
          .bitCount = 16,
          .compression = 3,
          .masks = {0x7C00, 0, 0x001F},
          .pixels = {0xFF, 0xFF, 0, 0}},
         {{0xFFFF00FF}}},
        // Runs past the row are clipped, not wrapped.
        {RunLength(BI_RLE8, 3, 1, {200, 1, 0, 1}), {{B, B, B}}},
    };
    for (const auto& [parts, rows] : cases) {
        const Bytes file = EncodeBmp(parts);
        base::Image image;
        ASSERT_TRUE(base::DecodeBitmap(file.data(), file.size(), image)) << parts.bitCount;
        ASSERT_EQ(image.height, int(rows.size()));
        ASSERT_EQ(image.width, int(rows[0].size()));
        for (int i = 0; i < image.width * image.height; ++i)
            EXPECT_EQ(image.pixels[i], rows[i / image.width][i % image.width]) << i;
    }
}

TEST(BitmapFile, HostileHeadersAreRefused) {
    const Bytes good = EncodeBmp(TwoByTwo24(2));
    const std::pair<size_t, Bytes> patches[] = {
        {0, {'M', 'B'}},
        {10, {0xFF, 0xFF, 0, 0}},             // pixels past the end
        {18, {0, 0, 0, 0}},                   // zero width
        {22, {0, 0, 0, 0x80}},                // most negative height
        {18, {0x01, 0x40, 0, 0}},             // 16385 wide
        {18, {0, 0x40, 0, 0}},                // 16384 x 2, truncated
        {18, {0, 0x40, 0, 0, 0, 0x40, 0, 0}}, // 256M pixels
        {30, {4, 0, 0, 0}},                   // no such compression
    };
    for (const auto& [at, bytes] : patches) {
        Bytes file = good;
        std::copy(bytes.begin(), bytes.end(), file.begin() + ptrdiff_t(at));
        EXPECT_TRUE(Refused(file)) << at;
    }
    // A core header's 16-bit sizes can pass the side limit even with every byte present.
    EXPECT_TRUE(Refused(EncodeBmp({.headerBytes = 12, .width = 16385, .pixels = Bytes(49156)})));
}

// A cut file decodes only while every byte that carries a pixel is there, and damage never
// yields an inconsistent picture; each attempt owns its bytes, so a sanitizer sees overreads.
TEST(BitmapFile, TruncationsAndRandomByteFlipsAreSafe) {
    const std::pair<Bytes, size_t> samples[] = {
        // a file and the bytes it may lose
        {EncodeBmp(TwoByTwo24(-2)), 2},
        {EncodeBmp(
             RunLength(BI_RLE4, 6, 2, {5, 0x12, 0, 0, 0, 3, 0x34, 0, 0, 2, 1, 0, 1, 0x40, 0, 1})),
         0}};
    std::mt19937 random(12345);
    auto decode = [](const Bytes& file) {
        base::Image image;
        const bool ok = base::DecodeBitmap(file.data(), file.size(), image);
        EXPECT_EQ(image.pixels.size(), static_cast<size_t>(image.width) * image.height);
        EXPECT_TRUE(ok ? image.width > 0 && image.height > 0 : image.Empty());
        return ok;
    };
    for (const auto& [file, spare] : samples) {
        for (size_t length = 0; length <= file.size(); ++length)
            EXPECT_EQ(decode(Bytes(file.begin(), file.begin() + ptrdiff_t(length))),
                      length + spare >= file.size())
                << length;
        for (int trial = 0; trial < 5000; ++trial) {
            Bytes damaged = file;
            for (int flips = 1 + int(random() % 4); flips > 0; --flips)
                damaged[random() % damaged.size()] ^= static_cast<uint8_t>(1 + random() % 255);
            decode(damaged);
        }
    }
}

} // namespace
