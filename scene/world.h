#pragma once
// The fixed part of the world: lights, the camera's place, the black background and the
// frame the machine hangs under; the camera's pan and zoom offsets and the world rotation.

#include <cstdint>
#include <functional>
#include <optional>

#include "platform/rm/d3drm.h"

struct CameraPoint {
    double x, y, z;
};

struct WorldState {
    LPDIRECT3DRMFRAME WorldFrame = nullptr;
    CameraPoint CameraBase = {0.0, 0.0, -20.0}; // the camera relative to SceneFrame, offsets 0
    double PanX = 0.0;                          // -10..10, from the horizontal scroll bar
    double PanY = 0.0;                          // -10..10, the negated vertical scroll bar
    double Zoom = 0.0;                          // unbounded, 1 per Zoom In / Zoom Out
    // The seed BuildWorld uses instead of the millisecond timer, so that a run can be repeated.
    std::optional<uint32_t> SeedOverride;
};
extern WorldState World;

// Offers the first machine file once the world stands; the shell hands it over.
using OpenMachineFunction = std::function<void()>;

// Seeds the reel generator once, sets the render quality and builds the world.
HRESULT BuildWorld(LPDIRECT3DRMDEVICE device, const OpenMachineFunction& openMachine);
HRESULT InitWorld(LPDIRECT3DRMFRAME scene, LPDIRECT3DRMFRAME camera,
                  const OpenMachineFunction& openMachine);
void PlaceCamera();
void SetWorldRotation();
