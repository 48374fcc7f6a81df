#pragma once
// One frame of the scene, and the title status line kept after each rendering pass.

#include <cstdint>

#include "platform/win/window.h"
#include "shell/title.h"

// 1 when the frame was drawn, 0 after a failure message.
int RenderFrame();
void UpdateTitle(win::Window* window);
