// The world: its lights, camera, background and world frame, the camera offsets, the world
// rotation and the seed of the reel generator, checked on rendered pixels where they show.

#include "tests/shell/shell_fixture.h"

#include <cmath>
#include <tuple>

#include "engine/random.h"

namespace {

constexpr uint32_t BLACK = 0xFF000000u;

class WorldTest : public ShellTest {
protected:
    // A white 2 by 2 square facing the camera, at (x, y, 0) under the world frame.
    void AddSquare(float x, float y) {
        rm::RefPtr<IDirect3DRMMeshBuilder> mesh;
        ASSERT_EQ(D3D.lpD3DRM->CreateMeshBuilder(mesh.Out()), 0);
        D3DVECTOR corners[] = {
            {x - 1, y + 1, 0}, {x + 1, y + 1, 0}, {x + 1, y - 1, 0}, {x - 1, y - 1, 0}};
        DWORD faces[] = {4, 0, 1, 2, 3, 0};
        ASSERT_EQ(mesh->AddFaces(4, corners, 0, nullptr, faces, nullptr), 0);
        ASSERT_EQ(World.WorldFrame->AddVisual(mesh), 0);
    }

    // The pixel this far from the centre of a freshly rendered frame.
    uint32_t Pixel(int dx, int dy) {
        EXPECT_EQ(RenderFrame(), 1);
        return window->ClientImage().At(window->ClientWidth() / 2 + dx,
                                        window->ClientHeight() / 2 + dy);
    }
    bool Lit(int dx, int dy) { return (Pixel(dx, dy) | BLACK) != BLACK; }
    // Pixels per scene unit at the distance of the world's origin from the camera.
    double PixelsPerUnit() {
        const int smaller = std::min(window->ClientWidth(), window->ClientHeight());
        return smaller / 2.0 / (0.5 * 20.0);
    }

    // A frame under the world frame at (0, 1, 0), to follow the world's attitude.
    rm::RefPtr<IDirect3DRMFrame> Marker() {
        rm::RefPtr<IDirect3DRMFrame> marker;
        D3D.lpD3DRM->CreateFrame(World.WorldFrame, marker.Out());
        marker->SetPosition(World.WorldFrame, 0, 1, 0);
        return marker;
    }

    D3DVECTOR PositionOf(LPDIRECT3DRMFRAME frame) {
        D3DVECTOR at{};
        frame->GetPosition(D3D.SceneFrame, &at);
        return at;
    }
};

TEST_F(WorldTest, CameraLooksAtTheWorldOriginUnderTheLights) {
    Shell.StartDriver = 0; // full-colour lighting
    ASSERT_NE(Start(), nullptr);
    AddSquare(0, 0);
    // The square faces the camera; the light along (0, -1, 1) meets it at 45 degrees and
    // the ambient light adds a tenth: 0.807 of white.
    const uint32_t centre = Pixel(0, 0);
    const int red = (centre >> 16) & 0xFF;
    EXPECT_NEAR(red, 206, 4);
    EXPECT_EQ(centre & 0xFF, static_cast<uint32_t>(red));
    // Tilted up by 45 degrees about x, it faces the light coming down on it: full white.
    World.WorldFrame->AddRotation(D3DRMCOMBINE_REPLACE, 1, 0, 0, D3DVAL(0.785398));
    EXPECT_GT(Pixel(0, 0) & 0xFF, 250u);
    World.WorldFrame->AddRotation(D3DRMCOMBINE_REPLACE, 1, 0, 0, 0);
    // The square is 2 units wide: it ends about PixelsPerUnit() from the centre.
    const int edge = static_cast<int>(PixelsPerUnit());
    EXPECT_TRUE(Lit(edge - 3, 0));
    EXPECT_FALSE(Lit(edge + 3, 0));
}

TEST_F(WorldTest, PanAndZoomMoveTheCameraNotTheWorld) {
    ASSERT_NE(Start(), nullptr);
    AddSquare(0, 0);
    World.PanX = 5.0;
    World.PanY = -5.0;
    PlaceCamera();
    EXPECT_FALSE(Lit(0, 0));
    // Seen from (5, -5, -20) the square lies 5 units left and 5 up.
    const int shift = static_cast<int>(std::lround(5 * PixelsPerUnit()));
    EXPECT_TRUE(Lit(-shift, -shift));
    EXPECT_FALSE(Lit(shift, shift));
    World.PanX = World.PanY = 0.0;
    World.Zoom = 10.0; // half the distance: the square looks twice as large
    PlaceCamera();
    const int edge = static_cast<int>(2 * PixelsPerUnit());
    EXPECT_TRUE(Lit(edge - 4, 0));
    EXPECT_FALSE(Lit(edge + 4, 0));
}

TEST_F(WorldTest, WorldTurnsAboutTheChosenAxesOncePerFrame) {
    ASSERT_NE(Start(), nullptr);
    const rm::RefPtr<IDirect3DRMFrame> marker = Marker();
    Command(CMD_ROTATE_X); // X rotation: +y turns toward +z
    ASSERT_EQ(RenderFrame(), 1);
    D3DVECTOR at = PositionOf(marker);
    EXPECT_NEAR(at.y, std::cos(0.03), 1e-5);
    EXPECT_NEAR(at.z, std::sin(0.03), 1e-5);
    for (int i = 0; i < 99; ++i)
        RenderFrame();
    at = PositionOf(marker);
    EXPECT_NEAR(at.y, std::cos(3.0), 1e-3);
    EXPECT_NEAR(at.z, std::sin(3.0), 1e-3);

    // Both X and Y: the axis is the diagonal (1, 1, 0); off the axis the marker moves.
    Command(CMD_ROTATE_Y);
    const D3DVECTOR before = PositionOf(marker);
    RenderFrame();
    const D3DVECTOR after = PositionOf(marker);
    EXPECT_GT(std::fabs(after.x - before.x), 1e-3);

    // Neither: the world stops where it is.
    Command(CMD_ROTATE_X);
    Command(CMD_ROTATE_Y);
    RenderFrame();
    RenderFrame();
    const D3DVECTOR still = PositionOf(marker);
    EXPECT_EQ(std::tie(still.x, still.y, still.z), std::tie(after.x, after.y, after.z));
    Command(CMD_ROTATE_Z); // Z alone turns it too
    RenderFrame();
    EXPECT_GT(std::fabs(PositionOf(marker).x - still.x), 1e-2);
}

TEST_F(WorldTest, SeedComesFromTheTimerUnlessOverridden) {
    const std::pair<bool, uint32_t> overrides[] = {{false, win::VirtualClock::START}, {true, 4242}};
    for (const auto& [overridden, seed] : overrides) {
        TearDown();
        SetUp();
        if (overridden)
            World.SeedOverride = seed;
        ASSERT_NE(Start(), nullptr);
        const int first = Random::Next();
        Random::Seed(seed);
        EXPECT_EQ(Random::Next(), first) << seed;
    }
}

TEST_F(WorldTest, FailedStepsNameThemselvesThenTheScene) {
    const std::vector<std::string> steps = {
        "Create light1 frame", "Create dir light", "Add dir light",     "Create ambient light",
        "Add ambient light",   "Set camera pos",   "Set camera orient", "Create world frame",
        "Set world pos",       "Set world orient",
    };
    std::vector<std::string> named;
    bool qualityAlone = false;
    for (int n = 1; n < 80; ++n) {
        TearDown();
        SetUp();
        rm::FailNthCall(n, D3DRMERR_BADOBJECT);
        if (Start() || dialogs.boxes.empty() || dialogs.boxes[0].caption != "Direct 3D Error")
            continue;
        for (const auto& box : dialogs.boxes) {
            EXPECT_EQ(box.style, 0x30u);
            EXPECT_FALSE(box.owned);
        }
        if (dialogs.boxes[0].text == "Set Quality") {
            qualityAlone = dialogs.boxes.size() == 1;
            continue;
        }
        ASSERT_EQ(dialogs.boxes.size(), 2u) << dialogs.boxes[0].text;
        EXPECT_EQ(dialogs.boxes[1].text, "Initialize Scene");
        named.push_back(dialogs.boxes[0].text);
    }
    EXPECT_EQ(named, steps);
    EXPECT_TRUE(qualityAlone);
}

} // namespace
