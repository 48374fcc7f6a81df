#pragma once
// What the machine's part of the scene keeps between builds. ResetProgramState starts it
// afresh; the scene teardown releases what it refers to.

#include <cstdint>
#include <memory>

#include "engine/slot_machine.h"
#include "platform/rm/d3drm.h"
#include "scene/texture_registry.h"

// One cabinet button, indexed by its command number.
struct SlotButton {
    int32_t command;
    int32_t state;                // look last applied: 0 none yet, 1 or 2
    int32_t needtexture;          // 1 until the "buttons" texture is on the face
    double tx, ty;                // the state-1 cell's first corner
    double tx2, ty2;              // and its opposite corner
    LPDIRECT3DRMMESHBUILDER mesh; // held; null in an empty record
};
inline constexpr int MAX_BUTTONS = 10;

struct MachineSceneState {
    LPDIRECT3DRMFRAME MachineFrame = nullptr; // child of WorldFrame
    // The drum frames that carry the reels' meshes and that the reel animations turn.
    LPDIRECT3DRMFRAME Reels[MAX_REELS] = {};
    // The credit meter's picture: its surface, drawn on, and the texture made from it.
    LPDIRECT3DRMTEXTURE CreditTex = nullptr;
    LPDIRECTDRAWSURFACE CreditSurface = nullptr;
    // The button records; the cabinet frame owns the buttons' frames.
    SlotButton SlotButtons[MAX_BUTTONS] = {};
    // Credits and bet figure of the meter's last drawing; -1 until the first on the
    // current meter picture, so that every new picture gets its figures.
    int32_t MeterCredits = -1;
    int32_t MeterBet = -1;
    // What the meter's current surface last had drawn on it, for automation to read; a new
    // surface starts without figures (drawn 0).
    struct {
        int32_t drawn, paid, credits, bet;
    } MeterShown = {};
    // Made by the first texture request and kept for the program's life; teardown empties it.
    std::unique_ptr<StringHashTable> TextureRegistry;
};
extern MachineSceneState MachineScene;
