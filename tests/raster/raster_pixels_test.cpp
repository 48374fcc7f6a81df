// The per-pixel colour work: the all-channels-at-once forms against the scalar reference,
// texture wrapping in fixed point, and 5-6-5 levels.

#include "platform/rm/raster_pixels.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <utility>
#include <vector>

namespace {

using namespace rm::raster::pixels;

TEST(RasterPixels, LitColourMatchesTheScalarReference) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int32_t> light(0, kColorMax);
    for (int i = 0; i < 20000; ++i) {
        const uint32_t texel = random();
        const int32_t r = light(random), g = light(random), b = light(random);
        ASSERT_EQ(Modulate(texel, MakeLight(r, g, b)), ScalarModulate(texel, r, g, b));
        ASSERT_EQ(LightColor(MakeLight(r, g, b)), ScalarColor(r, g, b));
    }
    EXPECT_EQ(LightColor(MakeLight(kColorMax, 0, kColorMax / 2)), 0xFF0080u);
    EXPECT_EQ(Modulate(0xFF123456u, MakeLight(kColorMax, kColorMax, kColorMax)), 0x123456u);
}

TEST(RasterPixels, BilinearMatchesTheScalarReferenceAcrossWrapping) {
    std::mt19937 random(11);
    std::vector<uint32_t> pixels(5 * 3);
    for (uint32_t& p : pixels)
        p = random();
    rm::raster::TextureView view{.width = 5, .height = 3, .pixels = pixels.data()};
    std::uniform_int_distribution<int32_t> light(0, kColorMax);
    for (bool fromBottom : {true, false}) {
        view.vFromBottom = fromBottom;
        Texture t;
        ASSERT_TRUE(MakeTexture(&view, rm::raster::TextureFilter::Bilinear, t));
        for (int i = 0; i < 20000; ++i) {
            const uint32_t u = random(), v = random();
            const int32_t r = light(random), g = light(random), b = light(random);
            ASSERT_EQ(ModulateBilinear(t, u, v, MakeLight(r, g, b)),
                      ScalarModulate(SampleBilinear(t, u, v), r, g, b));
        }
    }
}

TEST(RasterPixels, FixedPointCoordinatesWrapWholeTurnsAndQuantisationRounds) {
    const std::pair<double, uint32_t> wraps[] = {{0.25, 0x40000000u},  {3.25, 0x40000000u},
                                                 {-0.75, 0x40000000u}, {1e12 + 0.5, 0x80000000u},
                                                 {1e300, 0u},          {NAN, 0u}};
    for (auto [coord, fixed] : wraps)
        EXPECT_EQ(WrapToFixed(coord), fixed) << coord;
    EXPECT_EQ(StepToFixed(-0.25), 0xC0000000u);
    EXPECT_EQ(StepToFixed(INFINITY), 0u);

    EXPECT_EQ(Quantize565(0xFFFFFF, kRoundThreshold), 0xFFFFFFu);
    EXPECT_EQ(Quantize565(0x000000, kRoundThreshold), 0x000000u);
    // 5-bit levels of 8-bit 128 are 123 and 132 (nearer); 6-bit levels 125 and 130 (nearer).
    EXPECT_EQ(Quantize565(0x808080, kRoundThreshold), 0x848284u);
    // Over the 16 thresholds the dithered levels average back to the original value.
    for (int value : {1, 37, 128, 200, 254}) {
        int sum = 0;
        for (int threshold = 0; threshold < 16; ++threshold)
            sum += int(Quantize565(uint32_t(value) << 16, threshold) >> 16);
        EXPECT_NEAR(sum / 16.0, value, 4.5) << value;
    }
}

} // namespace
