#pragma once
// The reference scene that the viewer tool draws and the benchmark times: four textured
// drums of 20 faces built like the machine's reels and turned to stops, in front of a wall
// of 40 flat-shaded quads, lit by a directional and an ambient light.

#include "platform/rm/d3drm.h"

namespace rm {

// Released in the reverse order of these members, the drums first.
struct ReferenceScene {
    RefPtr<IDirectDraw> directDraw;
    RefPtr<IDirectDrawClipper> clipper;
    RefPtr<IDirect3DRM> d3drm;
    RefPtr<IDirect3DRMDevice> device;
    RefPtr<IDirect3DRMViewport> viewport;
    RefPtr<IDirect3DRMFrame> camera;
    RefPtr<IDirect3DRMFrame> scene;
    RefPtr<IDirect3DRMFrame> drums[4];

    ReferenceScene() = default;
    ReferenceScene(const ReferenceScene&) = delete;
    ReferenceScene& operator=(const ReferenceScene&) = delete;
};

constexpr int REFERENCE_STOPS = 20;

// Builds the scene on a device of the given size; 0, or the result of the call that failed.
HRESULT BuildReferenceScene(ReferenceScene& out, int width = 600, int height = 400);

// One frame as the program draws it: move, clear, render, update.
HRESULT RenderReferenceFrame(ReferenceScene& scene);

// The drum texture: stop k is a band of its own colour with k + 1 white bars, so that a
// picture shows which stop faces the camera.
base::Image MakeStopStrip(int stops, int bandHeight);

// Drum geometry of a reel of equal stops: per stop the angle that brings it to the front.
struct DrumGeometry {
    std::vector<D3DVECTOR> vertices;
    std::vector<D3DVECTOR> normals;
    std::vector<DWORD> faceData;
    std::vector<double> angles;
};
DrumGeometry MakeDrum(int stops, double stopHeight, double width);

// Adds drum faces to `mesh`, face i showing stop s(i) = 0, n-1, n-2, ..., 1 with band s(i)
// of a MakeStopStrip texture (null texture: untextured).
HRESULT BuildDrumMesh(IDirect3DRMMeshBuilder* mesh, DrumGeometry& drum, IDirect3DRMTexture* strip);

} // namespace rm
