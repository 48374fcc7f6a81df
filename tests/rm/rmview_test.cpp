// The viewer's PNG files decode (with Qt's reader) to exactly the rendered picture, and the
// reference scene renders its drums in front of the wall.

#include "tests/common/temp_path.h"
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>

#include "platform/rm/reference_scene.h"
#include "tools/rmview/png_writer.h"

namespace {

void ExpectSamePicture(const rm::Image& image, const std::string& path) {
    const QImage read(QString::fromStdString(path));
    ASSERT_FALSE(read.isNull());
    ASSERT_EQ(read.width(), image.width);
    ASSERT_EQ(read.height(), image.height);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            ASSERT_EQ(read.pixel(x, y) & 0xFFFFFFu, image.At(x, y) & 0xFFFFFFu) << x << "," << y;
        }
    }
}

std::string TempFile(const char* name) {
    return TempPath(name).string();
}

TEST(PngWriter, WritesPicturesLargerThanOneStoredBlock) {
    rm::Image image;
    image.Resize(301, 97); // rows of 904 bytes: several 64 KB blocks, an uneven last one
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            image.At(x, y) = 0xFF000000u | uint32_t(x * 7 % 256) << 16 | uint32_t(y) << 8 |
                             uint32_t((x ^ y) & 255);
    const std::string path = TempFile("kestrel_png_test.png");
    ASSERT_TRUE(WritePng(path, image));
    ExpectSamePicture(image, path);
    std::filesystem::remove(path);
}

TEST(PngWriter, RefusesEmptyPicturesAndUnwritablePaths) {
    rm::Image image;
    EXPECT_FALSE(WritePng(TempFile("kestrel_empty.png"), image));
    image.Resize(2, 2);
    EXPECT_FALSE(WritePng("/nonexistent-folder/x.png", image));
}

TEST(ReferenceScene, DrawsLitDrumsInFrontOfTheWall) {
    rm::ReferenceScene scene;
    ASSERT_EQ(rm::BuildReferenceScene(scene), D3DRM_OK);
    ASSERT_EQ(rm::RenderReferenceFrame(scene), D3DRM_OK);
    const rm::Image& image = scene.device->LastImage();
    ASSERT_EQ(image.width, 600);
    ASSERT_EQ(image.height, 400);
    // The first drum shows stop 0, a red band, on the camera's level.
    const uint32_t left = image.At(230, 200);
    EXPECT_GT((left >> 16) & 255, 2 * ((left >> 8) & 255));
    // Outside the wall lies the dark blue background; the wall is grey.
    EXPECT_EQ(image.At(5, 5) & 0xFFFFFF, 0x000033u);
    const uint32_t wall = image.At(80, 330);
    EXPECT_NEAR(int((wall >> 16) & 255), int((wall >> 8) & 255), 8);
    EXPECT_GT((wall >> 8) & 255, 40u);
    const std::string path = TempFile("kestrel_reference.png");
    ASSERT_TRUE(WritePng(path, image));
    ExpectSamePicture(image, path);
    std::filesystem::remove(path);
}

} // namespace
