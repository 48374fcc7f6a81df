#pragma once
// A small world for the scene layer's tests: a root, a camera 10 units in front of the
// origin looking along +z, a device and viewport, and helpers to build quads and read pixels.

#include <gtest/gtest.h>

#include "platform/rm/d3drm.h"

struct Rgb {
    int r, g, b;
};
Rgb ColorAt(const base::Image& image, int x, int y);
bool IsBackground(const base::Image& image, int x, int y);

// Corners (x, y) of a quad in the plane z, listed clockwise as seen from -z (a front face
// for the camera); swapping x0 and x1 makes it a back face.
IDirect3DRMMeshBuilder* MakeQuad(IDirect3DRM* d3drm, float x0, float y0, float x1, float y1,
                                 float z);
IDirect3DRMFace* FaceOf(IDirect3DRMMeshBuilder* mesh, DWORD index = 0); // the caller's reference
IDirectDrawSurface* MakeTextureSurface(int width, int height);

class SceneTest : public ::testing::Test {
public:
    static constexpr int kWidth = 120, kHeight = 80;
    static constexpr int kCx = kWidth / 2, kCy = kHeight / 2;

protected:
    void SetUp() override;
    void TearDown() override;

    // Clears, renders the scene and shows it; returns the shown picture.
    const base::Image& Draw();
    IDirect3DRMFrame* NewFrame(IDirect3DRMFrame* parent); // the caller's reference
    // A child frame of the scene holding `visual`; the tree keeps both.
    IDirect3DRMFrame* AddFrameWith(IDirect3DRMVisual* visual, IDirect3DRMFrame* parent = nullptr);

    IDirect3DRM* d3drm = nullptr;
    IDirectDrawClipper* clipper = nullptr;
    IDirect3DRMDevice* device = nullptr;
    IDirect3DRMViewport* viewport = nullptr;
    IDirect3DRMFrame* scene = nullptr;
    IDirect3DRMFrame* camera = nullptr;
    int window = 0; // stands for a window handle
};
