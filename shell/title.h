#pragma once
// The title status line: the program's name or a frame-rate reading, the machine's name and
// the money inserted. Kept apart from the window so the rules can be checked on their own.

#include <cstdint>
#include <string>

// What the title shows, read from the machine and the options at each rendered pass.
struct TitleInputs {
    int showFps = 0;
    const char* name = nullptr; // the machine's display name, null when it has none
    int32_t expended = 0;
    int32_t resetCount = 0;
    uint32_t tick = 0;
    bool reloaded = false; // the machine was reopened after its file was saved
};

// The status state that outlives each pass.
struct TitleStatus {
    uint32_t frameCount = 0;
    uint32_t frameRate = 0;
    uint32_t lastMeasureTick = 0;
    uint32_t lastMeasureFrame = 0;
    int lastShowFps = 0;
    int32_t lastResetCount = 0;
    int32_t lastExpended = 0;
    bool lastReloaded = false;
    std::string lastTitle;
};

// Titles never exceed this many characters (the buffer of 256 less its terminator).
constexpr size_t MAX_TITLE_LENGTH = 255;

// Counts one rendered pass and, when the title must change, returns true with the new text
// in `title` (and records it as the last title).
bool AdvanceTitle(TitleStatus& status, const TitleInputs& in, std::string& title);

// The text itself: "Kestrel-3D:" or "FPS %02d Frame %05d", then " NAME" when there is a
// name, then " ($N Expended)", then " reloaded" after a reload. A long name is cut so the
// money part always shows.
std::string FormatTitle(int showFps, uint32_t frameRate, uint32_t frameCount, const char* name,
                        int32_t expended, bool reloaded = false);
