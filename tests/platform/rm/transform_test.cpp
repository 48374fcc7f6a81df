// Frame transforms: the rotation rule and combine orders; and the drum of the reel builder
// turned by rotation keys to a stop's angle, showing that stop with the stop before it above.

#include <algorithm>

#include "platform/rm/reference_scene.h"
#include "tests/platform/rm/scene_test_support.h"

namespace {

constexpr float HALF_PI = 1.5707963f;

using TransformTest = SceneTest;

TEST_F(TransformTest, CombineOrdersAndTheRotationRuleAboutZ) {
    const auto frame = rm::RefPtr<IDirect3DRMFrame>::Adopt(NewFrame(scene));
    // Shows where (1, 0, 0) of the frame goes.
    const auto probe = rm::RefPtr<IDirect3DRMFrame>::Adopt(NewFrame(frame));
    ASSERT_EQ(probe->SetPosition(frame, 1, 0, 0), D3DRM_OK);
    D3DVECTOR p{};
    ASSERT_EQ(frame->AddTranslation(D3DRMCOMBINE_REPLACE, 5, 0, 0), D3DRM_OK);
    ASSERT_EQ(frame->AddRotation(D3DRMCOMBINE_AFTER, 0, 0, 1, HALF_PI), D3DRM_OK);
    ASSERT_EQ(probe->GetPosition(scene, &p), D3DRM_OK);
    EXPECT_NEAR(p.y, 6, 1e-4); // AFTER: moved to (6,0,0), then turned +x toward +y
    ASSERT_EQ(frame->AddRotation(D3DRMCOMBINE_REPLACE, 0, 0, 1, HALF_PI), D3DRM_OK);
    ASSERT_EQ(frame->AddTranslation(D3DRMCOMBINE_BEFORE, 5, 0, 0), D3DRM_OK);
    ASSERT_EQ(probe->GetPosition(scene, &p), D3DRM_OK);
    EXPECT_NEAR(p.y, 6, 1e-4); // BEFORE: translated first, then the turn
}

// The drum, built as the reel builder builds it and hung as the machine scene hangs its
// reels, shows each stop on the camera's axis when turned to that stop's angle.
class DrumTest : public SceneTest {
protected:
    static constexpr int STOPS = 20;

    void SetUp() override {
        SceneTest::SetUp();
        const auto frame = rm::RefPtr<IDirect3DRMFrame>::Adopt(NewFrame(scene)); // the reel
        const auto surface =
            rm::RefPtr<IDirectDrawSurface>::Adopt(MakeTextureSurface(64, 32 * STOPS));
        surface->Pixels() = strip;
        rm::RefPtr<IDirect3DRMTexture> texture;
        ASSERT_EQ(d3drm->CreateTextureFromSurface(surface, texture.Out()), D3DRM_OK);
        IDirect3DRMMeshBuilder* mesh = nullptr;
        ASSERT_EQ(d3drm->CreateMeshBuilder(&mesh), D3DRM_OK);
        ASSERT_EQ(rm::BuildDrumMesh(mesh, drum, texture), D3DRM_OK);
        drumFrame = AddFrameWith(mesh, frame);
        ASSERT_EQ(frame->AddRotation(D3DRMCOMBINE_AFTER, 0, 0, 1, 1.570795f), D3DRM_OK);
        ASSERT_EQ(frame->AddRotation(D3DRMCOMBINE_AFTER, 1, 0, 0, -1.570795f), D3DRM_OK);
        ASSERT_EQ(frame->AddTranslation(D3DRMCOMBINE_AFTER, 0.75f, 0, float(STOPS / 6.28318)),
                  D3DRM_OK);
        ASSERT_EQ(camera->SetPosition(scene, 0, 0, -6), D3DRM_OK);
    }
    // The stops' angles as rotation keys at times 0, 1, 2, ..., as a spin makes them.
    rm::RefPtr<IDirect3DRMAnimation> Stops(std::initializer_list<int> stops) {
        rm::RefPtr<IDirect3DRMAnimation> animation;
        EXPECT_EQ(d3drm->CreateAnimation(animation.Out()), D3DRM_OK);
        EXPECT_EQ(animation->SetOptions(D3DRMANIMATION_SCALEANDROTATION), D3DRM_OK);
        EXPECT_EQ(animation->SetFrame(drumFrame), D3DRM_OK);
        float time = 0;
        for (int stop : stops) {
            D3DVECTOR axis{0, 1, 0};
            D3DRMQUATERNION q;
            D3DRMQuaternionFromRotation(&q, &axis, float(drum.angles[size_t(stop % STOPS)]));
            EXPECT_EQ(animation->AddRotateKey(time++, &q), D3DRM_OK);
        }
        EXPECT_EQ(animation->SetTime(0), D3DRM_OK);
        return animation;
    }
    // Whether more than 5 pixels of a row show the stop's band colour.
    bool ShowsBand(const base::Image& image, int y, int stop) const {
        const uint32_t band = strip.At(63, stop % STOPS * 32) & 0xFFFFFF;
        return std::count_if(image.pixels.begin() + y * image.width,
                             image.pixels.begin() + (y + 1) * image.width,
                             [band](uint32_t p) { return (p & 0xFFFFFF) == band; }) > 5;
    }
    const base::Image strip = rm::MakeStopStrip(STOPS, 32);
    rm::DrumGeometry drum = rm::MakeDrum(STOPS, 1.0, 1.5);
    IDirect3DRMFrame* drumFrame = nullptr;
};

TEST_F(DrumTest, StopFacesTheCameraWithThePreviousStopAboveAndSymbolsMoveDown) {
    for (int stop : {0, 3, 19}) {
        Stops({stop});
        const base::Image& image = Draw();
        // Neighbouring bands alternate colours, so each row names its stop.
        EXPECT_TRUE(ShowsBand(image, CENTER_Y, stop)) << stop;
        EXPECT_TRUE(ShowsBand(image, CENTER_Y - 9, stop + STOPS - 1)) << "above " << stop;
        EXPECT_TRUE(ShowsBand(image, CENTER_Y + 9, stop + 1)) << "below " << stop;
    }
    // Keys counting the stops down, as a spin makes them, also across stop 0 the short way:
    // a little later the stop has moved down by less than a band.
    for (int old : {7, 0}) {
        const auto animation = Stops({old, old - 1 + STOPS, old - 2 + STOPS});
        ASSERT_EQ(animation->SetTime(0.4f), D3DRM_OK);
        EXPECT_TRUE(ShowsBand(Draw(), CENTER_Y + 9, old)) << old;
        ASSERT_EQ(animation->SetTime(1), D3DRM_OK);
        EXPECT_TRUE(ShowsBand(Draw(), CENTER_Y, old + STOPS - 1)) << old;
    }
}

} // namespace
