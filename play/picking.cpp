#include "play/picking.h"

#include <cstdint>

#include "play/game_commands.h"
#include "scene/shared_flags.h"

void PickButton(LPDIRECT3DRMVIEWPORT viewport, int x, int y) {
    // Not even Bet 1: a click must not change a spin under way.
    if (Shared.Busy == 1 || viewport == nullptr)
        return;
    LPDIRECT3DRMPICKEDARRAY picked = nullptr;
    viewport->Pick(x, y, &picked);
    if (picked == nullptr)
        return;
    LPDIRECT3DRMVISUAL visual = nullptr;
    LPDIRECT3DRMFRAMEARRAY frames = nullptr;
    // The array is sorted nearest first, so a button in front of the cabinet wins.
    picked->GetPick(0, &visual, &frames, nullptr);
    if (visual == nullptr) {
        if (frames != nullptr)
            frames->Release();
        picked->Release();
        return;
    }
    // The path runs from the root down; its last frame holds the visual and, for a button,
    // carries the command number (0 for frames without one, which does nothing).
    LPDIRECT3DRMFRAME frame = nullptr;
    if (frames != nullptr && frames->GetSize() > 0)
        frames->GetElement(frames->GetSize() - 1, &frame);
    DoButtonCommand(frame != nullptr ? static_cast<int32_t>(frame->GetAppData()) : 0);
    if (frame != nullptr)
        frame->Release();
    if (frames != nullptr)
        frames->Release();
    visual->Release();
    picked->Release();
}
