#pragma once
// The cabinet around the reels: front panel with the reel window and its frame, the credit
// meter panel, the payoff chart, bevels and the body behind, the red pay line marker, and
// the buttons, as the display options allow.

#include "platform/rm/d3drm.h"

// The credit meter's picture.
inline constexpr const char* CREDIT_BMP_NAME = "cred1.bmp";

// Builds the cabinet in a new frame under `parent` for a reel window `width` by `height`
// with a frame `thick` wide, centred on the window frame. Sets CreditSurface and CreditTex
// when the credit meter is shown. 0, or E_FAIL after a reported failure.
HRESULT CreateCabinet(LPDIRECT3DRMFRAME parent, double width, double height, double thick);
