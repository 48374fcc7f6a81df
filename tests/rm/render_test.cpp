// Rendering with real pixels: depth order, culling, fill and shade modes, lights, the mono
// driver, texture orientation of bitmap and surface textures, and Changed.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>

#include "tests/rm/scene_test_support.h"

namespace {

constexpr int kCx = SceneTest::kWidth / 2;
constexpr int kCy = SceneTest::kHeight / 2;

class RenderTest : public SceneTest {
protected:
    IDirect3DRMMeshBuilder* ColoredQuad(float z, float r, float g, float b, float half = 2) {
        IDirect3DRMMeshBuilder* quad = MakeQuad(d3drm, -half, -half, half, half, z);
        EXPECT_EQ(quad->SetColorRGB(r, g, b), D3DRM_OK);
        return quad;
    }
    IDirect3DRMFace* FirstFace(IDirect3DRMMeshBuilder* mesh) {
        IDirect3DRMFaceArray* faces = nullptr;
        EXPECT_EQ(mesh->GetFaces(&faces), D3DRM_OK);
        IDirect3DRMFace* face = nullptr;
        EXPECT_EQ(faces->GetElement(0, &face), D3DRM_OK);
        faces->Release();
        return face;
    }
    // A whole-viewport quad textured from u,v = 0 at its lower left to 1 at its upper right.
    void AddTexturedQuad(IDirect3DRMTexture* texture, float r = 1, float g = 1, float b = 1) {
        IDirect3DRMMeshBuilder* quad = ColoredQuad(0, r, g, b, 8);
        IDirect3DRMFace* face = FirstFace(quad);
        ASSERT_EQ(face->SetTexture(texture), D3DRM_OK);
        const float uv[4][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
        for (DWORD i = 0; i < 4; ++i)
            ASSERT_EQ(face->SetTextureCoordinates(i, uv[i][0], uv[i][1]), D3DRM_OK);
        face->Release();
        AddFrameWith(quad);
    }
    // A texture whose upper half is red and lower half blue, as a surface.
    IDirect3DRMTexture* SurfaceTexture(IDirectDrawSurface** keep = nullptr) {
        IDirectDraw* dd = nullptr;
        EXPECT_EQ(DirectDrawCreate(nullptr, &dd, nullptr), DD_OK);
        DDSURFACEDESC desc{};
        desc.dwSize = sizeof desc;
        desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
        desc.dwWidth = 4;
        desc.dwHeight = 4;
        desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE;
        IDirectDrawSurface* surface = nullptr;
        EXPECT_EQ(dd->CreateSurface(&desc, &surface, nullptr), DD_OK);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x)
                surface->Pixels().At(x, y) = y < 2 ? 0xFFFF0000 : 0xFF0000FF;
        IDirect3DRMTexture* texture = nullptr;
        EXPECT_EQ(d3drm->CreateTextureFromSurface(surface, &texture), D3DRM_OK);
        if (keep != nullptr)
            *keep = surface;
        else
            surface->Release();
        dd->Release();
        return texture;
    }
};

TEST_F(RenderTest, NearerFacesHideFartherOnesWhateverTheOrder) {
    AddFrameWith(ColoredQuad(1, 1, 0, 0, 2));
    AddFrameWith(ColoredQuad(3, 0, 1, 0, 4));
    AddFrameWith(ColoredQuad(0.5f, 0, 0, 1, 0.5f));
    const rm::Image& image = Draw();
    EXPECT_EQ(ColorAt(image, kCx, kCy).b, 255);      // the nearest, smallest quad
    EXPECT_EQ(ColorAt(image, kCx + 10, kCy).r, 255); // the red one around it
    EXPECT_EQ(ColorAt(image, kCx + 20, kCy).g, 255); // the far green one outside both
    EXPECT_TRUE(IsBackground(image, 2, 2));
}

TEST_F(RenderTest, BackFacesAreNotDrawn) {
    IDirect3DRMMeshBuilder* quad = nullptr;
    ASSERT_EQ(d3drm->CreateMeshBuilder(&quad), D3DRM_OK);
    D3DVECTOR v[4] = {{-2, -2, 0}, {2, -2, 0}, {2, 2, 0}, {-2, 2, 0}}; // anticlockwise
    DWORD data[] = {4, 0, 1, 2, 3, 0};
    ASSERT_EQ(quad->AddFaces(4, v, 0, nullptr, data, nullptr), D3DRM_OK);
    IDirect3DRMFrame* frame = AddFrameWith(quad);
    EXPECT_TRUE(IsBackground(Draw(), kCx, kCy));
    // Turned half round, the same face is seen from its front.
    ASSERT_EQ(frame->AddRotation(D3DRMCOMBINE_AFTER, 0, 1, 0, 3.14159265f), D3DRM_OK);
    EXPECT_FALSE(IsBackground(Draw(), kCx, kCy));
}

TEST_F(RenderTest, FillModesDrawPointsEdgesOrAreas) {
    AddFrameWith(ColoredQuad(0, 1, 1, 1, 2));
    const int left = kCx - 16; // the quad's left edge: 2 units at distance 10 with field 0.5
    ASSERT_EQ(device->SetQuality(D3DRMLIGHT_OFF | D3DRMFILL_SOLID), D3DRM_OK);
    const rm::Image& solid = Draw();
    EXPECT_FALSE(IsBackground(solid, kCx, kCy));

    ASSERT_EQ(device->SetQuality(D3DRMLIGHT_OFF | D3DRMFILL_WIREFRAME), D3DRM_OK);
    const rm::Image& wire = Draw();
    EXPECT_TRUE(IsBackground(wire, kCx, kCy));
    bool edge = false;
    for (int x = left - 1; x <= left + 1; ++x)
        edge = edge || !IsBackground(wire, x, kCy);
    EXPECT_TRUE(edge);

    ASSERT_EQ(device->SetQuality(D3DRMLIGHT_OFF | D3DRMFILL_POINTS), D3DRM_OK);
    const rm::Image& points = Draw();
    int lit = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            lit += !IsBackground(points, x, y);
    EXPECT_GE(lit, 1);
    EXPECT_LE(lit, 16);
}

TEST_F(RenderTest, DirectionalLightShinesAlongItsFramesZ) {
    AddLights(0.1f, true); // the light frame starts with +z into the screen
    IDirect3DRMFrame* lightFrame = scene->Children().back();
    AddFrameWith(ColoredQuad(0, 1, 1, 1));
    EXPECT_EQ(ColorAt(Draw(), kCx, kCy).r, 255); // full light plus ambient, clamped

    ASSERT_EQ(lightFrame->SetOrientation(scene, 0, 0, -1, 0, 1, 0), D3DRM_OK);
    EXPECT_NEAR(ColorAt(Draw(), kCx, kCy).g, 26, 1); // from behind: ambient only

    ASSERT_EQ(lightFrame->SetOrientation(scene, 0, -0.8660254f, 0.5f, 0, 0, 1), D3DRM_OK);
    EXPECT_NEAR(ColorAt(Draw(), kCx, kCy).b, 153, 1); // cos 60 degrees + 0.1
}

TEST_F(RenderTest, LightingOffShowsTheFaceColourAsGiven) {
    AddLights(0.1f, false);
    AddFrameWith(ColoredQuad(0, 0.5f, 0.25f, 1));
    EXPECT_NEAR(ColorAt(Draw(), kCx, kCy).r, 13, 1); // lit by a dim ambient light only
    ASSERT_EQ(device->SetQuality(D3DRMSHADE_GOURAUD | D3DRMLIGHT_OFF | D3DRMFILL_SOLID), D3DRM_OK);
    const Rgb c = ColorAt(Draw(), kCx, kCy);
    EXPECT_NEAR(c.r, 128, 1);
    EXPECT_NEAR(c.g, 64, 1);
    EXPECT_EQ(c.b, 255);
}

TEST_F(RenderTest, GouraudBlendsCornerLightAndFlatUsesTheFaceNormal) {
    AddLights(0.0f, true);
    // Left corners face the light, right corners are edge-on to it.
    IDirect3DRMMeshBuilder* quad = nullptr;
    ASSERT_EQ(d3drm->CreateMeshBuilder(&quad), D3DRM_OK);
    D3DVECTOR v[4] = {{-2, -2, 0}, {-2, 2, 0}, {2, 2, 0}, {2, -2, 0}};
    D3DVECTOR n[2] = {{0, 0, -1}, {1, 0, 0}};
    DWORD data[] = {4, 0, 0, 1, 0, 2, 1, 3, 1, 0};
    ASSERT_EQ(quad->AddFaces(4, v, 2, n, data, nullptr), D3DRM_OK);
    AddFrameWith(quad);
    const rm::Image& smooth = Draw();
    const int left = ColorAt(smooth, kCx - 12, kCy).r, right = ColorAt(smooth, kCx + 12, kCy).r;
    EXPECT_GT(left, right + 60);

    ASSERT_EQ(device->SetQuality(D3DRMRENDER_FLAT), D3DRM_OK);
    const rm::Image& flat = Draw();
    EXPECT_EQ(ColorAt(flat, kCx - 12, kCy).r, 255);
    EXPECT_EQ(ColorAt(flat, kCx + 12, kCy).r, 255);
}

TEST_F(RenderTest, FlatMeshQualityWinsOverAGouraudDevice) {
    AddLights(0.0f, true);
    IDirect3DRMMeshBuilder* quad = nullptr;
    ASSERT_EQ(d3drm->CreateMeshBuilder(&quad), D3DRM_OK);
    D3DVECTOR v[4] = {{-2, -2, 0}, {-2, 2, 0}, {2, 2, 0}, {2, -2, 0}};
    D3DVECTOR n[2] = {{0, 0, -1}, {1, 0, 0}};
    DWORD data[] = {4, 0, 0, 1, 0, 2, 1, 3, 1, 0};
    ASSERT_EQ(quad->AddFaces(4, v, 2, n, data, nullptr), D3DRM_OK);
    ASSERT_EQ(quad->SetQuality((quad->GetQuality() & ~D3DRMSHADE_MASK) | D3DRMSHADE_FLAT),
              D3DRM_OK);
    AddFrameWith(quad);
    const rm::Image& image = Draw();
    EXPECT_EQ(ColorAt(image, kCx - 12, kCy).r, ColorAt(image, kCx + 12, kCy).r);
}

TEST_F(RenderTest, ComputedNormalsLightAMeshGivenNone) {
    AddLights(0.0f, true);
    AddFrameWith(ColoredQuad(0, 1, 1, 1)); // no normals: computed from the face, facing us
    EXPECT_EQ(ColorAt(Draw(), kCx, kCy).r, 255);
}

TEST_F(RenderTest, MonoDriverLightsInIntensityQuantisedToShades) {
    IDirect3DRMDevice* mono = nullptr;
    GUID guid = kDrivers[1].guid;
    ASSERT_EQ(kDrivers[1].colorModel, D3DCOLOR_MONO);
    ASSERT_EQ(d3drm->CreateDeviceFromClipper(clipper, &guid, kWidth, kHeight, &mono), D3DRM_OK);
    ASSERT_TRUE(mono->IsMono());
    ASSERT_EQ(mono->SetShades(4), D3DRM_OK);
    ASSERT_EQ(mono->SetQuality(D3DRMRENDER_GOURAUD), D3DRM_OK);
    viewport->Release();
    ASSERT_EQ(d3drm->CreateViewport(mono, camera, 0, 0, kWidth, kHeight, &viewport), D3DRM_OK);
    device->Release();
    device = mono;

    IDirect3DRMLight* red = nullptr;
    ASSERT_EQ(d3drm->CreateLightRGB(D3DRMLIGHT_AMBIENT, 0.9f, 0, 0, &red), D3DRM_OK);
    ASSERT_EQ(scene->AddLight(red), D3DRM_OK);
    red->Release();
    AddFrameWith(ColoredQuad(0, 1, 1, 1));
    const Rgb c = ColorAt(Draw(), kCx, kCy);
    // Intensity 0.3 of a red light is one of 4 shades (1/3) of grey on a white face.
    EXPECT_EQ(c.r, 85);
    EXPECT_EQ(c.g, 85);
    EXPECT_EQ(c.b, 85);
}

TEST_F(RenderTest, SurfaceTexturesHaveVZeroAtTheTopRow) {
    ASSERT_EQ(device->SetQuality(D3DRMLIGHT_OFF | D3DRMFILL_SOLID), D3DRM_OK);
    IDirect3DRMTexture* texture = SurfaceTexture();
    AddTexturedQuad(texture);
    texture->Release();
    const rm::Image& image = Draw();
    // v grows upward on the quad; v = 0 (bottom of the quad) shows the surface's top row.
    EXPECT_EQ(ColorAt(image, kCx, 5).b, 255);
    EXPECT_EQ(ColorAt(image, kCx, kHeight - 5).r, 255);
}

std::string WriteBitmap(const char* name) {
    // 2 x 2, 24-bit, bottom-up: bottom row blue, top row red.
    const uint8_t file[] = {'B', 'M', 70, 0,   0, 0, 0, 0, 0, 0, 54,  0, 0, 0,   40, 0, 0,  0,
                            2,   0,   0,  0,   2, 0, 0, 0, 1, 0, 24,  0, 0, 0,   0,  0, 16, 0,
                            0,   0,   0,  0,   0, 0, 0, 0, 0, 0, 0,   0, 0, 0,   0,  0, 0,  0,
                            255, 0,   0,  255, 0, 0, 0, 0, 0, 0, 255, 0, 0, 255, 0,  0};
    const std::string path = (std::filesystem::temp_directory_path() / name).string();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file), sizeof file);
    return path;
}

TEST_F(RenderTest, BitmapTexturesHaveVZeroAtTheBottomRow) {
    ASSERT_EQ(device->SetQuality(D3DRMLIGHT_OFF | D3DRMFILL_SOLID), D3DRM_OK);
    const std::string path = WriteBitmap("kestrel_rm_v.bmp");
    IDirect3DRMTexture* texture = nullptr;
    ASSERT_EQ(d3drm->LoadTexture(path.c_str(), &texture), D3DRM_OK);
    AddTexturedQuad(texture);
    texture->Release();
    const rm::Image& image = Draw();
    EXPECT_EQ(ColorAt(image, kCx, 5).r, 255); // the picture stands upright
    EXPECT_EQ(ColorAt(image, kCx, kHeight - 5).b, 255);
    std::filesystem::remove(path);
}

TEST_F(RenderTest, LoadTextureReportsMissingAndDamagedFiles) {
    IDirect3DRMTexture* texture = reinterpret_cast<IDirect3DRMTexture*>(1);
    EXPECT_EQ(d3drm->LoadTexture("no such picture.bmp", &texture), D3DRMERR_FILENOTFOUND);
    EXPECT_EQ(texture, nullptr);
    const std::string path = (std::filesystem::temp_directory_path() / "kestrel_bad.bmp").string();
    std::ofstream(path) << "not a bitmap";
    EXPECT_EQ(d3drm->LoadTexture(path.c_str(), &texture), D3DRMERR_BADFILE);
    EXPECT_EQ(d3drm->LoadTexture(nullptr, &texture), D3DRMERR_BADVALUE);
    std::filesystem::remove(path);
}

TEST_F(RenderTest, FaceColourModulatesTheTexture) {
    ASSERT_EQ(device->SetQuality(D3DRMLIGHT_OFF | D3DRMFILL_SOLID), D3DRM_OK);
    IDirect3DRMTexture* texture = SurfaceTexture();
    AddTexturedQuad(texture, 0.5f, 1, 1);
    texture->Release();
    const rm::Image& image = Draw();
    EXPECT_NEAR(ColorAt(image, kCx, kHeight - 5).r, 128, 3);
}

TEST_F(RenderTest, SurfaceChangesShowAfterChanged) {
    ASSERT_EQ(device->SetQuality(D3DRMLIGHT_OFF | D3DRMFILL_SOLID), D3DRM_OK);
    IDirectDrawSurface* surface = nullptr;
    IDirect3DRMTexture* texture = SurfaceTexture(&surface);
    AddTexturedQuad(texture);
    for (uint32_t& p : surface->Pixels().pixels)
        p = 0xFF00FF00;
    EXPECT_EQ(ColorAt(Draw(), kCx, 5).b, 255); // not yet told
    ASSERT_EQ(texture->Changed(TRUE, FALSE), D3DRM_OK);
    EXPECT_EQ(ColorAt(Draw(), kCx, 5).g, 255);
    texture->Release();
    surface->Release();
}

TEST_F(RenderTest, ClearUsesTheSceneBackground) {
    ASSERT_EQ(scene->SetSceneBackgroundRGB(0, 0, 1), D3DRM_OK);
    const Rgb c = ColorAt(Draw(), 0, 0);
    EXPECT_EQ(c.b, 255);
    EXPECT_EQ(c.r, 0);
    EXPECT_EQ(scene->GetSceneBackground(), 0x0000FFu);
}

TEST_F(RenderTest, SixteenBitDisplaysShowFiveSixFiveColours) {
    rm::SetDisplayDepth(16);
    IDirect3DRMDevice* shallow = nullptr;
    ASSERT_EQ(d3drm->CreateDeviceFromClipper(clipper, nullptr, kWidth, kHeight, &shallow),
              D3DRM_OK);
    rm::SetDisplayDepth(32);
    EXPECT_EQ(shallow->ColorDepth(), 16);
    ASSERT_EQ(shallow->SetDither(FALSE), D3DRM_OK);
    ASSERT_EQ(shallow->SetQuality(D3DRMLIGHT_OFF | D3DRMFILL_SOLID), D3DRM_OK);
    viewport->Release();
    ASSERT_EQ(d3drm->CreateViewport(shallow, camera, 0, 0, kWidth, kHeight, &viewport), D3DRM_OK);
    device->Release();
    device = shallow;
    AddFrameWith(ColoredQuad(0, 0.6f, 0.6f, 0.6f));
    const Rgb c = ColorAt(Draw(), kCx, kCy);
    // Every channel is a 5-6-5 level widened back to 8 bits.
    EXPECT_EQ(c.r, (c.r >> 3) << 3 | c.r >> 5);
    EXPECT_EQ(c.g, (c.g >> 2) << 2 | c.g >> 6);
    EXPECT_NEAR(c.r, 153, 8);
    EXPECT_NE(c.r, 153); // 153 itself is no 5-bit level
}

TEST_F(RenderTest, BilinearFilteringBlendsNeighbouringTexels) {
    ASSERT_EQ(device->SetQuality(D3DRMLIGHT_OFF | D3DRMFILL_SOLID), D3DRM_OK);
    IDirect3DRMTexture* texture = SurfaceTexture(); // red above blue, magnified 20 times
    AddTexturedQuad(texture);
    texture->Release();
    auto mixedRows = [this]() {
        const rm::Image& image = Draw();
        int mixed = 0;
        for (int y = 0; y < kHeight; ++y) {
            const Rgb c = ColorAt(image, kCx, y);
            mixed += c.r > 20 && c.b > 20;
        }
        return mixed;
    };
    ASSERT_EQ(device->SetTextureQuality(D3DRMTEXTURE_NEAREST), D3DRM_OK);
    EXPECT_EQ(mixedRows(), 0);
    ASSERT_EQ(device->SetTextureQuality(D3DRMTEXTURE_LINEAR), D3DRM_OK);
    EXPECT_GT(mixedRows(), 5);
    EXPECT_EQ(device->SetTextureQuality(7), D3DRMERR_BADVALUE);
}

TEST_F(RenderTest, DitherOnASixteenBitDeviceMixesNeighbouringLevels) {
    rm::SetDisplayDepth(16);
    IDirect3DRMDevice* shallow = nullptr;
    ASSERT_EQ(d3drm->CreateDeviceFromClipper(clipper, nullptr, kWidth, kHeight, &shallow),
              D3DRM_OK);
    rm::SetDisplayDepth(32);
    ASSERT_EQ(shallow->SetQuality(D3DRMLIGHT_OFF | D3DRMFILL_SOLID), D3DRM_OK);
    viewport->Release();
    ASSERT_EQ(d3drm->CreateViewport(shallow, camera, 0, 0, kWidth, kHeight, &viewport), D3DRM_OK);
    device->Release();
    device = shallow;
    AddFrameWith(ColoredQuad(0, 0.6f, 0.6f, 0.6f));
    auto levels = [this]() {
        const rm::Image& image = Draw();
        std::set<uint32_t> seen;
        for (int x = kCx - 4; x < kCx + 4; ++x)
            for (int y = kCy - 4; y < kCy + 4; ++y)
                seen.insert(image.At(x, y));
        return seen.size();
    };
    ASSERT_EQ(device->SetDither(TRUE), D3DRM_OK);
    EXPECT_GT(levels(), 1u);
    ASSERT_EQ(device->SetDither(FALSE), D3DRM_OK);
    EXPECT_EQ(levels(), 1u);
}

TEST_F(RenderTest, UpdateShowsThePictureInTheClippersWindow) {
    int shown = 0;
    rm::SetWindowPresenter(&window, [&shown](const rm::Image& image) {
        shown += image.width == kWidth && image.height == kHeight;
    });
    Draw();
    EXPECT_EQ(shown, 1);
    IDirect3DRMWinDevice* win = nullptr;
    ASSERT_EQ(device->QueryInterface(IID_IDirect3DRMWinDevice, reinterpret_cast<void**>(&win)),
              D3DRM_OK);
    ASSERT_EQ(win->HandlePaint(nullptr), D3DRM_OK); // uncovered: shown again
    EXPECT_EQ(win->HandleActivate(1), D3DRM_OK);
    EXPECT_EQ(shown, 2);
    win->Release();
    void* other = nullptr;
    EXPECT_EQ(device->QueryInterface(IID_IDirect3D, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
    rm::SetWindowPresenter(&window, nullptr);
}

} // namespace
