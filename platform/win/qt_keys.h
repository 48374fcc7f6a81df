#pragma once
// Qt key events in the platform's terms: virtual keys, modifiers and typed characters.

namespace win {

// The virtual key of a Qt key; keypad keys have their own codes (VK_ADD for keypad +). 0 for a
// key without one.
int VirtualKeyFromQt(int qtKey, bool keypad);

// The character a key press types, as the platform reports it: Ctrl with a letter types the
// control character 1 to 26; otherwise the first character of the event's text, 0 for none.
int TypedCharacter(int qtKey, bool control, bool alt, char16_t firstTextChar);

} // namespace win
