#pragma once
// What the play control keeps between frames: the money amount that Change repeats, the
// running reel animation, the count-up and the kind of the last sound cue. ResetProgramState
// starts it afresh.

#include <cstdint>

#include "engine/slot_machine.h"
#include "platform/rm/d3drm.h"
#include "play/play_steps.h"

// Kinds of the last cue started; only SOUND_MUSIC is ever tested, to stop the loop when idle.
inline constexpr int32_t SOUND_NONE = 0;
inline constexpr int32_t SOUND_MUSIC = 1;
inline constexpr int32_t SOUND_PAY = 2;
inline constexpr int32_t SOUND_CLUNK = 3;
inline constexpr int32_t SOUND_COIN = 4;

struct PlayState {
    int32_t ChangeAmount = 20;
    // Present exactly while reels are animated; its presence holds Busy at 1.
    LPDIRECT3DRMANIMATIONSET ReelAnimSet = nullptr;
    // The set holds these; they are not held a second time here.
    LPDIRECT3DRMANIMATION ReelAnims[MAX_REELS] = {};
    double AnimTime = 0.0; // in symbol steps
    int32_t AnimEnd = 0;   // time of the last key over all reels
    uint32_t AnimLastTick = 0;
    double AnimSpeed = 0.0; // symbol steps per millisecond
    // Animation time at which a nudged reel starts to move; -1 for none.
    int32_t ClunkMarks[MAX_REELS] = {-1, -1, -1, -1};
    int32_t Paying = 0;                 // the last count-up step moved a credit
    uint32_t LastPayTick = 0xFFFFFFFFu; // so the first count-up step runs at once
    int32_t SoundState = SOUND_NONE;
    // What the player's spin under way has used of the nudge and re-spin caps.
    PlayedSpin Played;
};
extern PlayState Play;
