#pragma once
// The device context record shared by the 2D layer and the DirectDraw layer: a surface's
// GetDC hands out one of these naming the surface's pixels, and the 2D layer's memory
// contexts use the same record naming their selected bitmap. Plain data, no Qt, so the
// DirectDraw layer can hold one per surface.

#include <cstdint>

#include "platform/base/image.h"
#include "platform/base/wintypes.h"

using COLORREF = DWORD; // 0x00BBGGRR

constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

constexpr UINT TA_NOUPDATECP = 0;
constexpr UINT TA_UPDATECP = 1;
constexpr UINT TA_LEFT = 0;
constexpr UINT TA_RIGHT = 2;
constexpr UINT TA_CENTER = 6;
constexpr UINT TA_TOP = 0;
constexpr UINT TA_BOTTOM = 8;
constexpr UINT TA_BASELINE = 24;

struct SurfaceDC {
    base::Image* image = nullptr; // where drawing lands; null draws nothing
    // Drawing attributes, with the values a fresh context has.
    int bkMode = OPAQUE;
    COLORREF textColor = 0x000000;
    COLORREF bkColor = 0xFFFFFF;
    UINT textAlign = TA_LEFT | TA_TOP;
};
using HDC = SurfaceDC*;
