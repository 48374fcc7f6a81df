#pragma once
// The game's buttons and the Insert Money menu turned into calls on the machine, with the
// guards that keep a player from betting without money or spinning while the reels turn.

#include <cstdint>

// Button command numbers, carried by the cabinet buttons' frames as application data.
inline constexpr int32_t BUTTON_CHANGE = 1;
inline constexpr int32_t BUTTON_NONE = 2; // a cabinet button without action
inline constexpr int32_t BUTTON_BET_1 = 3;
inline constexpr int32_t BUTTON_SPIN = 4;
inline constexpr int32_t BUTTON_PLAY_3 = 5;

// Any number without an action (0, 2, negative, above 5) does nothing.
void DoButtonCommand(int32_t command);
// Records the amount for Change even while busy; inserts it only when idle.
void InsertMoneyCommand(int32_t amount);
// Not guarded by Busy: a coin bet while the reels turn counts toward the next spin.
void BetOneCommand();
// Spin passes 0, Play 3 passes 3.
void BetAndSpinCommand(int32_t amount);
void ShowOutOfCredits();
