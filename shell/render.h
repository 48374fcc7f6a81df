#pragma once
// One frame of the scene, and the title status line kept after each rendering pass.

#include <cstdint>

#include "platform/win/window.h"
#include "shell/title.h"

extern int32_t ShowFPS;
extern TitleStatus Status; // the frame count, the frame rate and the last title

// 1 when the frame was drawn, 0 after a failure message.
int RenderFrame();
void UpdateTitle(win::Window* window);
