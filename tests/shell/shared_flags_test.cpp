#include "shell/shared_flags.h"

#include <gtest/gtest.h>

TEST(SharedFlags, StartAtRestWithEverythingShownAndSoundOn) {
    EXPECT_EQ(Busy, 0);
    EXPECT_EQ(DisplayFlags, 63);
    const int32_t shown = DISPLAY_CABINET | DISPLAY_PAYOFF_CHART | DISPLAY_BUTTONS |
                          DISPLAY_UNUSED | DISPLAY_SOUND | DISPLAY_CREDITS;
    EXPECT_EQ(DisplayFlags, shown);
    EXPECT_EQ(DisplayFlags & (DISPLAY_ROTATE_X | DISPLAY_ROTATE_Y | DISPLAY_ROTATE_Z), 0);
}
