// Rendering a scene with real pixels: depth, culling and the fill the qualities choose,
// shading, texture orientation of bitmap and surface textures, and what Update shows.

#include "tests/common/test_support.h"
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "tests/platform/base/bmp_writer.h"
#include "tests/platform/rm/scene_test_support.h"

namespace {

using RenderTest = SceneTest;

TEST_F(RenderTest, NearerFacesHideFartherOnesBackFacesAreCulledAndQualityChoosesTheFill) {
    IDirect3DRMMeshBuilder* red = MakeQuad(d3drm, -2, -2, 2, 2, 1);
    IDirect3DRMMeshBuilder* blue = MakeQuad(d3drm, -0.5f, -0.5f, 0.5f, 0.5f, 0.5f);
    ASSERT_EQ(red->SetColorRGB(1, 0, 0) | blue->SetColorRGB(0, 0, 1), D3DRM_OK);
    AddFrameWith(red);
    AddFrameWith(blue);
    IDirect3DRMFrame* back = AddFrameWith(MakeQuad(d3drm, 2, -2, -2, 2, 0.25f)); // white
    const base::Image& image = Draw();
    EXPECT_EQ(ColorAt(image, CENTER_X, CENTER_Y).b, 255);      // the nearest front face
    EXPECT_EQ(ColorAt(image, CENTER_X + 10, CENTER_Y).r, 255); // the red one around it
    ASSERT_EQ(back->AddRotation(D3DRMCOMBINE_AFTER, 0, 1, 0, 3.14159265f), D3DRM_OK);
    EXPECT_EQ(ColorAt(Draw(), CENTER_X, CENTER_Y).g, 255); // turned half round it faces the camera

    ASSERT_EQ(device->SetQuality(D3DRMLIGHT_OFF | D3DRMFILL_WIREFRAME), D3DRM_OK);
    EXPECT_EQ(ColorAt(Draw(), CENTER_X, CENTER_Y).b, 0);
    ASSERT_EQ(device->SetQuality(D3DRMLIGHT_OFF | D3DRMFILL_POINTS), D3DRM_OK);
    const std::vector<uint32_t>& points = Draw().pixels; // the quads' twelve corners at most
    const auto lit =
        std::count_if(points.begin(), points.end(), [](uint32_t p) { return p & 0xFFFFFF; });
    EXPECT_GE(lit, 1);
    EXPECT_LE(lit, 12);
}

TEST_F(RenderTest, GouraudBlendsTheLightOfTheCornersFlatLightsByTheFaceNormal) {
    ASSERT_EQ(device->SetQuality(D3DRMRENDER_GOURAUD), D3DRM_OK);
    rm::RefPtr<IDirect3DRMLight> light; // shining along the scene's +z, into the screen
    ASSERT_EQ(d3drm->CreateLightRGB(D3DRMLIGHT_DIRECTIONAL, 1, 1, 1, light.Out()), D3DRM_OK);
    ASSERT_EQ(scene->AddLight(light), D3DRM_OK);
    // Left corners face the light (from the camera), right corners are edge-on to it.
    IDirect3DRMMeshBuilder* quad = nullptr;
    ASSERT_EQ(d3drm->CreateMeshBuilder(&quad), D3DRM_OK);
    D3DVECTOR v[4] = {{-2, -2, 0}, {-2, 2, 0}, {2, 2, 0}, {2, -2, 0}};
    D3DVECTOR n[2] = {{0, 0, -1}, {1, 0, 0}};
    DWORD data[] = {4, 0, 0, 1, 0, 2, 1, 3, 1, 0};
    ASSERT_EQ(quad->AddFaces(4, v, 2, n, data, nullptr), D3DRM_OK);
    AddFrameWith(quad);
    const base::Image& smooth = Draw();
    EXPECT_GT(ColorAt(smooth, CENTER_X - 12, CENTER_Y).r,
              ColorAt(smooth, CENTER_X + 12, CENTER_Y).r + 60);
    // A flat mesh on a Gouraud device is lit by its face's normal alone.
    ASSERT_EQ(quad->SetQuality(D3DRMSHADE_FLAT | D3DRMLIGHT_ON | D3DRMFILL_SOLID), D3DRM_OK);
    EXPECT_EQ(ColorAt(Draw(), CENTER_X + 12, CENTER_Y).r, 255);
}

TEST_F(RenderTest, SurfaceTexturesHaveVZeroAtTheTopBitmapFilesAtTheBottom) {
    // A whole-viewport quad textured from u,v = 0 at its lower left to 1 at its upper right.
    auto addTexturedQuad = [this](IDirect3DRMTexture* texture, float z) {
        IDirect3DRMMeshBuilder* quad = MakeQuad(d3drm, -8, -8, 8, 8, z);
        const auto face = rm::RefPtr<IDirect3DRMFace>::Adopt(FaceOf(quad));
        ASSERT_EQ(face->SetTexture(texture), D3DRM_OK);
        const float uv[4][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
        for (DWORD i = 0; i < 4; ++i)
            ASSERT_EQ(face->SetTextureCoordinates(i, uv[i][0], uv[i][1]), D3DRM_OK);
        AddFrameWith(quad);
    };
    // A 4 x 4 surface, upper half red and lower half blue.
    const auto surface = rm::RefPtr<IDirectDrawSurface>::Adopt(MakeTextureSurface(4, 4));
    for (int i = 0; i < 16; ++i)
        surface->Pixels().pixels[i] = i < 8 ? 0xFFFF0000 : 0xFF0000FF;
    rm::RefPtr<IDirect3DRMTexture> texture;
    ASSERT_EQ(d3drm->CreateTextureFromSurface(surface, texture.Out()), D3DRM_OK);
    addTexturedQuad(texture, 0);
    EXPECT_EQ(ColorAt(Draw(), CENTER_X, 5).b, 255); // v grows upward: the top row at the bottom
    ASSERT_EQ(device->SetTextureQuality(D3DRMTEXTURE_LINEAR), D3DRM_OK);
    EXPECT_GT(ColorAt(Draw(), CENTER_X, CENTER_Y).r,
              60); // bilinear blends red and blue in the middle
    EXPECT_GT(ColorAt(Draw(), CENTER_X, CENTER_Y).b, 60);
    for (uint32_t& p : surface->Pixels().pixels)
        p = 0xFF00FF00;
    EXPECT_EQ(ColorAt(Draw(), CENTER_X, 5).b, 255); // not yet told
    ASSERT_EQ(texture->Changed(TRUE, FALSE), D3DRM_OK);
    EXPECT_EQ(ColorAt(Draw(), CENTER_X, 5).g, 255);

    // 2 x 2, bottom-up: bottom row blue, top row red; in front of the surface's quad.
    ASSERT_EQ(device->SetTextureQuality(D3DRMTEXTURE_NEAREST), D3DRM_OK);
    const std::vector<uint8_t> file = bmptest::EncodeBmp(
        {.width = 2,
         .height = 2,
         .pixels = bmptest::PaddedRows({{255, 0, 0, 255, 0, 0}, {0, 0, 255, 0, 0, 255}})});
    const std::string path = TempPath("rm_v.bmp").string();
    WriteFile(path, file);
    ASSERT_EQ(d3drm->LoadTexture(path.c_str(), texture.Out()), D3DRM_OK);
    std::filesystem::remove(path);
    addTexturedQuad(texture, -1);
    const base::Image& image = Draw();
    EXPECT_EQ(ColorAt(image, CENTER_X, 5).r, 255); // the picture stands upright
    EXPECT_EQ(ColorAt(image, CENTER_X, HEIGHT - 5).b, 255);
    EXPECT_EQ(d3drm->LoadTexture(path.c_str(), texture.Out()), D3DRMERR_FILENOTFOUND);
    std::ofstream(path) << "not a bitmap";
    EXPECT_EQ(d3drm->LoadTexture(path.c_str(), texture.Out()), D3DRMERR_BADFILE);
    std::filesystem::remove(path);
}

// Records where each frame is drawn.
struct TargetTap : rm::raster::DrawTap {
    const uint32_t* color = nullptr;
    void Cleared(const rm::raster::RenderTarget& target, const rm::raster::Projection&,
                 uint32_t) override {
        color = target.color;
    }
    void Polygon(const rm::raster::RenderTarget&, const rm::raster::Projection&,
                 const rm::raster::Vertex*, int, const rm::raster::PolygonStyle&) override {}
};

// Update hands the window the very pixels the frame was drawn into, and never draws over a
// picture that someone still holds.
TEST_F(RenderTest, ClearUsesTheSceneBackgroundAndUpdateHandsTheFrameToTheClippersWindow) {
    base::Picture held;
    rm::SetWindowPresenter(
        &window,
        {.show = [&held](const base::Picture& picture) { held = picture; }, .lend = nullptr});
    TargetTap tap;
    viewport->SetDrawTap(&tap);
    ASSERT_EQ(scene->SetSceneBackgroundRGB(0, 0, 1), D3DRM_OK);
    Draw();
    ASSERT_TRUE(held);
    EXPECT_EQ(held.get(), &device->LastImage());
    EXPECT_EQ(held->pixels.data(), tap.color);
    const base::Picture blue = held;
    ASSERT_EQ(scene->SetSceneBackgroundRGB(1, 0, 0), D3DRM_OK);
    Draw();
    Draw();
    EXPECT_NE(tap.color, blue->pixels.data());
    EXPECT_EQ(blue->At(0, 0) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(held->At(0, 0) & 0xFFFFFF, 0xFF0000u);
    viewport->SetDrawTap(nullptr);
    rm::SetWindowPresenter(&window, {});
}

// A window that lends its pixels has the frame drawn into them and is told to show them. The
// background the device skips must be there: pixels not kept are cleared whole.
TEST_F(RenderTest, AFrameIsDrawnIntoTheWindowsLentPixelsAndFillsWhatTheyDoNotKeep) {
    std::vector<uint32_t> canvas(WIDTH * HEIGHT, 0x12345678u);
    bool kept = false;
    int lendWidth = WIDTH;
    std::vector<bool> shown; // true: a picture, false: the lent pixels
    rm::SetWindowPresenter(&window,
                           {.show = [&](const base::Picture& p) { shown.push_back(bool(p)); },
                            .lend =
                                [&](int width, int height) {
                                    if (width != lendWidth || height != HEIGHT)
                                        return rm::Canvas{};
                                    return rm::Canvas{.pixels = canvas.data(), .kept = kept};
                                }});
    TargetTap tap;
    viewport->SetDrawTap(&tap);
    ASSERT_EQ(scene->SetSceneBackgroundRGB(0, 0, 1), D3DRM_OK);
    IDirect3DRMMeshBuilder* quad = MakeQuad(d3drm, -0.5f, -0.5f, 0.5f, 0.5f, 0);
    ASSERT_EQ(quad->SetColorRGB(1, 0, 0), D3DRM_OK);
    IDirect3DRMFrame* frame = AddFrameWith(quad);
    const uint32_t* own = device->LastImage().pixels.data();
    const auto colorAt = [&](int x, int y) { return canvas[size_t(y) * WIDTH + x] & 0xFFFFFFu; };
    const auto frameHolds = [&](uint32_t middle) {
        const bool noGarbage =
            std::none_of(canvas.begin(), canvas.end(), [](uint32_t p) { return p == 0x12345678u; });
        return noGarbage && colorAt(0, 0) == 0x0000FFu && colorAt(CENTER_X, CENTER_Y) == middle;
    };
    Draw();
    EXPECT_TRUE(frameHolds(0xFF0000u));
    // A paint shows the lent pixels again, not the device's older picture.
    rm::RefPtr<IDirect3DRMWinDevice> windowDevice;
    ASSERT_EQ(device->QueryInterface(IID_IDirect3DRMWinDevice,
                                     reinterpret_cast<void**>(windowDevice.Out())),
              D3DRM_OK);
    ASSERT_EQ(windowDevice->HandlePaint(nullptr), D3DRM_OK);
    EXPECT_EQ(std::tuple(tap.color, shown, device->LastImage().pixels.data()),
              std::tuple(canvas.data(), std::vector<bool>{false, false}, own));
    // Kept: the quad's pixels are given the background back when it goes.
    kept = true;
    ASSERT_EQ(frame->DeleteVisual(quad), D3DRM_OK);
    Draw();
    EXPECT_TRUE(frameHolds(0x0000FFu));
    // Not kept: whatever the window put there is drawn over.
    kept = false;
    std::fill(canvas.begin(), canvas.end(), 0x12345678u);
    Draw();
    EXPECT_TRUE(frameHolds(0x0000FFu));
    // None lent for this size: the device's own picture is shown.
    lendWidth = WIDTH + 1;
    shown.clear();
    canvas.assign(canvas.size(), 0);
    Draw();
    EXPECT_EQ(std::tuple(shown, canvas[0], ColorAt(device->LastImage(), 0, 0).b),
              std::tuple(std::vector<bool>{true}, 0u, 255));
    viewport->SetDrawTap(nullptr);
    rm::SetWindowPresenter(&window, {});
}

} // namespace
