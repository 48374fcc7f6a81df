#include "platform/gdi/gdi.h"
#include "tests/bitmap/bmp_writer.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>

namespace {

uint32_t Label(int x, int y) {
    return 0xFF000000u | x << 8 | y;
}

// A picture whose every pixel tells where it came from: 0xFF00xxyy.
rm::Image Numbered(int width, int height) {
    rm::Image image;
    image.Resize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.At(x, y) = Label(x, y);
    return image;
}

rm::Image Filled(int width, int height, uint32_t colour) {
    rm::Image image;
    image.Resize(width, height, colour);
    return image;
}

// Writes a 2 x 2 24-bit file (top row red, white; bottom row blue, green) and removes it
// when done.
class BitmapFile {
public:
    explicit BitmapFile(const char* name, size_t keepBytes = SIZE_MAX)
        : path_(std::filesystem::temp_directory_path() / name) {
        bmptest::BmpParts parts;
        parts.width = 2;
        parts.height = 2;
        parts.pixels =
            bmptest::PaddedRows({{0xFF, 0, 0, 0, 0xFF, 0}, {0, 0, 0xFF, 0xFF, 0xFF, 0xFF}});
        std::vector<uint8_t> bytes = bmptest::EncodeBmp(parts);
        bytes.resize(std::min(bytes.size(), keepBytes));
        std::ofstream(path_, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    ~BitmapFile() { std::filesystem::remove(path_); }
    std::string Path() const { return path_.string(); }

private:
    std::filesystem::path path_;
};

constexpr UINT kFromFile = LR_LOADFROMFILE | LR_CREATEDIBSECTION;
constexpr uint32_t R = 0xFFFF0000, W = 0xFFFFFFFF, B = 0xFF0000FF, G = 0xFF00FF00;

} // namespace

TEST(GdiBitmap, LoadsFromFileAndReportsItsSize) {
    const BitmapFile file("kestrel_gdi_load.bmp");
    HBITMAP bitmap = static_cast<HBITMAP>(
        LoadImageA(nullptr, file.Path().c_str(), IMAGE_BITMAP, 0, 0, kFromFile));
    ASSERT_NE(bitmap, nullptr);
    BITMAP info{};
    EXPECT_EQ(GetObjectA(bitmap, sizeof(info), &info), 24);
    EXPECT_EQ(info.bmWidth, 2);
    EXPECT_EQ(info.bmHeight, 2);
    EXPECT_EQ(info.bmBitsPixel, 32);
    EXPECT_EQ(info.bmWidthBytes, 8);
    EXPECT_EQ(GetObjectA(bitmap, 0, nullptr), 24);
    EXPECT_EQ(GetObjectA(bitmap, 10, &info), 0);
    EXPECT_TRUE(DeleteObject(bitmap));
}

TEST(GdiBitmap, NothingLoadsFromResourcesMissingOrDamagedFiles) {
    const BitmapFile good("kestrel_gdi_good.bmp");
    const BitmapFile damaged("kestrel_gdi_damaged.bmp", 60);
    int module = 0;
    EXPECT_EQ(LoadImageA(&module, good.Path().c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION),
              nullptr);
    EXPECT_EQ(LoadImageA(nullptr, damaged.Path().c_str(), IMAGE_BITMAP, 0, 0, kFromFile), nullptr);
    EXPECT_EQ(LoadImageA(nullptr, "no such file.bmp", IMAGE_BITMAP, 0, 0, kFromFile), nullptr);
    EXPECT_EQ(LoadImageA(nullptr, nullptr, IMAGE_BITMAP, 0, 0, kFromFile), nullptr);
    EXPECT_EQ(LoadImageA(nullptr, good.Path().c_str(), 1 /* an icon */, 0, 0, kFromFile), nullptr);
    EXPECT_EQ(LoadImageA(nullptr, good.Path().c_str(), IMAGE_BITMAP, 1 << 20, 1, kFromFile),
              nullptr);
    EXPECT_EQ(LoadImageA(nullptr, good.Path().c_str(), IMAGE_BITMAP, 16384, 16384, kFromFile),
              nullptr);
}

TEST(GdiBitmap, GivenSizeStretchesThePicture) {
    const BitmapFile file("kestrel_gdi_stretch.bmp");
    HBITMAP bitmap = static_cast<HBITMAP>(
        LoadImageA(nullptr, file.Path().c_str(), IMAGE_BITMAP, 4, 0, kFromFile));
    ASSERT_NE(bitmap, nullptr);
    HDC memory = CreateCompatibleDC(nullptr);
    SelectObject(memory, bitmap);
    rm::Image target = Filled(4, 2, 0);
    SurfaceDC surface{&target};
    ASSERT_TRUE(StretchBlt(&surface, 0, 0, 4, 2, memory, 0, 0, 4, 2, SRCCOPY));
    EXPECT_EQ(target.pixels, (std::vector<uint32_t>{R, R, W, W, B, B, G, G}));
    DeleteDC(memory);
    DeleteObject(bitmap);
}

TEST(GdiBitmap, StaleForeignAndSelectedHandlesAreRefused) {
    const BitmapFile file("kestrel_gdi_handles.bmp");
    HANDLE bitmap = LoadImageA(nullptr, file.Path().c_str(), IMAGE_BITMAP, 0, 0, kFromFile);
    ASSERT_NE(bitmap, nullptr);
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ stock = SelectObject(memory, bitmap);
    ASSERT_NE(stock, nullptr);
    EXPECT_FALSE(DeleteObject(bitmap)) << "still selected";
    EXPECT_FALSE(DeleteObject(stock)) << "stock objects live forever";
    EXPECT_EQ(SelectObject(memory, stock), bitmap);
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_FALSE(DeleteObject(bitmap));
    BITMAP info{};
    EXPECT_EQ(GetObjectA(bitmap, sizeof(info), &info), 0);
    int notAHandle = 0;
    EXPECT_EQ(GetObjectA(&notAHandle, sizeof(info), &info), 0);
    EXPECT_EQ(SelectObject(memory, &notAHandle), nullptr);
    EXPECT_TRUE(DeleteDC(memory));
    EXPECT_FALSE(DeleteDC(memory));
}

TEST(GdiMemoryDC, StartsWithTheStockBitmapAndSelectsOnlyIntoMemoryContexts) {
    HDC memory = CreateCompatibleDC(nullptr);
    ASSERT_NE(memory, nullptr);
    const BitmapFile file("kestrel_gdi_select.bmp");
    HANDLE bitmap = LoadImageA(nullptr, file.Path().c_str(), IMAGE_BITMAP, 0, 0, kFromFile);
    HGDIOBJ stock = SelectObject(memory, bitmap);
    BITMAP info{};
    ASSERT_EQ(GetObjectA(stock, sizeof(info), &info), 24);
    EXPECT_EQ(info.bmWidth, 1);
    EXPECT_EQ(info.bmHeight, 1);

    rm::Image pixels = Filled(2, 2, 0);
    SurfaceDC surface{&pixels};
    EXPECT_EQ(SelectObject(&surface, bitmap), nullptr);
    EXPECT_EQ(surface.image, &pixels);
    EXPECT_FALSE(DeleteDC(&surface));
    EXPECT_FALSE(DeleteDC(nullptr));
    EXPECT_TRUE(DeleteDC(memory));
    EXPECT_TRUE(DeleteObject(bitmap)) << "deleting the context releases its bitmap";
}

TEST(GdiStretchBlt, SameSizeIsAPlainCopyOfTheSourceRectangle) {
    rm::Image source = Numbered(4, 4);
    rm::Image target = Filled(3, 3, 0);
    SurfaceDC from{&source}, to{&target};
    ASSERT_TRUE(StretchBlt(&to, 1, 1, 2, 2, &from, 2, 1, 2, 2, SRCCOPY));
    EXPECT_EQ(target.At(0, 0), 0u);
    EXPECT_EQ(target.At(1, 1), Label(2, 1));
    EXPECT_EQ(target.At(2, 1), Label(3, 1));
    EXPECT_EQ(target.At(1, 2), Label(2, 2));
    EXPECT_EQ(target.At(2, 2), Label(3, 2));
    EXPECT_EQ(target.At(0, 2), 0u);
}

TEST(GdiStretchBlt, ScalingUpRepeatsAndScalingDownSkipsPixels) {
    rm::Image small = Numbered(2, 2);
    rm::Image big = Filled(4, 6, 0);
    SurfaceDC from{&small}, to{&big};
    ASSERT_TRUE(StretchBlt(&to, 0, 0, 4, 6, &from, 0, 0, 2, 2, SRCCOPY));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(big.At(x, y), Label(x / 2, y / 3)) << x << "," << y;

    rm::Image source = Numbered(6, 4);
    rm::Image shrunk = Filled(3, 2, 0);
    SurfaceDC shrinkFrom{&source}, shrinkTo{&shrunk};
    ASSERT_TRUE(StretchBlt(&shrinkTo, 0, 0, 3, 2, &shrinkFrom, 0, 0, 6, 4, SRCCOPY));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(shrunk.At(x, y), Label(2 * x, 2 * y)) << x << "," << y;
}

TEST(GdiStretchBlt, UnevenRatiosAndMirroring) {
    rm::Image source = Numbered(3, 1);
    rm::Image target = Filled(5, 1, 0);
    SurfaceDC from{&source}, to{&target};
    ASSERT_TRUE(StretchBlt(&to, 0, 0, 5, 1, &from, 0, 0, 3, 1, SRCCOPY));
    const std::vector<int> columns = {0, 0, 1, 1, 2}; // i * 3 / 5
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(target.At(x, 0), Label(columns[x], 0));

    ASSERT_TRUE(StretchBlt(&to, 2, 0, -3, 1, &from, 0, 0, 3, 1, SRCCOPY));
    EXPECT_EQ(target.At(0, 0), Label(2, 0));
    EXPECT_EQ(target.At(1, 0), Label(1, 0));
    EXPECT_EQ(target.At(2, 0), Label(0, 0));
}

TEST(GdiStretchBlt, WhatFallsOutsideEitherPictureIsLeftOut) {
    rm::Image source = Numbered(2, 2);
    rm::Image target = Filled(3, 3, 7);
    SurfaceDC from{&source}, to{&target};
    // Destination hangs off the top-left corner; only its last pixel lands.
    ASSERT_TRUE(StretchBlt(&to, -1, -1, 2, 2, &from, 0, 0, 2, 2, SRCCOPY));
    EXPECT_EQ(target.At(0, 0), Label(1, 1));
    EXPECT_EQ(target.At(1, 0), 7u);
    // Source reaching past its picture leaves those destination pixels alone.
    ASSERT_TRUE(StretchBlt(&to, 1, 1, 2, 2, &from, 1, 1, 2, 2, SRCCOPY));
    EXPECT_EQ(target.At(1, 1), Label(1, 1));
    EXPECT_EQ(target.At(2, 1), 7u);
    EXPECT_EQ(target.At(1, 2), 7u);
    // Extreme sizes are clipped before any loop runs.
    ASSERT_TRUE(StretchBlt(&to, INT_MIN, 0, INT_MAX, 1, &from, 0, 0, 1, 1, SRCCOPY));
    ASSERT_TRUE(StretchBlt(&to, INT_MAX, INT_MAX, INT_MIN, INT_MIN, &from, 0, 0, INT_MAX, -INT_MAX,
                           SRCCOPY));
}

TEST(GdiStretchBlt, OverlappingCopyWithinOnePictureReadsTheOriginal) {
    rm::Image picture = Numbered(4, 1);
    SurfaceDC dc{&picture};
    ASSERT_TRUE(StretchBlt(&dc, 1, 0, 3, 1, &dc, 0, 0, 3, 1, SRCCOPY));
    EXPECT_EQ(picture.At(1, 0), Label(0, 0));
    EXPECT_EQ(picture.At(2, 0), Label(1, 0));
    EXPECT_EQ(picture.At(3, 0), Label(2, 0));
}

TEST(GdiStretchBlt, RefusesMissingContextsEmptySizesAndOtherOperations) {
    rm::Image source = Numbered(2, 2), target = Filled(2, 2, 0);
    SurfaceDC from{&source}, to{&target}, nowhere{};
    EXPECT_FALSE(StretchBlt(&to, 0, 0, 2, 2, &from, 0, 0, 2, 2, 0x00EE0086 /* SRCPAINT */));
    EXPECT_FALSE(StretchBlt(&to, 0, 0, 0, 2, &from, 0, 0, 2, 2, SRCCOPY));
    EXPECT_FALSE(StretchBlt(&to, 0, 0, 2, 2, &from, 0, 0, 2, 0, SRCCOPY));
    EXPECT_FALSE(StretchBlt(nullptr, 0, 0, 2, 2, &from, 0, 0, 2, 2, SRCCOPY));
    EXPECT_FALSE(StretchBlt(&to, 0, 0, 2, 2, &nowhere, 0, 0, 2, 2, SRCCOPY));
    EXPECT_EQ(target.pixels, Filled(2, 2, 0).pixels);
}

TEST(GdiDeviceCaps, ReportsTheDisplayDepth) {
    EXPECT_EQ(GetDeviceCaps(nullptr, BITSPIXEL), 32);
    gdi::SetDisplayDepth(16);
    EXPECT_EQ(GetDeviceCaps(nullptr, BITSPIXEL), 16);
    gdi::SetDisplayDepth(32);
    EXPECT_EQ(GetDeviceCaps(nullptr, PLANES), 1);
    EXPECT_EQ(GetDeviceCaps(nullptr, 8 /* HORZRES */), 0);
}
