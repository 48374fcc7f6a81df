#pragma once
// A spin played out on screen over time: the reels turn through every stop and come to rest
// in reel order, nudges follow one reel at a time, free re-spins start by themselves, and the
// win is counted onto the meter one credit at a time.

#include <cstdint>

// Busy must already be 1 (or the call comes from SpinAgain); -1 re-spins with LastBet.
void StartSpin(int32_t amount);
void SpinAgain();
// 1 when the machine nudged and its animation was started.
int StartNudge();
// A fresh, empty animation set and the animation clock back at 0.
void ResetReelAnimation();
// Releases the running animation, if any (at the end of a spin or nudge, and at shut-down).
void ReleaseReelAnimation();
// The per-frame step, after the scene has moved and before it is rendered; it also refreshes
// the button looks and the credit meter.
int StepReels();
