#pragma once

// The order in which the play control drives the engine through one player's spin once the
// reels have come to rest: nudge while a reel moves, then re-spin while the machine asks for
// it, then count the win in. The on-screen control animates each step; `slotsim play` runs
// them back to back.

#include "engine/slot_machine.h"

// A strip whose nudges never come to rest (an "(up)" and a "(down)" symbol trading places)
// would keep a spin going for ever, so one played spin tries at most this many nudges,
// re-spins included; after that only the re-spin decision is left.
constexpr int MAX_PLAY_NUDGES = 1024;

enum class PlayStep { Nudged, Respun, Settled };

// What follows a spin or nudge that has come to rest. nudgesTried counts the Nudge calls of
// the current played spin; the caller sets it to 0 when the player spins.
PlayStep NextPlayStep(SlotMachine& machine, int& nudgesTried);

// A whole player's spin without display or sound: bet and spin, settle, count the win in.
void PlaySpin(SlotMachine& machine, int bet);
