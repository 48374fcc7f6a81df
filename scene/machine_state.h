#pragma once
// What the machine's part of the scene keeps between builds. ResetProgramState starts it
// afresh; the scene teardown releases what it refers to.

#include <memory>

#include "engine/slot_machine.h"
#include "platform/rm/d3drm.h"
#include "scene/texture_registry.h"

struct MachineSceneState {
    LPDIRECT3DRMFRAME MachineFrame = nullptr; // child of WorldFrame
    // The drum frames that carry the reels' meshes and that the reel animations turn.
    LPDIRECT3DRMFRAME Reels[MAX_REELS] = {};
    // The credit meter's picture: its surface, drawn on, and the texture made from it.
    LPDIRECT3DRMTEXTURE CreditTex = nullptr;
    LPDIRECTDRAWSURFACE CreditSurface = nullptr;
    // Made by the first texture request and kept for the program's life; teardown empties it.
    std::unique_ptr<StringHashTable> TextureRegistry;
};
extern MachineSceneState MachineScene;
