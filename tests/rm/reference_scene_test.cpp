// The reference scene that rmview and the benchmark render: drums in front of the wall.

#include <gtest/gtest.h>

#include "platform/rm/reference_scene.h"

namespace {

TEST(ReferenceScene, DrawsLitDrumsInFrontOfTheWall) {
    rm::ReferenceScene scene;
    ASSERT_EQ(rm::BuildReferenceScene(scene), D3DRM_OK);
    ASSERT_EQ(rm::RenderReferenceFrame(scene), D3DRM_OK);
    const base::Image& image = scene.device->LastImage();
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
}

} // namespace
