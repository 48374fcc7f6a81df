#pragma once
// The cabinet's clickable buttons: each a textured quad in a frame of its own whose
// application data is its command number, showing one of two looks cut from the shared
// "buttons" picture.

#include <cstdint>

#include "platform/rm/d3drm.h"

// Button command numbers, carried by the cabinet buttons' frames as application data and
// carried out by the game commands.
inline constexpr int32_t BUTTON_CHANGE = 1;
inline constexpr int32_t BUTTON_NONE = 2; // a cabinet button without action
inline constexpr int32_t BUTTON_BET_1 = 3;
inline constexpr int32_t BUTTON_SPIN = 4;
inline constexpr int32_t BUTTON_PLAY_3 = 5;

// Builds the button of `command` (0 to 9) on the slope through p1 and p2 (their y and z),
// from x to x + width, `height` long along the slope and one unit in front of it; the
// state-1 look is the cell (tx, ty)-(tx2, ty2). 0, or E_FAIL after a reported failure.
HRESULT CreateButton(LPDIRECT3DRMFRAME parent, D3DVECTOR p1, D3DVECTOR p2, double x, double width,
                     double height, double tx, double ty, double tx2, double ty2, int32_t command);

// Shows look 1 or 2 (the cell a quarter of the picture lower in v). Nothing happens when the
// look is already shown or the button was never built.
HRESULT SetButtonState(int32_t command, int32_t state);

// Once per frame: the betting and spinning buttons look pressable only while their action
// can be taken.
void UpdateButtons();

// Releases the button's mesh and empties its record.
void DestroyButton(int32_t command);
