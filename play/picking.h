#pragma once
// A left click on the 3D view: the nearest thing under the mouse, and if it is a cabinet
// button, its command.

#include "platform/rm/d3drm.h"

// x and y are client pixels. Does nothing while the machine is busy.
void PickButton(LPDIRECT3DRMVIEWPORT viewport, int x, int y);
