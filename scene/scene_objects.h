#pragma once
// The 3D objects of the one scene. The shell creates them at start-up and releases them at
// shut-down; they are declared here, below the shell, because the world and every scene
// builder draw on them. A pointer is null while its object does not exist.

#include <cstdint>

#include "platform/rm/d3drm.h"

// The device's render quality at start: solid, lit, Gouraud.
constexpr D3DRMRENDERQUALITY START_RENDER_QUALITY =
    D3DRMFILL_SOLID | D3DRMLIGHT_ON | D3DRMSHADE_GOURAUD;

struct Direct3DObjects {
    LPDIRECTDRAW lpDD = nullptr; // never released before the program ends
    LPDIRECT3DRM lpD3DRM = nullptr;
    LPDIRECT3DRMFRAME SceneFrame = nullptr;
    LPDIRECT3DRMFRAME CameraFrame = nullptr;
    LPDIRECTDRAWCLIPPER Clipper = nullptr;
    LPDIRECT3DRMDEVICE Device = nullptr;
    LPDIRECT3DRMVIEWPORT Viewport = nullptr;
};
extern Direct3DObjects D3D;
