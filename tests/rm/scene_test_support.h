#pragma once
// A small world for the scene layer's tests: a root, a camera 10 units in front of the
// origin looking along +z, a device and viewport, and helpers to build quads and read pixels.

#include <gtest/gtest.h>

#include "platform/rm/d3drm.h"

struct Rgb {
    int r, g, b;
};
Rgb ColorAt(const rm::Image& image, int x, int y);
bool IsBackground(const rm::Image& image, int x, int y);

// Corners (x, y) of a quad in the plane z, listed clockwise as seen from -z (a front face
// for the camera), with optional per-corner texture coordinates set by the caller.
IDirect3DRMMeshBuilder* MakeQuad(IDirect3DRM* d3drm, float x0, float y0, float x1, float y1,
                                 float z);

class SceneTest : public ::testing::Test {
public:
    static constexpr int kWidth = 120;
    static constexpr int kHeight = 80;

protected:
    void SetUp() override;
    void TearDown() override;

    // Clears, renders the scene and shows it; returns the shown picture.
    const rm::Image& Draw();
    // A child frame of the scene holding `visual`.
    IDirect3DRMFrame* AddFrameWith(IDirect3DRMVisual* visual, IDirect3DRMFrame* parent = nullptr);
    void AddLights(float ambient, bool directional);

    IDirect3DRM* d3drm = nullptr;
    IDirectDrawClipper* clipper = nullptr;
    IDirect3DRMDevice* device = nullptr;
    IDirect3DRMViewport* viewport = nullptr;
    IDirect3DRMFrame* scene = nullptr;
    IDirect3DRMFrame* camera = nullptr;
    int window = 0; // stands for a window handle
};
