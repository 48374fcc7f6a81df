#pragma once
// What each key does, read from the accelerator table and the menu it stands for, so the help
// and the man page list exactly the keys the program answers.

#include <string>
#include <vector>

namespace res {

struct KeyUse {
    std::string keys;     // "F1", "Ctrl+X", "Keypad +, +"
    std::string menuItem; // "File > About"
    std::string effect;   // in the player's words; empty where the menu item says it all
};

// One entry per command that a key reaches, in the accelerator table's order.
std::vector<KeyUse> KeyUses();

// What the mouse does in the window.
extern const char* const MOUSE_USE;

// The way to play, one step a line.
extern const char* const HOW_TO_PLAY[4];

} // namespace res
