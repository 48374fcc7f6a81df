#pragma once
// A small world for the scene layer's tests: a root, a camera 10 units in front of the
// origin looking along +z, a device and viewport, and helpers to build quads and read pixels.

#include <gtest/gtest.h>

#include "platform/rm/d3drm.h"

struct Rgb {
    int r, g, b;
};
inline Rgb ColorAt(const base::Image& image, int x, int y) {
    const uint32_t p = image.At(x, y);
    return {int((p >> 16) & 255), int((p >> 8) & 255), int(p & 255)};
}

// Corners (x, y) of a quad in the plane z, listed clockwise as seen from -z (a front face
// for the camera); swapping x0 and x1 makes it a back face.
inline IDirect3DRMMeshBuilder* MakeQuad(IDirect3DRM* d3drm, float x0, float y0, float x1, float y1,
                                        float z) {
    IDirect3DRMMeshBuilder* mesh = nullptr;
    EXPECT_EQ(d3drm->CreateMeshBuilder(&mesh), D3DRM_OK);
    D3DVECTOR v[4] = {{x0, y0, z}, {x0, y1, z}, {x1, y1, z}, {x1, y0, z}};
    DWORD data[] = {4, 0, 1, 2, 3, 0};
    EXPECT_EQ(mesh->AddFaces(4, v, 0, nullptr, data, nullptr), D3DRM_OK);
    return mesh;
}

// The caller's reference to a face of the mesh.
inline IDirect3DRMFace* FaceOf(IDirect3DRMMeshBuilder* mesh, DWORD index = 0) {
    rm::RefPtr<IDirect3DRMFaceArray> faces;
    EXPECT_EQ(mesh->GetFaces(faces.Out()), D3DRM_OK);
    IDirect3DRMFace* face = nullptr;
    EXPECT_EQ(faces->GetElement(index, &face), D3DRM_OK);
    return face;
}

inline IDirectDrawSurface* MakeTextureSurface(int width, int height) {
    rm::RefPtr<IDirectDraw> dd;
    EXPECT_EQ(DirectDrawCreate(nullptr, dd.Out(), nullptr), DD_OK);
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.dwWidth = DWORD(width);
    desc.dwHeight = DWORD(height);
    desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE;
    IDirectDrawSurface* surface = nullptr;
    EXPECT_EQ(dd->CreateSurface(&desc, &surface, nullptr), DD_OK);
    return surface;
}

class SceneTest : public ::testing::Test {
public:
    static constexpr int WIDTH = 120, HEIGHT = 80;
    static constexpr int CENTER_X = WIDTH / 2, CENTER_Y = HEIGHT / 2;

protected:
    void SetUp() override {
        rm::FailNthCall(0, 0);
        ASSERT_EQ(Direct3DRMCreate(d3drm.Out()), D3DRM_OK);
        ASSERT_EQ(DirectDrawCreateClipper(0, clipper.Out(), nullptr), DD_OK);
        ASSERT_EQ(clipper->SetHWnd(0, &window), DD_OK);
        ASSERT_EQ(d3drm->CreateFrame(nullptr, scene.Out()), D3DRM_OK);
        ASSERT_EQ(d3drm->CreateFrame(scene, camera.Out()), D3DRM_OK);
        ASSERT_EQ(camera->SetPosition(scene, 0, 0, -10), D3DRM_OK);
        ASSERT_EQ(d3drm->CreateDeviceFromClipper(clipper, nullptr, WIDTH, HEIGHT, device.Out()),
                  D3DRM_OK);
        ASSERT_EQ(d3drm->CreateViewport(device, camera, 0, 0, WIDTH, HEIGHT, viewport.Out()),
                  D3DRM_OK);
        // Lighting off unless a test turns it on: colours then come out as given.
        ASSERT_EQ(device->SetQuality(D3DRMSHADE_GOURAUD | D3DRMLIGHT_OFF | D3DRMFILL_SOLID),
                  D3DRM_OK);
    }
    void TearDown() override {
        rm::FailNthCall(0, 0);
        scene.Reset();
        camera.Reset();
        viewport.Reset();
        device.Reset();
        d3drm.Reset();
        clipper.Reset();
    }
    // Clears, renders the scene and shows it; returns the shown picture.
    const base::Image& Draw() {
        EXPECT_EQ(viewport->Clear(), D3DRM_OK);
        EXPECT_EQ(viewport->Render(scene), D3DRM_OK);
        EXPECT_EQ(device->Update(), D3DRM_OK);
        return device->LastImage();
    }
    IDirect3DRMFrame* NewFrame(IDirect3DRMFrame* parent) { // the caller's reference
        IDirect3DRMFrame* frame = nullptr;
        EXPECT_EQ(d3drm->CreateFrame(parent, &frame), D3DRM_OK);
        return frame;
    }
    // A child frame of `parent` (the scene if null) holding `visual`; the tree keeps both.
    IDirect3DRMFrame* AddFrameWith(IDirect3DRMVisual* visual, IDirect3DRMFrame* parent = nullptr) {
        const auto frame =
            rm::RefPtr<IDirect3DRMFrame>::Adopt(NewFrame(parent != nullptr ? parent : scene));
        EXPECT_EQ(frame->AddVisual(visual), D3DRM_OK);
        rm::GiveUp(visual);
        return frame;
    }

    rm::RefPtr<IDirect3DRM> d3drm;
    rm::RefPtr<IDirectDrawClipper> clipper;
    rm::RefPtr<IDirect3DRMDevice> device;
    rm::RefPtr<IDirect3DRMViewport> viewport;
    rm::RefPtr<IDirect3DRMFrame> scene;
    rm::RefPtr<IDirect3DRMFrame> camera;
    int window = 0; // stands for a window handle
};
