// Frame transforms: the rotation rule and combine orders; and the drum of the reel builder
// turned by rotation keys to a stop's angle, showing that stop with the stop before it above.

#include <cmath>

#include "platform/rm/reference_scene.h"
#include "tests/rm/scene_test_support.h"

namespace {

constexpr float kPi = 3.14159265f, kHalfPi = kPi / 2;

void ExpectAt(IDirect3DRMFrame* frame, float x, float y, float z,
              IDirect3DRMFrame* reference = nullptr) {
    D3DVECTOR p{};
    ASSERT_EQ(frame->GetPosition(reference != nullptr ? reference : frame->Root(), &p), D3DRM_OK);
    EXPECT_NEAR(p.x, x, 1e-4);
    EXPECT_NEAR(p.y, y, 1e-4);
    EXPECT_NEAR(p.z, z, 1e-4);
}

class TransformTest : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        frame = NewFrame(scene);
        frame->Release(); // the scene holds it
    }
    // A child at (x, y, z) in its parent: its world position shows where that point went.
    IDirect3DRMFrame* Probe(IDirect3DRMFrame* parent, float x, float y, float z) {
        IDirect3DRMFrame* probe = NewFrame(parent);
        EXPECT_EQ(probe->SetPosition(parent, x, y, z), D3DRM_OK);
        probe->Release();
        return probe;
    }
    IDirect3DRMFrame* frame = nullptr;
};

TEST_F(TransformTest, RotationRuleAndCombineOrders) {
    // About z +x turns toward +y; about x +y toward +z; about y +z toward +x.
    const float cases[3][9] = {
        {0, 0, 1, 1, 0, 0, 0, 1, 0}, {1, 0, 0, 0, 1, 0, 0, 0, 1}, {0, 1, 0, 0, 0, 1, 1, 0, 0}};
    for (const float* c : cases) {
        IDirect3DRMFrame* probe = Probe(frame, c[3], c[4], c[5]);
        ASSERT_EQ(frame->AddRotation(D3DRMCOMBINE_REPLACE, c[0], c[1], c[2], kHalfPi), D3DRM_OK);
        ExpectAt(probe, c[6], c[7], c[8]);
    }
    IDirect3DRMFrame* probe = Probe(frame, 1, 0, 0);
    ASSERT_EQ(frame->AddTranslation(D3DRMCOMBINE_REPLACE, 5, 0, 0), D3DRM_OK);
    ASSERT_EQ(frame->AddRotation(D3DRMCOMBINE_AFTER, 0, 0, 1, kHalfPi), D3DRM_OK);
    ExpectAt(probe, 0, 6, 0); // AFTER: (1,0,0) moved to (6,0,0), then turned to (0,6,0)
    ASSERT_EQ(frame->AddRotation(D3DRMCOMBINE_REPLACE, 0, 0, 1, kHalfPi), D3DRM_OK);
    ASSERT_EQ(frame->AddTranslation(D3DRMCOMBINE_BEFORE, 5, 0, 0), D3DRM_OK);
    ExpectAt(probe, 0, 6, 0); // BEFORE: translate first, then the turn
    EXPECT_EQ(frame->AddTranslation(D3DRMCOMBINETYPE(7), 0, 0, 0), D3DRMERR_BADVALUE);
    ExpectAt(probe, 1, 0, 0, frame);
}

// The drum, built as the reel builder builds it and hung as the machine scene hangs its
// reels, shows each stop on the camera's axis when turned to that stop's angle.
class DrumTest : public TransformTest {
protected:
    static constexpr int kStops = 20;

    void SetUp() override {
        TransformTest::SetUp();
        IDirectDrawSurface* surface = MakeTextureSurface(64, 32 * kStops);
        surface->Pixels() = strip;
        IDirect3DRMTexture* texture = nullptr;
        ASSERT_EQ(d3drm->CreateTextureFromSurface(surface, &texture), D3DRM_OK);
        surface->Release();
        IDirect3DRMMeshBuilder* mesh = nullptr;
        ASSERT_EQ(d3drm->CreateMeshBuilder(&mesh), D3DRM_OK);
        ASSERT_EQ(rm::BuildDrumMesh(mesh, drum, texture), D3DRM_OK);
        texture->Release();
        drumFrame = AddFrameWith(mesh, frame);
        ASSERT_EQ(frame->AddRotation(D3DRMCOMBINE_AFTER, 0, 0, 1, 1.570795f), D3DRM_OK);
        ASSERT_EQ(frame->AddRotation(D3DRMCOMBINE_AFTER, 1, 0, 0, -1.570795f), D3DRM_OK);
        ASSERT_EQ(frame->AddTranslation(D3DRMCOMBINE_AFTER, 0.75f, 0, float(kStops / 6.28318)),
                  D3DRM_OK);
        ASSERT_EQ(camera->SetPosition(scene, 0, 0, -6), D3DRM_OK);
    }
    // The stops' angles as rotation keys at times 0, 1, 2, ..., as a spin makes them.
    IDirect3DRMAnimation* Stops(std::initializer_list<int> stops) {
        IDirect3DRMAnimation* animation = nullptr;
        EXPECT_EQ(d3drm->CreateAnimation(&animation), D3DRM_OK);
        EXPECT_EQ(animation->SetOptions(D3DRMANIMATION_SCALEANDROTATION), D3DRM_OK);
        EXPECT_EQ(animation->SetFrame(drumFrame), D3DRM_OK);
        float time = 0;
        for (int stop : stops) {
            D3DVECTOR axis{0, 1, 0};
            D3DRMQUATERNION q;
            D3DRMQuaternionFromRotation(&q, &axis, float(drum.angles[size_t(stop % kStops)]));
            EXPECT_EQ(animation->AddRotateKey(time++, &q), D3DRM_OK);
        }
        EXPECT_EQ(animation->SetTime(0), D3DRM_OK);
        return animation;
    }
    uint32_t Band(int stop) const { return strip.At(63, stop % kStops * 32) & 0xFFFFFF; }
    // Whether more than 5 pixels of a row show the stop's band colour.
    bool ShowsBand(const base::Image& image, int y, int stop) const {
        int count = 0;
        for (int x = 0; x < image.width; ++x)
            count += (image.At(x, y) & 0xFFFFFF) == Band(stop);
        return count > 5;
    }
    const base::Image strip = rm::MakeStopStrip(kStops, 32);
    rm::DrumGeometry drum = rm::MakeDrum(kStops, 1.0, 1.5);
    IDirect3DRMFrame* drumFrame = nullptr;
};

TEST_F(DrumTest, StopFacesTheCameraWithThePreviousStopAboveAndSymbolsMoveDown) {
    for (int stop : {0, 3, 19}) {
        Stops({stop})->Release();
        const base::Image& image = Draw();
        // Neighbouring bands alternate colours, so each row names its stop.
        EXPECT_TRUE(ShowsBand(image, kCy, stop)) << stop;
        EXPECT_TRUE(ShowsBand(image, kCy - 9, stop + kStops - 1)) << "above " << stop;
        EXPECT_TRUE(ShowsBand(image, kCy + 9, stop + 1)) << "below " << stop;
    }
    // Keys counting the stops down, as a spin makes them, also across stop 0 the short way:
    // a little later the stop has moved down by less than a band.
    for (int old : {7, 0}) {
        IDirect3DRMAnimation* animation = Stops({old, old - 1 + kStops, old - 2 + kStops});
        ASSERT_EQ(animation->SetTime(0.4f), D3DRM_OK);
        EXPECT_TRUE(ShowsBand(Draw(), kCy + 9, old)) << old;
        ASSERT_EQ(animation->SetTime(1), D3DRM_OK);
        EXPECT_TRUE(ShowsBand(Draw(), kCy, old + kStops - 1)) << old;
        animation->Release();
    }
}

} // namespace
