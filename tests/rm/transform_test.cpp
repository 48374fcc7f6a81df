// Frame transforms: combine orders, the rotation rule, positions and orientations relative to
// reference frames, SetRotation advanced by Move, and the drum of the reel builder turned to
// a stop's angle showing that stop, with the stop before it above.

#include <cmath>

#include "platform/rm/reference_scene.h"
#include "tests/rm/scene_test_support.h"

namespace {

constexpr float kHalfPi = 1.5707963f;

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
    }
    void TearDown() override {
        frame->Release();
        SceneTest::TearDown();
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

TEST_F(TransformTest, RotationsFollowTheRuleForEachAxis) {
    // About z +x turns toward +y; about x +y toward +z; about y +z toward +x.
    const float cases[3][9] = {
        {0, 0, 1, 1, 0, 0, 0, 1, 0}, {1, 0, 0, 0, 1, 0, 0, 0, 1}, {0, 1, 0, 0, 0, 1, 1, 0, 0}};
    for (const float* c : cases) {
        IDirect3DRMFrame* probe = Probe(frame, c[3], c[4], c[5]);
        ASSERT_EQ(frame->AddRotation(D3DRMCOMBINE_REPLACE, c[0], c[1], c[2], kHalfPi), D3DRM_OK);
        ExpectAt(probe, c[6], c[7], c[8]);
    }
}

TEST_F(TransformTest, CombineOrdersAndChildrenOnTopOfTheirParents) {
    IDirect3DRMFrame* probe = Probe(frame, 1, 0, 0);
    ASSERT_EQ(frame->AddTranslation(D3DRMCOMBINE_AFTER, 5, 0, 0), D3DRM_OK);
    ASSERT_EQ(frame->AddRotation(D3DRMCOMBINE_AFTER, 0, 0, 1, kHalfPi), D3DRM_OK);
    ExpectAt(probe, 0, 6, 0); // AFTER: (1,0,0) moved to (6,0,0), then turned to (0,6,0)
    ASSERT_EQ(frame->AddRotation(D3DRMCOMBINE_REPLACE, 0, 0, 1, kHalfPi), D3DRM_OK);
    ASSERT_EQ(frame->AddTranslation(D3DRMCOMBINE_BEFORE, 5, 0, 0), D3DRM_OK);
    ExpectAt(probe, 0, 6, 0); // BEFORE: translate first, then the turn
    ASSERT_EQ(frame->AddTranslation(D3DRMCOMBINE_REPLACE, 0, 0, 2), D3DRM_OK);
    ExpectAt(probe, 1, 0, 2);
    EXPECT_EQ(frame->AddTranslation(D3DRMCOMBINETYPE(7), 0, 0, 0), D3DRMERR_BADVALUE);

    IDirect3DRMFrame* child = NewFrame(frame);
    ASSERT_EQ(frame->AddTranslation(D3DRMCOMBINE_REPLACE, 0, 0, 3), D3DRM_OK);
    ASSERT_EQ(frame->AddRotation(D3DRMCOMBINE_BEFORE, 0, 0, 1, kHalfPi), D3DRM_OK);
    ASSERT_EQ(child->AddTranslation(D3DRMCOMBINE_AFTER, 2, 0, 0), D3DRM_OK);
    ExpectAt(child, 0, 2, 3);
    ExpectAt(child, 2, 0, 0, frame);
    child->Release();
}

TEST_F(TransformTest, PositionAndOrientationAreSetRelativeToTheReference) {
    IDirect3DRMFrame* child = NewFrame(frame);
    ASSERT_EQ(frame->AddTranslation(D3DRMCOMBINE_AFTER, 10, 0, 0), D3DRM_OK);
    ASSERT_EQ(child->SetPosition(scene, 1, 2, 3), D3DRM_OK);
    ExpectAt(child, 1, 2, 3);
    ASSERT_EQ(child->SetPosition(nullptr, 1, 2, 3), D3DRM_OK); // null: the parent
    ExpectAt(child, 11, 2, 3);
    // Looking along (0,-1,1) with up (0,0,1): the frame's +z points down and away.
    ASSERT_EQ(child->SetOrientation(scene, 0, -1, 1, 0, 0, 1), D3DRM_OK);
    ExpectAt(Probe(child, 0, 0, 1), 11, 2 - std::sqrt(0.5f), 3 + std::sqrt(0.5f));
    ExpectAt(child, 11, 2, 3); // orientation keeps the position
    EXPECT_EQ(child->SetOrientation(scene, 0, 0, 1, 0, 0, 2), D3DRMERR_BADVALUE);
    EXPECT_EQ(child->SetOrientation(scene, 0, 0, 0, 0, 1, 0), D3DRMERR_BADVALUE);
    child->Release();
}

TEST_F(TransformTest, SetRotationTurnsByItsAngleAtEveryMove) {
    ASSERT_EQ(frame->SetPosition(scene, 0, 0, 5), D3DRM_OK);
    IDirect3DRMFrame* probe = Probe(frame, 1, 0, 0);
    ASSERT_EQ(frame->SetRotation(nullptr, 0, 0, 1, kHalfPi / 2), D3DRM_OK);
    ASSERT_EQ(scene->Move(1.0f), D3DRM_OK); // moving the root moves everything below
    ASSERT_EQ(scene->Move(1.0f), D3DRM_OK);
    ExpectAt(probe, 0, 1, 5);
    ASSERT_EQ(scene->Move(2.0f), D3DRM_OK); // delta scales the angle
    ExpectAt(probe, -1, 0, 5);
    ASSERT_EQ(frame->SetRotation(nullptr, 0, 0, 0, 0), D3DRM_OK); // stops where it is
    ASSERT_EQ(scene->Move(1.0f), D3DRM_OK);
    ExpectAt(probe, -1, 0, 5);
}

// The drum, built as the reel builder builds it and hung as the machine scene hangs its
// reels, shows each stop on the camera's axis when turned to that stop's angle.
class DrumTest : public SceneTest {
protected:
    static constexpr int kStops = 20;

    void SetUp() override {
        SceneTest::SetUp();
        drum = rm::MakeDrum(kStops, 1.0, 1.5);
        IDirectDrawSurface* surface = MakeTextureSurface(64, 32 * kStops);
        surface->Pixels() = strip;
        IDirect3DRMTexture* texture = nullptr;
        ASSERT_EQ(d3drm->CreateTextureFromSurface(surface, &texture), D3DRM_OK);
        surface->Release();
        IDirect3DRMMeshBuilder* mesh = nullptr;
        ASSERT_EQ(d3drm->CreateMeshBuilder(&mesh), D3DRM_OK);
        ASSERT_EQ(rm::BuildDrumMesh(mesh, drum, texture), D3DRM_OK);
        texture->Release();
        IDirect3DRMFrame* reel = NewFrame(scene);
        drumFrame = AddFrameWith(mesh, reel);
        ASSERT_EQ(reel->AddRotation(D3DRMCOMBINE_AFTER, 0, 0, 1, 1.570795f), D3DRM_OK);
        ASSERT_EQ(reel->AddRotation(D3DRMCOMBINE_AFTER, 1, 0, 0, -1.570795f), D3DRM_OK);
        ASSERT_EQ(reel->AddTranslation(D3DRMCOMBINE_AFTER, 0.75f, 0, float(kStops / 6.28318)),
                  D3DRM_OK);
        reel->Release();
        ASSERT_EQ(camera->SetPosition(scene, 0, 0, -6), D3DRM_OK);
    }

    // Rotation keys of the stops' angles at times 0, 1, 2, ..., as a spin makes them.
    IDirect3DRMAnimation* Keys(std::initializer_list<int> stops) {
        IDirect3DRMAnimation* animation = nullptr;
        EXPECT_EQ(d3drm->CreateAnimation(&animation), D3DRM_OK);
        EXPECT_EQ(animation->SetOptions(D3DRMANIMATION_SCALEANDROTATION), D3DRM_OK);
        EXPECT_EQ(animation->SetFrame(drumFrame), D3DRM_OK);
        D3DVECTOR axis{0, 1, 0};
        float time = 0;
        for (int stop : stops) {
            D3DRMQUATERNION q;
            D3DRMQuaternionFromRotation(&q, &axis, float(drum.angles[size_t(stop % kStops)]));
            EXPECT_EQ(animation->AddRotateKey(time++, &q), D3DRM_OK);
        }
        EXPECT_EQ(animation->SetTime(0), D3DRM_OK);
        return animation;
    }
    void ShowStop(int stop) { Keys({stop})->Release(); }

    uint32_t Band(int stop) const { return strip.At(63, stop % kStops * 32) & 0xFFFFFF; }
    // Whether more than 5 pixels of a row show the stop's band colour.
    bool ShowsBand(const base::Image& image, int y, int stop) const {
        int count = 0;
        for (int x = 0; x < image.width; ++x)
            count += (image.At(x, y) & 0xFFFFFF) == Band(stop);
        return count > 5;
    }
    // The mean screen row of the pixels in the centre columns showing the stop's band.
    double BandRow(const base::Image& image, int stop) const {
        double sum = 0;
        int count = 0;
        for (int y = 0; y < image.height; ++y) {
            for (int x = image.width / 2 - 3; x < image.width / 2 + 3; ++x) {
                if ((image.At(x, y) & 0xFFFFFF) == Band(stop)) {
                    sum += y;
                    ++count;
                }
            }
        }
        return count > 0 ? sum / count : -1;
    }

    const base::Image strip = rm::MakeStopStrip(kStops, 32);
    rm::DrumGeometry drum;
    IDirect3DRMFrame* drumFrame = nullptr;
};

TEST_F(DrumTest, StopFacesTheCameraWithThePreviousStopAbove) {
    for (int stop : {0, 3, 10, 19}) {
        ShowStop(stop);
        const base::Image& image = Draw();
        // Neighbouring bands alternate colours, so each row names its stop.
        EXPECT_TRUE(ShowsBand(image, kCy, stop)) << stop;
        EXPECT_TRUE(ShowsBand(image, kCy - 9, stop + kStops - 1)) << "above " << stop;
        EXPECT_TRUE(ShowsBand(image, kCy + 9, stop + 1)) << "below " << stop;
    }
}

TEST_F(DrumTest, SymbolsMoveDownWhileTheKeysCountTheStopsDown) {
    for (int old : {7, 0}) {
        IDirect3DRMAnimation* animation = Keys({old, old - 1 + kStops, old - 2 + kStops});
        const double atStart = BandRow(Draw(), old);
        ASSERT_EQ(animation->SetTime(0.4f), D3DRM_OK);
        const double later = BandRow(Draw(), old);
        EXPECT_NEAR(atStart, kHeight / 2.0, 2) << old;
        EXPECT_GT(later, atStart + 3) << old;
        ASSERT_EQ(animation->SetTime(1), D3DRM_OK);
        EXPECT_NEAR(BandRow(Draw(), old + kStops - 1), kHeight / 2.0, 2);
        animation->Release();
    }
}

TEST_F(DrumTest, PictureIsUprightAndNotMirrored) {
    ShowStop(4); // five bars from the left, in the middle half of the band's height
    const base::Image& image = Draw();
    // The bars start at the picture's left edge: on screen the white is at the drum's left.
    int firstWhite = -1, lastWhite = -1, firstBand = -1, lastBand = -1;
    for (int x = 0; x < kWidth; ++x) {
        const uint32_t p = image.At(x, kCy) & 0xFFFFFF;
        if (p == 0)
            continue;
        int& first = p == 0xFFFFFF ? firstWhite : firstBand;
        int& last = p == 0xFFFFFF ? lastWhite : lastBand;
        first = first < 0 ? x : first;
        last = x;
    }
    ASSERT_GE(firstWhite, 0);
    EXPECT_LE(firstWhite - std::min(firstBand, firstWhite), 2);
    EXPECT_GT(lastBand, lastWhite + 5);
}

} // namespace
