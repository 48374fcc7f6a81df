#include "shell/title.h"

#include <cstdio>

std::string FormatTitle(int showFps, uint32_t frameRate, uint32_t frameCount, const char* name,
                        int32_t expended, bool reloaded) {
    char head[64];
    if (showFps)
        std::snprintf(head, sizeof head, "FPS %02u Frame %05u", frameRate, frameCount);
    else
        std::snprintf(head, sizeof head, "Kestrel-3D:");
    char money[48];
    std::snprintf(money, sizeof money, " ($%ld Expended)%s", static_cast<long>(expended),
                  reloaded ? " reloaded" : "");

    std::string title = head;
    if (name) {
        const size_t room = MAX_TITLE_LENGTH - title.size() - std::string(money).size() - 1;
        title += ' ';
        title += std::string(name).substr(0, room);
    }
    return title + money;
}

bool AdvanceTitle(TitleStatus& status, const TitleInputs& in, std::string& title) {
    status.frameCount += 1;
    const bool rebuild = (in.showFps && in.tick - status.lastMeasureTick > 1000) ||
                         in.expended != status.lastExpended ||
                         in.resetCount != status.lastResetCount ||
                         in.showFps != status.lastShowFps || in.reloaded != status.lastReloaded;
    if (!rebuild)
        return false;

    status.lastShowFps = in.showFps;
    status.lastResetCount = in.resetCount;
    status.lastReloaded = in.reloaded;
    if (in.showFps) {
        const uint32_t elapsed = in.tick - status.lastMeasureTick;
        // In the same tick as the last measurement the previous rate stands.
        if (elapsed != 0)
            status.frameRate = (status.frameCount - status.lastMeasureFrame) * 1000u / elapsed;
        status.lastMeasureTick = in.tick;
        status.lastMeasureFrame = status.frameCount;
    }
    std::string text = FormatTitle(in.showFps, status.frameRate, status.frameCount, in.name,
                                   in.expended, in.reloaded);
    status.lastExpended = in.expended;
    if (text == status.lastTitle)
        return false;
    status.lastTitle = text;
    title = std::move(text);
    return true;
}
