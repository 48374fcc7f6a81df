#pragma once
// The game's buttons and the Insert Money menu turned into calls on the machine, with the
// guards that keep a player from betting without money or spinning while the reels turn.

#include <cstdint>

#include "scene/buttons.h" // the button command numbers

// Any number without an action (0, 2, negative, above 5) does nothing.
void DoButtonCommand(int32_t command);
// Records the amount for Change even while busy; inserts it only when idle.
void InsertMoneyCommand(int32_t amount);
// Not guarded by Busy: a coin bet while the reels turn counts toward the next spin.
void BetOneCommand();
// Spin passes 0, Play 3 passes 3.
void BetAndSpinCommand(int32_t amount);
void ShowOutOfCredits();
