#include "shell/title.h"

#include <gtest/gtest.h>

namespace {

TEST(Title, FormatsAndCutsLongNamesSoTheMoneyStillShows) {
    EXPECT_EQ(FormatTitle(0, 0, 1, nullptr, 0), "Kestrel-3D: ($0 Expended)");
    EXPECT_EQ(FormatTitle(0, 0, 1, "N", 20), "Kestrel-3D: N ($20 Expended)");
    EXPECT_EQ(FormatTitle(1, 58, 1234, "N", 20), "FPS 58 Frame 01234 N ($20 Expended)");
    EXPECT_EQ(FormatTitle(1, 7, 42, nullptr, -5), "FPS 07 Frame 00042 ($-5 Expended)");
    const std::string title = FormatTitle(0, 0, 1, std::string(400, 'x').c_str(), 1000);
    EXPECT_EQ(title.size(), MAX_TITLE_LENGTH);
    EXPECT_EQ(title.substr(title.size() - 17), " ($1000 Expended)");
}

TEST(Title, SetOnceThenOnlyWhenMoneyOrMachineChanges) {
    TitleStatus status;
    std::string title;
    ASSERT_TRUE(AdvanceTitle(status, {0, nullptr, 0, 1, 100000}, title));
    EXPECT_EQ(title, "Kestrel-3D: ($0 Expended)");
    for (uint32_t t = 0; t < 5; ++t)
        EXPECT_FALSE(AdvanceTitle(status, {0, nullptr, 0, 1, 100000 + 5000 * t}, title));
    ASSERT_TRUE(AdvanceTitle(status, {0, nullptr, 5, 1, 130000}, title));
    EXPECT_EQ(title, "Kestrel-3D: ($5 Expended)");
    // A new machine with the same money and no name gives the same text: nothing to set.
    EXPECT_FALSE(AdvanceTitle(status, {0, nullptr, 5, 2, 130002}, title));
    ASSERT_TRUE(AdvanceTitle(status, {0, "Lucky", 0, 3, 130003}, title));
    EXPECT_EQ(title, "Kestrel-3D: Lucky ($0 Expended)");
    EXPECT_EQ(status.frameCount, 9u);
}

TEST(Title, FrameRateIsRenewedAboutOnceASecondAndAcrossTheTickWrap) {
    TitleStatus status;
    std::string title;
    ASSERT_TRUE(AdvanceTitle(status, {0, nullptr, 0, 1, 100000}, title));
    // Turning the reading on rebuilds at once; 100 s since tick 0 over 2 frames.
    ASSERT_TRUE(AdvanceTitle(status, {1, nullptr, 0, 1, 100000}, title));
    EXPECT_EQ(title, "FPS 00 Frame 00002 ($0 Expended)");
    // 50 frames in 1010 ms: 49 fps, shown on the frame that passes the second.
    for (uint32_t i = 0; i < 49; ++i)
        EXPECT_FALSE(AdvanceTitle(status, {1, nullptr, 0, 1, 100000 + 20 * i}, title));
    ASSERT_TRUE(AdvanceTitle(status, {1, nullptr, 0, 1, 101010}, title));
    EXPECT_EQ(title, "FPS 49 Frame 00052 ($0 Expended)");
    // Money in the same tick as the measurement: no division, the old rate stands.
    ASSERT_TRUE(AdvanceTitle(status, {1, nullptr, 5, 1, 101010}, title));
    EXPECT_EQ(title, "FPS 49 Frame 00053 ($5 Expended)");
    ASSERT_TRUE(AdvanceTitle(status, {0, nullptr, 5, 1, 101011}, title));
    EXPECT_EQ(title, "Kestrel-3D: ($5 Expended)");

    TitleStatus wrapped;
    wrapped.lastMeasureTick = 0xFFFFFF00u;
    wrapped.lastShowFps = 1;
    wrapped.lastResetCount = 1;
    // 0x500 ms since the last measurement across the wrap: 1 frame in 1280 ms.
    ASSERT_TRUE(AdvanceTitle(wrapped, {1, nullptr, 0, 1, 0x400}, title));
    EXPECT_EQ(title, "FPS 00 Frame 00001 ($0 Expended)");
}

} // namespace
