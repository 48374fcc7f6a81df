#pragma once
// The machine's part of the scene under the world frame: the reels side by side in a reel
// stack and, when shown, the cabinet with its meters and buttons. Thrown away and built
// again from the machine at every load and every toggle of a display option.

#include "platform/rm/d3drm.h"

// Tears down the old machine scene first (its result is not looked at). 0, or E_FAIL after
// a reported failure, leaving what was built so far in place.
HRESULT BuildMachineScene();

// Releases the machine's frames, buttons, textures and the credit meter's texture and
// surface. Safe with nothing built. 0, or E_FAIL after a reported failure.
HRESULT DestroyMachineScene();
