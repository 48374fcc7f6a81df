// Frame transforms: combine orders, the rotation rule, positions and orientations relative to
// reference frames, SetRotation advanced by Move, and the drum of the reel builder turned to
// a stop's angle showing that stop, with the stop before it above.

#include <cmath>

#include "platform/rm/reference_scene.h"
#include "tests/rm/scene_test_support.h"

namespace {

constexpr float kHalfPi = 1.5707963f;

D3DVECTOR WorldPosition(IDirect3DRMFrame* frame) {
    D3DVECTOR p{};
    EXPECT_EQ(frame->GetPosition(frame->Root(), &p), D3DRM_OK);
    return p;
}

#define EXPECT_VEC(v, ex, ey, ez)                                                                  \
    do {                                                                                           \
        EXPECT_NEAR((v).x, ex, 1e-4);                                                              \
        EXPECT_NEAR((v).y, ey, 1e-4);                                                              \
        EXPECT_NEAR((v).z, ez, 1e-4);                                                              \
    } while (0)

class TransformTest : public SceneTest {
protected:
    // A child one unit along the parent's x: its world position shows where x points.
    IDirect3DRMFrame* Probe(IDirect3DRMFrame* parent, float x, float y, float z) {
        IDirect3DRMFrame* probe = nullptr;
        EXPECT_EQ(d3drm->CreateFrame(parent, &probe), D3DRM_OK);
        EXPECT_EQ(probe->SetPosition(parent, x, y, z), D3DRM_OK);
        probe->Release();
        return probe;
    }
};

TEST_F(TransformTest, RotationsFollowTheRuleForEachAxis) {
    IDirect3DRMFrame* frame = nullptr;
    ASSERT_EQ(d3drm->CreateFrame(scene, &frame), D3DRM_OK);
    IDirect3DRMFrame* px = Probe(frame, 1, 0, 0);
    IDirect3DRMFrame* py = Probe(frame, 0, 1, 0);
    IDirect3DRMFrame* pz = Probe(frame, 0, 0, 1);

    ASSERT_EQ(frame->AddRotation(D3DRMCOMBINE_REPLACE, 0, 0, 1, kHalfPi), D3DRM_OK);
    EXPECT_VEC(WorldPosition(px), 0, 1, 0); // about z: +x toward +y
    ASSERT_EQ(frame->AddRotation(D3DRMCOMBINE_REPLACE, 1, 0, 0, kHalfPi), D3DRM_OK);
    EXPECT_VEC(WorldPosition(py), 0, 0, 1); // about x: +y toward +z
    ASSERT_EQ(frame->AddRotation(D3DRMCOMBINE_REPLACE, 0, 1, 0, kHalfPi), D3DRM_OK);
    EXPECT_VEC(WorldPosition(pz), 1, 0, 0); // about y: +z toward +x
    frame->Release();
}

TEST_F(TransformTest, CombineAfterAppliesTheNewTransformLast) {
    IDirect3DRMFrame* frame = nullptr;
    ASSERT_EQ(d3drm->CreateFrame(scene, &frame), D3DRM_OK);
    IDirect3DRMFrame* probe = Probe(frame, 1, 0, 0);
    ASSERT_EQ(frame->AddTranslation(D3DRMCOMBINE_AFTER, 5, 0, 0), D3DRM_OK);
    ASSERT_EQ(frame->AddRotation(D3DRMCOMBINE_AFTER, 0, 0, 1, kHalfPi), D3DRM_OK);
    // (1,0,0) moved to (6,0,0), then turned about the parent's z to (0,6,0).
    EXPECT_VEC(WorldPosition(probe), 0, 6, 0);

    ASSERT_EQ(frame->AddRotation(D3DRMCOMBINE_REPLACE, 0, 0, 1, kHalfPi), D3DRM_OK);
    ASSERT_EQ(frame->AddTranslation(D3DRMCOMBINE_BEFORE, 5, 0, 0), D3DRM_OK);
    EXPECT_VEC(WorldPosition(probe), 0, 6, 0); // BEFORE: translate first, then the turn
    ASSERT_EQ(frame->AddTranslation(D3DRMCOMBINE_REPLACE, 0, 0, 2), D3DRM_OK);
    EXPECT_VEC(WorldPosition(probe), 1, 0, 2);
    EXPECT_EQ(frame->AddTranslation(D3DRMCOMBINETYPE(7), 0, 0, 0), D3DRMERR_BADVALUE);
    frame->Release();
}

TEST_F(TransformTest, ChildTransformAppliesOnTopOfItsParents) {
    IDirect3DRMFrame* parent = nullptr;
    IDirect3DRMFrame* child = nullptr;
    ASSERT_EQ(d3drm->CreateFrame(scene, &parent), D3DRM_OK);
    ASSERT_EQ(d3drm->CreateFrame(parent, &child), D3DRM_OK);
    ASSERT_EQ(parent->AddTranslation(D3DRMCOMBINE_AFTER, 0, 0, 3), D3DRM_OK);
    ASSERT_EQ(parent->AddRotation(D3DRMCOMBINE_BEFORE, 0, 0, 1, kHalfPi), D3DRM_OK);
    ASSERT_EQ(child->AddTranslation(D3DRMCOMBINE_AFTER, 2, 0, 0), D3DRM_OK);
    EXPECT_VEC(WorldPosition(child), 0, 2, 3);
    D3DVECTOR relative{};
    ASSERT_EQ(child->GetPosition(parent, &relative), D3DRM_OK);
    EXPECT_VEC(relative, 2, 0, 0);
    parent->Release();
    child->Release();
}

TEST_F(TransformTest, PositionAndOrientationAreSetRelativeToTheReference) {
    IDirect3DRMFrame* base = nullptr;
    IDirect3DRMFrame* frame = nullptr;
    ASSERT_EQ(d3drm->CreateFrame(scene, &base), D3DRM_OK);
    ASSERT_EQ(d3drm->CreateFrame(base, &frame), D3DRM_OK);
    ASSERT_EQ(base->AddTranslation(D3DRMCOMBINE_AFTER, 10, 0, 0), D3DRM_OK);
    ASSERT_EQ(frame->SetPosition(scene, 1, 2, 3), D3DRM_OK);
    EXPECT_VEC(WorldPosition(frame), 1, 2, 3);
    ASSERT_EQ(frame->SetPosition(nullptr, 1, 2, 3), D3DRM_OK); // null: the parent
    EXPECT_VEC(WorldPosition(frame), 11, 2, 3);

    // Looking along (0,-1,1) with up (0,0,1): the frame's +z points down and away.
    ASSERT_EQ(frame->SetOrientation(scene, 0, -1, 1, 0, 0, 1), D3DRM_OK);
    IDirect3DRMFrame* ahead = Probe(frame, 0, 0, 1);
    const D3DVECTOR p = WorldPosition(ahead);
    EXPECT_VEC(p, 11, 2 - std::sqrt(0.5f), 3 + std::sqrt(0.5f));
    EXPECT_VEC(WorldPosition(frame), 11, 2, 3); // orientation keeps the position
    EXPECT_EQ(frame->SetOrientation(scene, 0, 0, 1, 0, 0, 2), D3DRMERR_BADVALUE);
    EXPECT_EQ(frame->SetOrientation(scene, 0, 0, 0, 0, 1, 0), D3DRMERR_BADVALUE);
    base->Release();
    frame->Release();
}

TEST_F(TransformTest, SetRotationTurnsByItsAngleAtEveryMove) {
    IDirect3DRMFrame* frame = nullptr;
    ASSERT_EQ(d3drm->CreateFrame(scene, &frame), D3DRM_OK);
    ASSERT_EQ(frame->SetPosition(scene, 0, 0, 5), D3DRM_OK);
    IDirect3DRMFrame* probe = Probe(frame, 1, 0, 0);
    ASSERT_EQ(frame->SetRotation(nullptr, 0, 0, 1, kHalfPi / 2), D3DRM_OK);
    ASSERT_EQ(scene->Move(1.0f), D3DRM_OK); // moving the root moves everything below
    ASSERT_EQ(scene->Move(1.0f), D3DRM_OK);
    EXPECT_VEC(WorldPosition(probe), 0, 1, 5);
    ASSERT_EQ(scene->Move(2.0f), D3DRM_OK); // delta scales the angle
    EXPECT_VEC(WorldPosition(probe), -1, 0, 5);
    ASSERT_EQ(frame->SetRotation(nullptr, 0, 0, 0, 0), D3DRM_OK); // stops where it is
    ASSERT_EQ(scene->Move(1.0f), D3DRM_OK);
    EXPECT_VEC(WorldPosition(probe), -1, 0, 5);
    frame->Release();
}

// The drum, built as the reel builder builds it and hung as the machine scene hangs its
// reels, shows each stop on the camera's axis when turned to that stop's angle.
class DrumTest : public SceneTest {
protected:
    static constexpr int kStops = 20;

    void SetUp() override {
        SceneTest::SetUp();
        drum = rm::MakeDrum(kStops, 1.0, 1.5);
        IDirectDraw* dd = nullptr;
        ASSERT_EQ(DirectDrawCreate(nullptr, &dd, nullptr), DD_OK);
        DDSURFACEDESC desc{};
        desc.dwSize = sizeof desc;
        desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
        desc.dwWidth = 64;
        desc.dwHeight = 32 * kStops;
        desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE;
        IDirectDrawSurface* surface = nullptr;
        ASSERT_EQ(dd->CreateSurface(&desc, &surface, nullptr), DD_OK);
        surface->Pixels() = rm::MakeStopStrip(kStops, 32);
        IDirect3DRMTexture* strip = nullptr;
        ASSERT_EQ(d3drm->CreateTextureFromSurface(surface, &strip), D3DRM_OK);
        surface->Release();
        dd->Release();
        IDirect3DRMMeshBuilder* mesh = nullptr;
        ASSERT_EQ(d3drm->CreateMeshBuilder(&mesh), D3DRM_OK);
        ASSERT_EQ(rm::BuildDrumMesh(mesh, drum, strip), D3DRM_OK);
        strip->Release();

        IDirect3DRMFrame* reel = nullptr;
        ASSERT_EQ(d3drm->CreateFrame(scene, &reel), D3DRM_OK);
        ASSERT_EQ(d3drm->CreateFrame(reel, &drumFrame), D3DRM_OK);
        ASSERT_EQ(drumFrame->AddVisual(mesh), D3DRM_OK);
        mesh->Release();
        const float radius = float(kStops / 6.28318);
        ASSERT_EQ(reel->AddRotation(D3DRMCOMBINE_AFTER, 0, 0, 1, 1.570795f), D3DRM_OK);
        ASSERT_EQ(reel->AddRotation(D3DRMCOMBINE_AFTER, 1, 0, 0, -1.570795f), D3DRM_OK);
        ASSERT_EQ(reel->AddTranslation(D3DRMCOMBINE_AFTER, 0.75f, 0, radius), D3DRM_OK);
        reel->Release();
        ASSERT_EQ(camera->SetPosition(scene, 0, 0, -6), D3DRM_OK);
    }
    void TearDown() override {
        drumFrame->Release();
        SceneTest::TearDown();
    }

    // Turns the drum the way a rotation key of the stop's angle does.
    void ShowStop(int stop) {
        IDirect3DRMAnimation* animation = nullptr;
        ASSERT_EQ(d3drm->CreateAnimation(&animation), D3DRM_OK);
        ASSERT_EQ(animation->SetOptions(D3DRMANIMATION_SCALEANDROTATION), D3DRM_OK);
        ASSERT_EQ(animation->SetFrame(drumFrame), D3DRM_OK);
        D3DVECTOR axis{0, 1, 0};
        D3DRMQUATERNION q;
        D3DRMQuaternionFromRotation(&q, &axis, float(drum.angles[size_t(stop)]));
        ASSERT_EQ(animation->AddRotateKey(0, &q), D3DRM_OK);
        ASSERT_EQ(animation->SetTime(0), D3DRM_OK);
        animation->Release();
    }

    // The stop whose band colour and bar count the pixels along a row show.
    static bool ShowsBand(const rm::Image& image, int y, int stop) {
        const rm::Image strip = rm::MakeStopStrip(kStops, 32);
        const uint32_t band = strip.At(63, stop * 32) & 0xFFFFFF;
        int bandPixels = 0;
        for (int x = 0; x < image.width; ++x)
            bandPixels += (image.At(x, y) & 0xFFFFFF) == band;
        return bandPixels > 5;
    }

    // The mean screen row of the pixels in the centre column showing the stop's band.
    static double BandRow(const rm::Image& image, int stop) {
        const rm::Image strip = rm::MakeStopStrip(kStops, 32);
        const uint32_t band = strip.At(63, stop * 32) & 0xFFFFFF;
        double sum = 0;
        int count = 0;
        for (int y = 0; y < image.height; ++y) {
            for (int x = image.width / 2 - 3; x < image.width / 2 + 3; ++x) {
                if ((image.At(x, y) & 0xFFFFFF) == band) {
                    sum += y;
                    ++count;
                }
            }
        }
        return count > 0 ? sum / count : -1;
    }

    rm::DrumGeometry drum;
    IDirect3DRMFrame* drumFrame = nullptr;
};

TEST_F(DrumTest, StopFacesTheCameraWithThePreviousStopAbove) {
    for (int stop : {0, 3, 10, 19}) {
        ShowStop(stop);
        const rm::Image& image = Draw();
        const int middle = kHeight / 2;
        // Neighbouring bands alternate colours, so each row names its stop.
        EXPECT_TRUE(ShowsBand(image, middle, stop)) << "stop " << stop;
        EXPECT_TRUE(ShowsBand(image, middle - 9, (stop + kStops - 1) % kStops))
            << "above stop " << stop;
        EXPECT_TRUE(ShowsBand(image, middle + 9, (stop + 1) % kStops)) << "below stop " << stop;
    }
}

TEST_F(DrumTest, SymbolsMoveDownWhileTheKeysCountTheStopsDown) {
    // A spin's keys run through the stops old, old - 1, old - 2, ... one per time unit.
    for (int old : {7, 0}) {
        IDirect3DRMAnimation* animation = nullptr;
        ASSERT_EQ(d3drm->CreateAnimation(&animation), D3DRM_OK);
        ASSERT_EQ(animation->SetOptions(D3DRMANIMATION_SCALEANDROTATION), D3DRM_OK);
        ASSERT_EQ(animation->SetFrame(drumFrame), D3DRM_OK);
        D3DVECTOR axis{0, 1, 0};
        for (int k = 0; k <= 2; ++k) {
            D3DRMQUATERNION q;
            const int stop = (old - k + kStops) % kStops;
            D3DRMQuaternionFromRotation(&q, &axis, float(drum.angles[size_t(stop)]));
            ASSERT_EQ(animation->AddRotateKey(float(k), &q), D3DRM_OK);
        }
        ASSERT_EQ(animation->SetTime(0), D3DRM_OK);
        const double atStart = BandRow(Draw(), old);
        ASSERT_EQ(animation->SetTime(0.4f), D3DRM_OK);
        const double later = BandRow(Draw(), old);
        EXPECT_NEAR(atStart, kHeight / 2.0, 2) << "stop " << old;
        EXPECT_GT(later, atStart + 3) << "stop " << old;
        ASSERT_EQ(animation->SetTime(1), D3DRM_OK);
        EXPECT_NEAR(BandRow(Draw(), (old + kStops - 1) % kStops), kHeight / 2.0, 2);
        animation->Release();
    }
}

TEST_F(DrumTest, PictureIsUprightAndNotMirrored) {
    ShowStop(4); // five bars from the left, in the middle half of the band's height
    const rm::Image& image = Draw();
    const int middle = kHeight / 2;
    // The bars start at the picture's left edge: on screen the white is at the drum's left.
    int firstWhite = -1, lastWhite = -1, firstBand = -1, lastBand = -1;
    for (int x = 0; x < kWidth; ++x) {
        const uint32_t p = image.At(x, middle) & 0xFFFFFF;
        if (p == 0xFFFFFF) {
            lastWhite = x;
            if (firstWhite < 0)
                firstWhite = x;
        } else if (p != 0) {
            lastBand = x;
            if (firstBand < 0)
                firstBand = x;
        }
    }
    ASSERT_GE(firstWhite, 0);
    EXPECT_LE(firstWhite - std::min(firstBand, firstWhite), 2);
    EXPECT_GT(lastBand, lastWhite + 5);
}

} // namespace
