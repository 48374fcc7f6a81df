// Picking: the visuals under a pixel, nearest first, each with the path of frames from the
// rendered root to its frame, whose application data reads back unchanged.

#include "tests/rm/scene_test_support.h"

namespace {

constexpr int kCx = SceneTest::kWidth / 2;
constexpr int kCy = SceneTest::kHeight / 2;

class PickTest : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        ASSERT_EQ(d3drm->CreateFrame(scene, &cabinet), D3DRM_OK);
        ASSERT_EQ(cabinet->AddTranslation(D3DRMCOMBINE_AFTER, 0, 0, 2), D3DRM_OK);
        back = MakeQuad(d3drm, -3, -3, 3, 3, 1);
        button = MakeQuad(d3drm, -1, -1, 1, 1, 0);
        back->AddRef();
        button->AddRef();
        backFrame = AddFrameWith(back, cabinet);
        buttonFrame = AddFrameWith(button, cabinet);
        ASSERT_EQ(buttonFrame->SetAppData(5), D3DRM_OK);
        Draw();
    }
    void TearDown() override {
        back->Release();
        button->Release();
        cabinet->Release();
        SceneTest::TearDown();
    }
    IDirect3DRMPickedArray* PickAt(int x, int y) {
        IDirect3DRMPickedArray* picked = nullptr;
        EXPECT_EQ(viewport->Pick(x, y, &picked), D3DRM_OK);
        return picked;
    }

    IDirect3DRMFrame* cabinet = nullptr;
    IDirect3DRMFrame* backFrame = nullptr;
    IDirect3DRMFrame* buttonFrame = nullptr;
    IDirect3DRMMeshBuilder* back = nullptr;
    IDirect3DRMMeshBuilder* button = nullptr;
};

TEST_F(PickTest, NearestVisualComesFirstWithItsFramePath) {
    IDirect3DRMPickedArray* picked = PickAt(kCx, kCy);
    ASSERT_EQ(picked->GetSize(), 2u);
    IDirect3DRMVisual* visual = nullptr;
    IDirect3DRMFrameArray* frames = nullptr;
    D3DRMPICKDESC desc{};
    ASSERT_EQ(picked->GetPick(0, &visual, &frames, &desc), D3DRM_OK);
    EXPECT_EQ(visual, button);
    EXPECT_NEAR(desc.vPosition.z, 12, 1e-3); // camera at -10, button at 2
    ASSERT_EQ(frames->GetSize(), 3u);
    IDirect3DRMFrame* path[3] = {};
    for (DWORD i = 0; i < 3; ++i)
        ASSERT_EQ(frames->GetElement(i, &path[i]), D3DRM_OK);
    EXPECT_EQ(path[0], scene);
    EXPECT_EQ(path[1], cabinet);
    EXPECT_EQ(path[2], buttonFrame);
    EXPECT_EQ(path[2]->GetAppData(), 5u);
    for (IDirect3DRMFrame* f : path)
        f->Release();
    IDirect3DRMFrame* none = nullptr;
    EXPECT_EQ(frames->GetElement(3, &none), D3DRMERR_BADVALUE);
    frames->Release();
    visual->Release();

    ASSERT_EQ(picked->GetPick(1, &visual, nullptr, nullptr), D3DRM_OK);
    EXPECT_EQ(visual, back);
    visual->Release();
    EXPECT_EQ(picked->GetPick(2, &visual, nullptr, nullptr), D3DRMERR_BADVALUE);
    EXPECT_EQ(visual, nullptr);
    picked->Release();
}

TEST_F(PickTest, FramesWithoutAppDataReadZero) {
    IDirect3DRMPickedArray* picked = PickAt(kCx + 16, kCy); // beside the button
    ASSERT_EQ(picked->GetSize(), 1u);
    IDirect3DRMFrameArray* frames = nullptr;
    ASSERT_EQ(picked->GetPick(0, nullptr, &frames, nullptr), D3DRM_OK);
    IDirect3DRMFrame* last = nullptr;
    ASSERT_EQ(frames->GetElement(frames->GetSize() - 1, &last), D3DRM_OK);
    EXPECT_EQ(last, backFrame);
    EXPECT_EQ(last->GetAppData(), 0u);
    last->Release();
    frames->Release();
    picked->Release();
}

TEST_F(PickTest, BackgroundAndOutsidePixelsPickNothing) {
    for (auto [x, y] : {std::pair{1, 1}, std::pair{-5, 10}, std::pair{kWidth, 0}}) {
        IDirect3DRMPickedArray* picked = PickAt(x, y);
        EXPECT_EQ(picked->GetSize(), 0u) << x << "," << y;
        picked->Release();
    }
    EXPECT_EQ(viewport->Pick(0, 0, nullptr), D3DRMERR_BADVALUE);
}

TEST_F(PickTest, PicksFollowTheFramesAndIgnoreBackFaces) {
    // Moved aside, the button no longer covers the centre.
    ASSERT_EQ(buttonFrame->AddTranslation(D3DRMCOMBINE_AFTER, 2.5f, 0, 0), D3DRM_OK);
    IDirect3DRMPickedArray* picked = PickAt(kCx, kCy);
    EXPECT_EQ(picked->GetSize(), 1u);
    picked->Release();
    // Turned away from the camera, the back panel is not hit either.
    ASSERT_EQ(backFrame->AddRotation(D3DRMCOMBINE_AFTER, 0, 1, 0, 3.14159265f), D3DRM_OK);
    picked = PickAt(kCx, kCy);
    EXPECT_EQ(picked->GetSize(), 0u);
    picked->Release();
}

TEST(PickBeforeRender, ViewportThatRenderedNothingPicksNothing) {
    IDirect3DRM* d3drm = nullptr;
    ASSERT_EQ(Direct3DRMCreate(&d3drm), D3DRM_OK);
    IDirectDrawClipper* clipper = nullptr;
    ASSERT_EQ(DirectDrawCreateClipper(0, &clipper, nullptr), DD_OK);
    IDirect3DRMFrame* camera = nullptr;
    ASSERT_EQ(d3drm->CreateFrame(nullptr, &camera), D3DRM_OK);
    IDirect3DRMDevice* device = nullptr;
    ASSERT_EQ(d3drm->CreateDeviceFromClipper(clipper, nullptr, 10, 10, &device), D3DRM_OK);
    IDirect3DRMViewport* viewport = nullptr;
    ASSERT_EQ(d3drm->CreateViewport(device, camera, 0, 0, 10, 10, &viewport), D3DRM_OK);
    IDirect3DRMPickedArray* picked = nullptr;
    ASSERT_EQ(viewport->Pick(5, 5, &picked), D3DRM_OK);
    EXPECT_EQ(picked->GetSize(), 0u);
    for (IUnknown* o :
         std::initializer_list<IUnknown*>{picked, viewport, device, camera, clipper, d3drm})
        o->Release();
}

} // namespace
