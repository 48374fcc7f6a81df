// Rendering with real pixels: depth order, culling, fill and shade modes, lights, the mono
// driver, texture orientation of bitmap and surface textures, and Changed.

#include "tests/common/temp_path.h"
#include <filesystem>
#include <fstream>
#include <set>

#include "tests/bitmap/bmp_writer.h"
#include "tests/rm/scene_test_support.h"

namespace {

class RenderTest : public SceneTest {
protected:
    IDirect3DRMMeshBuilder* ColoredQuad(float z, float r, float g, float b, float half = 2) {
        IDirect3DRMMeshBuilder* quad = MakeQuad(d3drm, -half, -half, half, half, z);
        EXPECT_EQ(quad->SetColorRGB(r, g, b), D3DRM_OK);
        return quad;
    }
    // A whole-viewport quad textured from u,v = 0 at its lower left to 1 at its upper right.
    void AddTexturedQuad(IDirect3DRMTexture* texture, float r = 1) {
        IDirect3DRMMeshBuilder* quad = ColoredQuad(0, r, 1, 1, 8);
        IDirect3DRMFace* face = FaceOf(quad);
        ASSERT_EQ(face->SetTexture(texture), D3DRM_OK);
        const float uv[4][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
        for (DWORD i = 0; i < 4; ++i)
            ASSERT_EQ(face->SetTextureCoordinates(i, uv[i][0], uv[i][1]), D3DRM_OK);
        face->Release();
        AddFrameWith(quad);
        texture->Release();
    }
    // A 4 x 4 texture surface, upper half red and lower half blue.
    IDirect3DRMTexture* SurfaceTexture(IDirectDrawSurface** keep = nullptr) {
        IDirectDrawSurface* surface = MakeTextureSurface(4, 4);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x)
                surface->Pixels().At(x, y) = y < 2 ? 0xFFFF0000 : 0xFF0000FF;
        IDirect3DRMTexture* texture = nullptr;
        EXPECT_EQ(d3drm->CreateTextureFromSurface(surface, &texture), D3DRM_OK);
        if (keep != nullptr)
            *keep = surface;
        else
            surface->Release();
        return texture;
    }
};

TEST_F(RenderTest, NearerFacesHideFartherOnesWhateverTheOrderAndBackFacesAreCulled) {
    AddFrameWith(ColoredQuad(1, 1, 0, 0, 2));
    AddFrameWith(ColoredQuad(3, 0, 1, 0, 4));
    AddFrameWith(ColoredQuad(0.5f, 0, 0, 1, 0.5f));
    const base::Image& image = Draw();
    EXPECT_EQ(ColorAt(image, kCx, kCy).b, 255);      // the nearest, smallest quad
    EXPECT_EQ(ColorAt(image, kCx + 10, kCy).r, 255); // the red one around it
    EXPECT_EQ(ColorAt(image, kCx + 20, kCy).g, 255); // the far green one outside both
    EXPECT_TRUE(IsBackground(image, 2, 2));

    // A white quad nearest of all, anticlockwise: culled until turned half round.
    IDirect3DRMFrame* back = AddFrameWith(MakeQuad(d3drm, 2, -2, -2, 2, 0.25f));
    EXPECT_EQ(ColorAt(Draw(), kCx, kCy).g, 0);
    ASSERT_EQ(back->AddRotation(D3DRMCOMBINE_AFTER, 0, 1, 0, 3.14159265f), D3DRM_OK);
    EXPECT_EQ(ColorAt(Draw(), kCx, kCy).g, 255);
}

TEST_F(RenderTest, FillModesDrawPointsEdgesOrAreas) {
    AddFrameWith(ColoredQuad(0, 1, 1, 1, 2));
    const int left = kCx - 16; // the quad's left edge: 2 units at distance 10 with field 0.5
    ASSERT_EQ(device->SetQuality(D3DRMLIGHT_OFF | D3DRMFILL_SOLID), D3DRM_OK);
    EXPECT_FALSE(IsBackground(Draw(), kCx, kCy));

    ASSERT_EQ(device->SetQuality(D3DRMLIGHT_OFF | D3DRMFILL_WIREFRAME), D3DRM_OK);
    const base::Image& wire = Draw();
    EXPECT_TRUE(IsBackground(wire, kCx, kCy));
    EXPECT_FALSE(IsBackground(wire, left - 1, kCy) && IsBackground(wire, left, kCy) &&
                 IsBackground(wire, left + 1, kCy));

    ASSERT_EQ(device->SetQuality(D3DRMLIGHT_OFF | D3DRMFILL_POINTS), D3DRM_OK);
    const base::Image& points = Draw();
    int lit = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            lit += !IsBackground(points, x, y);
    EXPECT_GE(lit, 1);
    EXPECT_LE(lit, 16);
}

TEST_F(RenderTest, DirectionalLightShinesAlongItsFramesZAndLightingOffShowsTheColour) {
    AddLights(0.1f, true); // the light frame starts with +z into the screen
    IDirect3DRMFrame* lightFrame = scene->Children().back();
    IDirect3DRMMeshBuilder* quad = ColoredQuad(0, 1, 1, 1); // normals computed from the face
    AddFrameWith(quad);
    EXPECT_EQ(ColorAt(Draw(), kCx, kCy).r, 255); // full light plus ambient, clamped
    ASSERT_EQ(lightFrame->SetOrientation(scene, 0, 0, -1, 0, 1, 0), D3DRM_OK);
    EXPECT_NEAR(ColorAt(Draw(), kCx, kCy).g, 26, 1); // from behind: ambient only
    ASSERT_EQ(lightFrame->SetOrientation(scene, 0, -0.8660254f, 0.5f, 0, 0, 1), D3DRM_OK);
    EXPECT_NEAR(ColorAt(Draw(), kCx, kCy).b, 153, 1); // cos 60 degrees + 0.1

    ASSERT_EQ(lightFrame->SetOrientation(scene, 0, 0, -1, 0, 1, 0), D3DRM_OK);
    ASSERT_EQ(quad->SetColorRGB(0.5f, 0.25f, 1), D3DRM_OK);
    EXPECT_NEAR(ColorAt(Draw(), kCx, kCy).r, 13, 1); // lit by the dim ambient light only
    ASSERT_EQ(device->SetQuality(D3DRMSHADE_GOURAUD | D3DRMLIGHT_OFF | D3DRMFILL_SOLID), D3DRM_OK);
    const Rgb c = ColorAt(Draw(), kCx, kCy);
    EXPECT_NEAR(c.r, 128, 1);
    EXPECT_NEAR(c.g, 64, 1);
    EXPECT_EQ(c.b, 255);
}

TEST_F(RenderTest, GouraudBlendsCornerLightFlatUsesTheFaceNormalAndMeshQualityWins) {
    AddLights(0.0f, true);
    // Left corners face the light (from the camera), right corners are edge-on to it.
    IDirect3DRMMeshBuilder* quad = nullptr;
    ASSERT_EQ(d3drm->CreateMeshBuilder(&quad), D3DRM_OK);
    D3DVECTOR v[4] = {{-2, -2, 0}, {-2, 2, 0}, {2, 2, 0}, {2, -2, 0}};
    D3DVECTOR n[2] = {{0, 0, -1}, {1, 0, 0}};
    DWORD data[] = {4, 0, 0, 1, 0, 2, 1, 3, 1, 0};
    ASSERT_EQ(quad->AddFaces(4, v, 2, n, data, nullptr), D3DRM_OK);
    AddFrameWith(quad);
    const base::Image& smooth = Draw();
    EXPECT_GT(ColorAt(smooth, kCx - 12, kCy).r, ColorAt(smooth, kCx + 12, kCy).r + 60);
    ASSERT_EQ(device->SetQuality(D3DRMRENDER_FLAT), D3DRM_OK);
    const base::Image& flat = Draw();
    EXPECT_EQ(ColorAt(flat, kCx - 12, kCy).r, 255);
    EXPECT_EQ(ColorAt(flat, kCx + 12, kCy).r, 255);

    // A flat mesh on a Gouraud device.
    ASSERT_EQ(device->SetQuality(D3DRMRENDER_GOURAUD), D3DRM_OK);
    ASSERT_EQ(quad->SetQuality((quad->GetQuality() & ~D3DRMSHADE_MASK) | D3DRMSHADE_FLAT),
              D3DRM_OK);
    const base::Image& image = Draw();
    EXPECT_EQ(ColorAt(image, kCx - 12, kCy).r, ColorAt(image, kCx + 12, kCy).r);
}

TEST_F(RenderTest, MonoDriverLightsInIntensityQuantisedToShades) {
    IDirect3DRMDevice* mono = nullptr;
    GUID guid = kDrivers[1].guid;
    ASSERT_EQ(kDrivers[1].colorModel, D3DCOLOR_MONO);
    ASSERT_EQ(d3drm->CreateDeviceFromClipper(clipper, &guid, kWidth, kHeight, &mono), D3DRM_OK);
    ASSERT_TRUE(mono->IsMono());
    ASSERT_EQ(mono->SetShades(4), D3DRM_OK);
    ASSERT_EQ(mono->SetQuality(D3DRMRENDER_GOURAUD), D3DRM_OK);
    UseDevice(mono);
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

TEST_F(RenderTest, SurfaceTexturesHaveVZeroAtTheTopRowAndShowChangesAfterChanged) {
    IDirectDrawSurface* surface = nullptr;
    IDirect3DRMTexture* texture = SurfaceTexture(&surface);
    texture->AddRef();
    AddTexturedQuad(texture, 0.5f);
    // v grows upward on the quad; v = 0 (bottom of the quad) shows the surface's top row.
    const base::Image& image = Draw();
    EXPECT_EQ(ColorAt(image, kCx, 5).b, 255);
    EXPECT_EQ(ColorAt(image, kCx, kHeight - 5).g, 0);
    EXPECT_NEAR(ColorAt(image, kCx, kHeight - 5).r, 128, 3); // the face colour modulates it
    for (uint32_t& p : surface->Pixels().pixels)
        p = 0xFF00FF00;
    EXPECT_EQ(ColorAt(Draw(), kCx, 5).b, 255); // not yet told
    ASSERT_EQ(texture->Changed(TRUE, FALSE), D3DRM_OK);
    EXPECT_EQ(ColorAt(Draw(), kCx, 5).g, 255);
    texture->Release();
    surface->Release();
}

TEST_F(RenderTest, BitmapTexturesHaveVZeroAtTheBottomRowAndBadFilesAreReported) {
    // 2 x 2, bottom-up: bottom row blue, top row red.
    const std::vector<uint8_t> file = bmptest::EncodeBmp(
        {.width = 2,
         .height = 2,
         .pixels = bmptest::PaddedRows({{255, 0, 0, 255, 0, 0}, {0, 0, 255, 0, 0, 255}})});
    const std::string path = TempPath("rm_v.bmp").string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), file.size());
    IDirect3DRMTexture* texture = nullptr;
    ASSERT_EQ(d3drm->LoadTexture(path.c_str(), &texture), D3DRM_OK);
    AddTexturedQuad(texture);
    const base::Image& image = Draw();
    EXPECT_EQ(ColorAt(image, kCx, 5).r, 255); // the picture stands upright
    EXPECT_EQ(ColorAt(image, kCx, kHeight - 5).b, 255);

    std::filesystem::remove(path);
    const std::string bad = TempPath("bad.bmp").string();
    std::ofstream(bad) << "not a bitmap";
    EXPECT_EQ(d3drm->LoadTexture(bad.c_str(), &texture), D3DRMERR_BADFILE);
    std::filesystem::remove(bad);
    texture = reinterpret_cast<IDirect3DRMTexture*>(1);
    EXPECT_EQ(d3drm->LoadTexture(path.c_str(), &texture), D3DRMERR_FILENOTFOUND);
    EXPECT_EQ(texture, nullptr);
    EXPECT_EQ(d3drm->LoadTexture(nullptr, &texture), D3DRMERR_BADVALUE);
}

TEST_F(RenderTest, BilinearFilteringBlendsNeighbouringTexels) {
    AddTexturedQuad(SurfaceTexture()); // red above blue, magnified 20 times
    auto mixedRows = [this]() {
        const base::Image& image = Draw();
        int mixed = 0;
        for (int y = 0; y < kHeight; ++y)
            mixed += ColorAt(image, kCx, y).r > 20 && ColorAt(image, kCx, y).b > 20;
        return mixed;
    };
    ASSERT_EQ(device->SetTextureQuality(D3DRMTEXTURE_NEAREST), D3DRM_OK);
    EXPECT_EQ(mixedRows(), 0);
    ASSERT_EQ(device->SetTextureQuality(D3DRMTEXTURE_LINEAR), D3DRM_OK);
    EXPECT_GT(mixedRows(), 5);
    EXPECT_EQ(device->SetTextureQuality(7), D3DRMERR_BADVALUE);
}

TEST_F(RenderTest, SixteenBitDisplaysShowFiveSixFiveColoursDitheredOrNot) {
    rm::SetDisplayDepth(16);
    IDirect3DRMDevice* shallow = nullptr;
    ASSERT_EQ(d3drm->CreateDeviceFromClipper(clipper, nullptr, kWidth, kHeight, &shallow),
              D3DRM_OK);
    rm::SetDisplayDepth(32);
    EXPECT_EQ(shallow->ColorDepth(), 16);
    ASSERT_EQ(shallow->SetQuality(D3DRMLIGHT_OFF | D3DRMFILL_SOLID), D3DRM_OK);
    UseDevice(shallow);
    AddFrameWith(ColoredQuad(0, 0.6f, 0.6f, 0.6f));
    auto levels = [this]() {
        const base::Image& image = Draw();
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
    const Rgb c = ColorAt(Draw(), kCx, kCy);
    // Every channel is a 5-6-5 level widened back to 8 bits; 153 itself is no 5-bit level.
    EXPECT_EQ(c.r, (c.r >> 3) << 3 | c.r >> 5);
    EXPECT_EQ(c.g, (c.g >> 2) << 2 | c.g >> 6);
    EXPECT_NEAR(c.r, 153, 8);
    EXPECT_NE(c.r, 153);
}

TEST_F(RenderTest, ClearUsesTheSceneBackgroundAndUpdateShowsItInTheClippersWindow) {
    int shown = 0;
    rm::SetWindowPresenter(&window, [&shown](const base::Image& image) {
        shown += image.width == kWidth && image.height == kHeight;
    });
    ASSERT_EQ(scene->SetSceneBackgroundRGB(0, 0, 1), D3DRM_OK);
    const Rgb c = ColorAt(Draw(), 0, 0);
    EXPECT_EQ(c.b, 255);
    EXPECT_EQ(c.r, 0);
    EXPECT_EQ(scene->GetSceneBackground(), 0x0000FFu);
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
