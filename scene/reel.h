#pragma once
// A reel's drum: a closed ring of flat faces around its own y axis, one per stop, each
// showing its symbol's cell of the symbol's picture.

#include "engine/slot_machine.h"
#include "platform/rm/d3drm.h"

// Builds the drum of `reel` in a new frame under `parent`, `width` long along its axis, and
// fills the reel's angle table: turning the drum frame about its y axis by -angle[k] brings
// stop k to face the pay line. *frame is null at once and receives the frame on success,
// when *radius receives the drum's radius. 0, or E_FAIL after a reported failure.
HRESULT CreateReel(LPDIRECT3DRMFRAME parent, SlotReel* reel, double width, double* radius,
                   LPDIRECT3DRMFRAME* frame);
