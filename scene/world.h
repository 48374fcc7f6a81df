#pragma once
// The fixed part of the world: lights, the camera's place, the black background and the
// frame the machine hangs under; the camera's pan and zoom offsets and the world rotation.

#include <cstdint>

#include "platform/rm/d3drm.h"

struct CameraPoint {
    double x, y, z;
};

extern LPDIRECT3DRMFRAME WorldFrame;
extern CameraPoint CameraBase; // the camera relative to SceneFrame when every offset is 0
extern double PanX;            // -10..10, from the horizontal scroll bar
extern double PanY;            // -10..10, the negated vertical scroll bar
extern double Zoom;            // unbounded, 1 per Zoom In / Zoom Out

// Seeds the reel generator once, sets the render quality and builds the world.
HRESULT BuildWorld(LPDIRECT3DRMDEVICE device);
HRESULT InitWorld(LPDIRECT3DRMFRAME scene, LPDIRECT3DRMFRAME camera);
void PlaceCamera();
void SetWorldRotation();

// The seed BuildWorld uses; by default the millisecond timer. Automation replaces it so
// that a run can be repeated.
void SetWorldSeedOverride(bool use, uint32_t seed);
