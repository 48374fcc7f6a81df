// Picking: the visuals under a pixel, nearest first, each with the path of frames from the
// rendered root to its frame, whose application data reads back unchanged.

#include "tests/rm/scene_test_support.h"

namespace {

class PickTest : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        cabinet = NewFrame(scene);
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

TEST_F(PickTest, NearestVisualComesFirstWithItsFramePathAndAppData) {
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
    EXPECT_EQ(path[1]->GetAppData(), 0u); // never set
    for (IDirect3DRMFrame* f : path)
        f->Release();
    IDirect3DRMFrame* none = nullptr;
    EXPECT_EQ(frames->GetElement(3, &none), D3DRMERR_BADVALUE);
    frames->Release();
    visual->Release();

    ASSERT_EQ(picked->GetPick(1, &visual, &frames, nullptr), D3DRM_OK);
    EXPECT_EQ(visual, back);
    ASSERT_EQ(frames->GetElement(2, &none), D3DRM_OK);
    EXPECT_EQ(none, backFrame);
    none->Release();
    frames->Release();
    visual->Release();
    EXPECT_EQ(picked->GetPick(2, &visual, nullptr, nullptr), D3DRMERR_BADVALUE);
    EXPECT_EQ(visual, nullptr);
    picked->Release();
}

TEST_F(PickTest, BackgroundOutsideMovedAndBackFacingVisualsAreNotPicked) {
    for (auto [x, y] : {std::pair{1, 1}, std::pair{-5, 10}, std::pair{kWidth, 0}}) {
        IDirect3DRMPickedArray* picked = PickAt(x, y);
        EXPECT_EQ(picked->GetSize(), 0u) << x << "," << y;
        picked->Release();
    }
    EXPECT_EQ(viewport->Pick(0, 0, nullptr), D3DRMERR_BADVALUE);
    // Moved aside, the button no longer covers the centre; turned away, the back panel neither.
    ASSERT_EQ(buttonFrame->AddTranslation(D3DRMCOMBINE_AFTER, 2.5f, 0, 0), D3DRM_OK);
    IDirect3DRMPickedArray* picked = PickAt(kCx, kCy);
    EXPECT_EQ(picked->GetSize(), 1u);
    picked->Release();
    ASSERT_EQ(backFrame->AddRotation(D3DRMCOMBINE_AFTER, 0, 1, 0, 3.14159265f), D3DRM_OK);
    picked = PickAt(kCx, kCy);
    EXPECT_EQ(picked->GetSize(), 0u);
    picked->Release();
}

using PickBeforeRender = SceneTest;

TEST_F(PickBeforeRender, ViewportThatRenderedNothingPicksNothing) {
    AddFrameWith(MakeQuad(d3drm, -3, -3, 3, 3, 0));
    IDirect3DRMPickedArray* picked = nullptr;
    ASSERT_EQ(viewport->Pick(kCx, kCy, &picked), D3DRM_OK);
    EXPECT_EQ(picked->GetSize(), 0u);
    picked->Release();
}

} // namespace
