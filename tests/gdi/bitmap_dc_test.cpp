#include "platform/gdi/gdi.h"
#include "tests/bitmap/bmp_writer.h"
#include "tests/common/temp_path.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>

namespace {

uint32_t Label(int x, int y) {
    return 0xFF000000u | x << 8 | y;
}

// A picture whose every pixel tells where it came from: 0xFF00xxyy.
base::Image Numbered(int width, int height) {
    base::Image image;
    image.Resize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.At(x, y) = Label(x, y);
    return image;
}

base::Image Filled(int width, int height, uint32_t colour) {
    base::Image image;
    image.Resize(width, height, colour);
    return image;
}

constexpr UINT kFromFile = LR_LOADFROMFILE | LR_CREATEDIBSECTION;
constexpr uint32_t R = 0xFFFF0000, W = 0xFFFFFFFF, B = 0xFF0000FF, G = 0xFF00FF00;

// A 2 x 2 24-bit file (top row red, white; bottom row blue, green), and a damaged copy cut
// short inside its pixels.
class BitmapFile : public testing::Test {
protected:
    void SetUp() override {
        bmptest::BmpParts parts;
        parts.width = parts.height = 2;
        parts.pixels =
            bmptest::PaddedRows({{0xFF, 0, 0, 0, 0xFF, 0}, {0, 0, 0xFF, 0xFF, 0xFF, 0xFF}});
        std::vector<uint8_t> bytes = bmptest::EncodeBmp(parts);
        Write(path, bytes);
        bytes.resize(60);
        Write(damaged, bytes);
    }
    void TearDown() override {
        std::filesystem::remove(path);
        std::filesystem::remove(damaged);
    }
    static void Write(const std::string& file, const std::vector<uint8_t>& bytes) {
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    HANDLE Load(int width = 0, int height = 0, const std::string& file = "") const {
        return LoadImageA(nullptr, (file.empty() ? path : file).c_str(), IMAGE_BITMAP, width,
                          height, kFromFile);
    }

    const std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
    const std::string path = TempPath(name + ".bmp").string();
    const std::string damaged = path + ".cut.bmp";
};

} // namespace

TEST_F(BitmapFile, LoadsFromFileAndReportsItsSize) {
    HANDLE bitmap = Load();
    ASSERT_NE(bitmap, nullptr);
    BITMAP info{};
    EXPECT_EQ(GetObjectA(bitmap, sizeof(info), &info), 24);
    EXPECT_EQ(std::tuple(info.bmWidth, info.bmHeight, info.bmBitsPixel, info.bmWidthBytes),
              std::tuple(2, 2, 32, 8));
    EXPECT_EQ(GetObjectA(bitmap, 0, nullptr), 24);
    EXPECT_EQ(GetObjectA(bitmap, 10, &info), 0);
    EXPECT_TRUE(DeleteObject(bitmap));
}

TEST_F(BitmapFile, NothingLoadsFromResourcesMissingOrDamagedFiles) {
    int module = 0;
    EXPECT_EQ(LoadImageA(&module, path.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION), nullptr);
    EXPECT_EQ(Load(0, 0, damaged), nullptr);
    EXPECT_EQ(Load(0, 0, "no such file.bmp"), nullptr);
    EXPECT_EQ(LoadImageA(nullptr, nullptr, IMAGE_BITMAP, 0, 0, kFromFile), nullptr);
    EXPECT_EQ(LoadImageA(nullptr, path.c_str(), 1 /* an icon */, 0, 0, kFromFile), nullptr);
    EXPECT_EQ(Load(1 << 20, 1), nullptr);
    EXPECT_EQ(Load(16384, 16384), nullptr);
}

TEST_F(BitmapFile, GivenSizeStretchesThePicture) {
    HANDLE bitmap = Load(4, 0);
    ASSERT_NE(bitmap, nullptr);
    HDC memory = CreateCompatibleDC(nullptr);
    SelectObject(memory, bitmap);
    base::Image target = Filled(4, 2, 0);
    SurfaceDC surface{&target};
    ASSERT_TRUE(StretchBlt(&surface, 0, 0, 4, 2, memory, 0, 0, 4, 2, SRCCOPY));
    EXPECT_EQ(target.pixels, (std::vector<uint32_t>{R, R, W, W, B, B, G, G}));
    DeleteDC(memory);
    DeleteObject(bitmap);
}

TEST_F(BitmapFile, MemoryContextsHoldTheStockBitmapAndRefuseStaleForeignAndSelectedHandles) {
    HANDLE bitmap = Load();
    ASSERT_NE(bitmap, nullptr);
    HDC memory = CreateCompatibleDC(nullptr);
    ASSERT_NE(memory, nullptr);
    HGDIOBJ stock = SelectObject(memory, bitmap);
    BITMAP info{};
    ASSERT_EQ(GetObjectA(stock, sizeof(info), &info), 24);
    EXPECT_EQ(std::tuple(info.bmWidth, info.bmHeight), std::tuple(1, 1));
    EXPECT_FALSE(DeleteObject(bitmap)) << "still selected";
    EXPECT_FALSE(DeleteObject(stock)) << "stock objects live forever";

    base::Image pixels = Filled(2, 2, 0);
    SurfaceDC surface{&pixels};
    EXPECT_EQ(SelectObject(&surface, bitmap), nullptr);
    EXPECT_EQ(surface.image, &pixels);
    EXPECT_FALSE(DeleteDC(&surface));
    EXPECT_FALSE(DeleteDC(nullptr));
    int notAHandle = 0;
    EXPECT_EQ(GetObjectA(&notAHandle, sizeof(info), &info), 0);
    EXPECT_EQ(SelectObject(memory, &notAHandle), nullptr);

    EXPECT_TRUE(DeleteDC(memory));
    EXPECT_FALSE(DeleteDC(memory));
    EXPECT_TRUE(DeleteObject(bitmap)) << "deleting the context releases its bitmap";
    EXPECT_FALSE(DeleteObject(bitmap));
    EXPECT_EQ(GetObjectA(bitmap, sizeof(info), &info), 0);

    bitmap = Load();
    memory = CreateCompatibleDC(nullptr);
    stock = SelectObject(memory, bitmap);
    EXPECT_EQ(SelectObject(memory, stock), bitmap);
    EXPECT_TRUE(DeleteObject(bitmap)) << "selected out again";
    DeleteDC(memory);
}

TEST(GdiStretchBlt, SameSizeIsAPlainCopyOfTheSourceRectangle) {
    base::Image source = Numbered(4, 4);
    base::Image target = Filled(3, 3, 0);
    SurfaceDC from{&source}, to{&target};
    ASSERT_TRUE(StretchBlt(&to, 1, 1, 2, 2, &from, 2, 1, 2, 2, SRCCOPY));
    EXPECT_EQ(target.pixels, (std::vector<uint32_t>{0, 0, 0, 0, Label(2, 1), Label(3, 1), 0,
                                                    Label(2, 2), Label(3, 2)}));
}

TEST(GdiStretchBlt, ScalingUpRepeatsAndScalingDownSkipsPixels) {
    base::Image small = Numbered(2, 2), big = Filled(4, 6, 0);
    SurfaceDC from{&small}, to{&big};
    ASSERT_TRUE(StretchBlt(&to, 0, 0, 4, 6, &from, 0, 0, 2, 2, SRCCOPY));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(big.At(x, y), Label(x / 2, y / 3)) << x << "," << y;

    base::Image source = Numbered(6, 4), shrunk = Filled(3, 2, 0);
    SurfaceDC shrinkFrom{&source}, shrinkTo{&shrunk};
    ASSERT_TRUE(StretchBlt(&shrinkTo, 0, 0, 3, 2, &shrinkFrom, 0, 0, 6, 4, SRCCOPY));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(shrunk.At(x, y), Label(2 * x, 2 * y)) << x << "," << y;
}

TEST(GdiStretchBlt, UnevenRatiosAndMirroring) {
    base::Image source = Numbered(3, 1), target = Filled(5, 1, 0);
    SurfaceDC from{&source}, to{&target};
    ASSERT_TRUE(StretchBlt(&to, 0, 0, 5, 1, &from, 0, 0, 3, 1, SRCCOPY));
    EXPECT_EQ(target.pixels, (std::vector<uint32_t>{Label(0, 0), Label(0, 0), Label(1, 0),
                                                    Label(1, 0), Label(2, 0)}));
    ASSERT_TRUE(StretchBlt(&to, 2, 0, -3, 1, &from, 0, 0, 3, 1, SRCCOPY));
    EXPECT_EQ(std::vector<uint32_t>(target.pixels.begin(), target.pixels.begin() + 3),
              (std::vector<uint32_t>{Label(2, 0), Label(1, 0), Label(0, 0)}));
}

TEST(GdiStretchBlt, WhatFallsOutsideEitherPictureIsLeftOut) {
    base::Image source = Numbered(2, 2), target = Filled(3, 3, 7);
    SurfaceDC from{&source}, to{&target};
    // Destination hangs off the top-left corner; only its last pixel lands.
    ASSERT_TRUE(StretchBlt(&to, -1, -1, 2, 2, &from, 0, 0, 2, 2, SRCCOPY));
    EXPECT_EQ(std::tuple(target.At(0, 0), target.At(1, 0)), std::tuple(Label(1, 1), 7u));
    // Source reaching past its picture leaves those destination pixels alone.
    ASSERT_TRUE(StretchBlt(&to, 1, 1, 2, 2, &from, 1, 1, 2, 2, SRCCOPY));
    EXPECT_EQ(std::tuple(target.At(1, 1), target.At(2, 1), target.At(1, 2)),
              std::tuple(Label(1, 1), 7u, 7u));
    // Extreme sizes are clipped before any loop runs.
    ASSERT_TRUE(StretchBlt(&to, INT_MIN, 0, INT_MAX, 1, &from, 0, 0, 1, 1, SRCCOPY));
    ASSERT_TRUE(StretchBlt(&to, INT_MAX, INT_MAX, INT_MIN, INT_MIN, &from, 0, 0, INT_MAX, -INT_MAX,
                           SRCCOPY));
}

TEST(GdiStretchBlt, OverlappingCopyWithinOnePictureReadsTheOriginal) {
    base::Image picture = Numbered(4, 1);
    SurfaceDC dc{&picture};
    ASSERT_TRUE(StretchBlt(&dc, 1, 0, 3, 1, &dc, 0, 0, 3, 1, SRCCOPY));
    EXPECT_EQ(picture.pixels,
              (std::vector<uint32_t>{Label(0, 0), Label(0, 0), Label(1, 0), Label(2, 0)}));
}

TEST(GdiStretchBlt, RefusesMissingContextsEmptySizesAndOtherOperations) {
    base::Image source = Numbered(2, 2), target = Filled(2, 2, 0);
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
