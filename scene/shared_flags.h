#pragma once
// The two words that play control, the 3D presentation and the shell all read: whether the
// machine is in motion, and the display and sound options of the Display menu. They sit
// here, below everything that reads them.

#include <cstdint>

// Option bits of DisplayFlags; a menu command flips one bit, none sets or clears outright.
inline constexpr int32_t DISPLAY_CABINET = 1;
inline constexpr int32_t DISPLAY_PAYOFF_CHART = 2;
inline constexpr int32_t DISPLAY_BUTTONS = 4;
inline constexpr int32_t DISPLAY_UNUSED = 8;
inline constexpr int32_t DISPLAY_SOUND = 16;
inline constexpr int32_t DISPLAY_CREDITS = 32;
inline constexpr int32_t DISPLAY_ROTATE_X = 64;
inline constexpr int32_t DISPLAY_ROTATE_Y = 128;
inline constexpr int32_t DISPLAY_ROTATE_Z = 256;

// Everything shown and sound on, the world still.
inline constexpr int32_t DISPLAY_FLAGS_START = 63;

struct SharedFlags {
    // 1 while the reels turn or credits are being counted up, 0 when the machine is at rest.
    int32_t Busy = 0;
    int32_t DisplayFlags = DISPLAY_FLAGS_START;
};
extern SharedFlags Shared;
