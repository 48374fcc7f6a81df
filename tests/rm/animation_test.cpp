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
        frame = NewFrame(scene);
        ASSERT_EQ(frame->AddTranslation(D3DRMCOMBINE_AFTER, 0, 0, 5), D3DRM_OK);
        probe = NewFrame(frame);
        ASSERT_EQ(probe->SetPosition(frame, 1, 0, 0), D3DRM_OK);
        animation = MakeAnimation(frame);
    }
    void TearDown() override {
        animation->Release();
        probe->Release();
        frame->Release();
        SceneTest::TearDown();
    }
    IDirect3DRMAnimation* MakeAnimation(IDirect3DRMFrame* of) {
        IDirect3DRMAnimation* made = nullptr;
        EXPECT_EQ(d3drm->CreateAnimation(&made), D3DRM_OK);
        EXPECT_EQ(made->SetOptions(D3DRMANIMATION_SCALEANDROTATION), D3DRM_OK);
        EXPECT_EQ(made->SetFrame(of), D3DRM_OK);
        return made;
    }
    void Key(float time, float theta, IDirect3DRMAnimation* to = nullptr,
             D3DVECTOR axis = {0, 1, 0}) {
        D3DRMQUATERNION q;
        ASSERT_EQ(D3DRMQuaternionFromRotation(&q, &axis, theta), &q);
        ASSERT_EQ((to != nullptr ? to : animation)->AddRotateKey(time, &q), D3DRM_OK);
    }
    // The angle the frame is turned by about y, from where its +x now points: about y, +z
    // turns toward +x, so +x turned by a goes to (cos a, 0, -sin a).
    float TurnAt(float time) {
        EXPECT_EQ(animation->SetTime(time), D3DRM_OK);
        D3DVECTOR w{};
        EXPECT_EQ(probe->GetPosition(scene, &w), D3DRM_OK);
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

TEST_F(AnimationTest, BlendsSphericallyInTimeOrderAndClampsOutsideTheKeys) {
    Key(10, -kPi / 2); // added out of time order
    Key(0, 0);
    EXPECT_NEAR(TurnAt(5), kPi / 4, 1e-4);
    EXPECT_NEAR(TurnAt(2.5f), kPi / 8, 1e-4);
    EXPECT_NEAR(TurnAt(-3), 0, 1e-4);       // before the first key: the first key
    EXPECT_NEAR(TurnAt(12), kPi / 2, 1e-4); // after the last key: the last key
    Key(5, -kPi / 4);
    EXPECT_NEAR(TurnAt(7.5f), 3 * kPi / 8, 1e-4);
    // Closed animations wrap their time.
    ASSERT_EQ(animation->SetOptions(D3DRMANIMATION_CLOSED | D3DRMANIMATION_SCALEANDROTATION),
              D3DRM_OK);
    EXPECT_NEAR(TurnAt(12.5f), kPi / 8, 1e-4);
    EXPECT_EQ(animation->SetOptions(D3DRMANIMATION_OPEN | D3DRMANIMATION_CLOSED),
              D3DRMERR_BADVALUE);
}

TEST_F(AnimationTest, TakesTheShorterArcAcrossAFullTurn) {
    // From -6.126 to -0.157 radians is the short step of 0.314 across the wrap, as
    // when a reel passes from stop 1 to stop 0.
    Key(0, -6.126f);
    Key(1, -0.157f);
    const float start = TurnAt(0), middle = TurnAt(0.5f);
    EXPECT_NEAR(std::remainder(middle - start, 2 * kPi), 0.157f, 2e-3); // not the long way
}

TEST_F(AnimationTest, SetTimeOfASetMovesEveryAnimation) {
    IDirect3DRMFrame* other = NewFrame(scene);
    IDirect3DRMAnimation* second = MakeAnimation(other);
    Key(0, 0, second, {0, 0, 1});
    Key(4, -2 * kPi / 3, second, {0, 0, 1});
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
