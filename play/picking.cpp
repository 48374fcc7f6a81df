#include "play/picking.h"

#include <cstdint>

#include "play/game_commands.h"
#include "scene/shared_flags.h"

void PickButton(LPDIRECT3DRMVIEWPORT viewport, int x, int y) {
    // Not even Bet 1: a click must not change a spin under way.
    if (Shared.Busy == 1 || viewport == nullptr)
        return;
    // Declared in the reverse of the order they are given up in: the frame, the frame array,
    // the visual, the picked array.
    rm::RefPtr<IDirect3DRMPickedArray> picked;
    rm::RefPtr<IDirect3DRMVisual> visual;
    rm::RefPtr<IDirect3DRMFrameArray> frames;
    rm::RefPtr<IDirect3DRMFrame> frame;
    viewport->Pick(x, y, picked.Out());
    if (picked == nullptr)
        return;
    // The array is sorted nearest first, so a button in front of the cabinet wins.
    picked->GetPick(0, visual.Out(), frames.Out(), nullptr);
    if (visual == nullptr)
        return;
    // The path runs from the root down; its last frame holds the visual and, for a button,
    // carries the command number (0 for frames without one, which does nothing).
    if (frames != nullptr && frames->GetSize() > 0)
        frames->GetElement(frames->GetSize() - 1, frame.Out());
    DoButtonCommand(frame != nullptr ? static_cast<int32_t>(frame->GetAppData()) : 0);
}
