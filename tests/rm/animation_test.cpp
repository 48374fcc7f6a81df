// Keyframe animations: the -theta rule of rotation keys, spherical interpolation along the
// shorter arc, clamping outside the keys, closed animations, and sets driving many frames.

#include <cmath>

#include "tests/rm/scene_test_support.h"

namespace {

constexpr float kPi = 3.14159265f;

class AnimationTest : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        ASSERT_EQ(d3drm->CreateFrame(scene, &frame), D3DRM_OK);
        ASSERT_EQ(frame->AddTranslation(D3DRMCOMBINE_AFTER, 0, 0, 5), D3DRM_OK);
        ASSERT_EQ(d3drm->CreateFrame(frame, &probe), D3DRM_OK);
        ASSERT_EQ(probe->SetPosition(frame, 1, 0, 0), D3DRM_OK);
        ASSERT_EQ(d3drm->CreateAnimation(&animation), D3DRM_OK);
        ASSERT_EQ(animation->SetOptions(D3DRMANIMATION_SCALEANDROTATION), D3DRM_OK);
        ASSERT_EQ(animation->SetFrame(frame), D3DRM_OK);
    }
    void TearDown() override {
        animation->Release();
        probe->Release();
        frame->Release();
        SceneTest::TearDown();
    }
    void Key(float time, float theta) {
        D3DVECTOR axis{0, 1, 0};
        D3DRMQUATERNION q;
        ASSERT_EQ(D3DRMQuaternionFromRotation(&q, &axis, theta), &q);
        ASSERT_EQ(animation->AddRotateKey(time, &q), D3DRM_OK);
    }
    // The angle the frame is turned by about y, from where its +x now points.
    float TurnAt(float time) {
        EXPECT_EQ(animation->SetTime(time), D3DRM_OK);
        D3DVECTOR p{};
        EXPECT_EQ(probe->GetPosition(frame, &p), D3DRM_OK); // stays (1,0,0) locally
        D3DVECTOR w{};
        EXPECT_EQ(probe->GetPosition(scene, &w), D3DRM_OK);
        // About y, +z turns toward +x: +x turned by a goes to (cos a, 0, -sin a).
        return std::atan2(-(w.z - 5), w.x);
    }

    IDirect3DRMFrame* frame = nullptr;
    IDirect3DRMFrame* probe = nullptr;
    IDirect3DRMAnimation* animation = nullptr;
};

TEST_F(AnimationTest, RotationKeyTurnsItsFrameByMinusTheta) {
    Key(0, 0.5f);
    EXPECT_NEAR(TurnAt(0), -0.5f, 1e-4);
    D3DVECTOR w{};
    ASSERT_EQ(frame->GetPosition(scene, &w), D3DRM_OK);
    EXPECT_NEAR(w.z, 5, 1e-5); // the position is kept
}

TEST_F(AnimationTest, BlendsSphericallyBetweenNeighbouringKeys) {
    Key(0, 0);
    Key(10, -kPi / 2);
    EXPECT_NEAR(TurnAt(5), kPi / 4, 1e-4);
    EXPECT_NEAR(TurnAt(2.5f), kPi / 8, 1e-4);
    EXPECT_NEAR(TurnAt(-3), 0, 1e-4);       // before the first key: the first key
    EXPECT_NEAR(TurnAt(12), kPi / 2, 1e-4); // after the last key: the last key
}

TEST_F(AnimationTest, TakesTheShorterArcAcrossAFullTurn) {
    // From -6.126 to -0.157 radians is the short step of 0.314 across the wrap, as
    // when a reel passes from stop 1 to stop 0.
    Key(0, -6.126f);
    Key(1, -0.157f);
    const float start = TurnAt(0), middle = TurnAt(0.5f);
    float step = middle - start;
    step = std::remainder(step, 2 * kPi);
    EXPECT_NEAR(step, 0.157f, 2e-3); // half of the 0.314 step, not of the long way round
}

TEST_F(AnimationTest, KeysAreOrderedByTimeWhateverTheOrderAdded) {
    Key(10, -kPi / 2);
    Key(0, 0);
    Key(5, -kPi / 4);
    EXPECT_NEAR(TurnAt(7.5f), 3 * kPi / 8, 1e-4);
}

TEST_F(AnimationTest, ClosedAnimationsWrapTheirTime) {
    ASSERT_EQ(animation->SetOptions(D3DRMANIMATION_CLOSED | D3DRMANIMATION_SCALEANDROTATION),
              D3DRM_OK);
    Key(0, 0);
    Key(10, -kPi / 2);
    EXPECT_NEAR(TurnAt(15), kPi / 4, 1e-4);
    EXPECT_EQ(animation->SetOptions(D3DRMANIMATION_OPEN | D3DRMANIMATION_CLOSED),
              D3DRMERR_BADVALUE);
}

TEST_F(AnimationTest, SetTimeOfASetMovesEveryAnimation) {
    IDirect3DRMFrame* other = nullptr;
    ASSERT_EQ(d3drm->CreateFrame(scene, &other), D3DRM_OK);
    IDirect3DRMAnimation* second = nullptr;
    ASSERT_EQ(d3drm->CreateAnimation(&second), D3DRM_OK);
    ASSERT_EQ(second->SetOptions(D3DRMANIMATION_SCALEANDROTATION), D3DRM_OK);
    ASSERT_EQ(second->SetFrame(other), D3DRM_OK);
    D3DVECTOR axis{0, 0, 1};
    D3DRMQUATERNION q;
    D3DRMQuaternionFromRotation(&q, &axis, 0);
    ASSERT_EQ(second->AddRotateKey(0, &q), D3DRM_OK);
    D3DRMQuaternionFromRotation(&q, &axis, -2 * kPi / 3);
    ASSERT_EQ(second->AddRotateKey(4, &q), D3DRM_OK);
    Key(0, 0);
    Key(4, -2 * kPi / 3);

    IDirect3DRMAnimationSet* set = nullptr;
    ASSERT_EQ(d3drm->CreateAnimationSet(&set), D3DRM_OK);
    ASSERT_EQ(set->AddAnimation(animation), D3DRM_OK);
    ASSERT_EQ(set->AddAnimation(second), D3DRM_OK);
    second->Release(); // the set holds it
    ASSERT_EQ(set->SetTime(2), D3DRM_OK);
    D3DVECTOR w{};
    ASSERT_EQ(probe->GetPosition(scene, &w), D3DRM_OK);
    EXPECT_NEAR(w.x, 0.5f, 1e-4);
    EXPECT_NEAR(w.z, 5 - 0.8660254f, 1e-4); // turned by +60 degrees about y, +x toward -z
    // The other frame turned about z by +60 degrees: its x axis turned toward +y.
    EXPECT_NEAR(other->LocalTransform().m[0][1], 0.8660254f, 1e-4);
    EXPECT_EQ(set->AddAnimation(nullptr), D3DRMERR_BADOBJECT);
    EXPECT_EQ(set->SetTime(NAN), D3DRMERR_BADVALUE);
    set->Release();
    other->Release();
}

TEST_F(AnimationTest, BadKeysAreRefusedAndAFramelessAnimationDoesNothing) {
    EXPECT_EQ(animation->AddRotateKey(0, nullptr), D3DRMERR_BADVALUE);
    D3DRMQUATERNION q{NAN, {0, 1, 0}};
    EXPECT_EQ(animation->AddRotateKey(0, &q), D3DRMERR_BADVALUE);
    ASSERT_EQ(animation->SetFrame(nullptr), D3DRM_OK);
    Key(0, 1);
    EXPECT_EQ(animation->SetTime(0), D3DRM_OK);
    EXPECT_FLOAT_EQ(frame->LocalTransform().m[0][0], 1);
}

} // namespace
