// The window procedure: commands, accelerators, menu marks, scroll bars, resizing, the
// driver change, painting, activation and the File/Open dialog.

#include "shell_fixture.h"
#include "tests/common/temp_path.h"

#include <filesystem>
#include <fstream>

namespace {

class WindowProcTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        ASSERT_NE(Start(), nullptr);
        // The window system activates the shown window, which sets the scroll ranges.
        Send(win::Message{.kind = win::Kind::Activate, .active = true});
    }

    D3DVECTOR CameraAt() {
        D3DVECTOR at{};
        D3D.CameraFrame->GetPosition(D3D.SceneFrame, &at);
        return at;
    }

    void Scroll(win::Kind bar, int request, int thumb = 0) {
        Send(win::Message{.kind = bar, .request = request, .thumb = thumb});
    }

    void ExpectMarks(std::initializer_list<int> checked, std::initializer_list<int> unchecked,
                     std::initializer_list<int> grayed) {
        OpenPopups();
        for (int command : checked)
            EXPECT_TRUE(Item(command)->checked) << command;
        for (int command : unchecked)
            EXPECT_FALSE(Item(command)->checked) << command;
        for (int command : grayed)
            EXPECT_TRUE(Item(command)->grayed) << command;
    }
};

TEST_F(WindowProcTest, RenderCommandsChangeTheQualityWordAndTheDevice) {
    // Flat, Phong, Gouraud, lighting off and on, points, wireframe, solid.
    const std::pair<int, DWORD> steps[] = {{12, 136}, {14, 138}, {13, 137}, {29, 129},
                                           {29, 137}, {20, 9},   {21, 73},  {22, 137}};
    for (const auto& [command, quality] : steps) {
        Command(command);
        EXPECT_EQ(static_cast<DWORD>(Shell.RenderQuality), quality) << command;
        EXPECT_EQ(D3D.Device->GetQuality(), quality) << command;
    }
    Command(24);
    EXPECT_EQ(Shell.Dithering, 1);
    EXPECT_EQ(D3D.Device->GetDither(), 1);
    Command(24);
    EXPECT_EQ(D3D.Device->GetDither(), 0);
    Command(17);
    EXPECT_EQ(D3D.Device->GetTextureQuality(), 0u);
    Command(17);
    EXPECT_EQ(Shell.TextureQuality, 0);
    Command(18);
    EXPECT_EQ(D3D.Device->GetTextureQuality(), 1u);
    Command(26);
    EXPECT_EQ(Shell.AntiAliasing, 1);
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(WindowProcTest, RefusedRenderStateStaysForTheNextTry) {
    rm::FailNthCall(1, D3DRMERR_BADVALUE);
    Command(12);
    EXPECT_EQ(LastBoxText(), "Setting the render quality failed.\nD3DRMERR_BADVALUE\r\n");
    EXPECT_EQ(Shell.RenderQuality, 136);
    EXPECT_EQ(D3D.Device->GetQuality(), 137u);
    Command(24);
    EXPECT_EQ(D3D.Device->GetQuality(), 136u);
}

TEST_F(WindowProcTest, DisplayCommandsFlipTheirBits) {
    const std::pair<int, int32_t> toggles[] = {
        {112, DISPLAY_SOUND},        {119, DISPLAY_CABINET},  {111, DISPLAY_CREDITS},
        {114, DISPLAY_PAYOFF_CHART}, {118, DISPLAY_BUTTONS},  {120, DISPLAY_ROTATE_X},
        {121, DISPLAY_ROTATE_Y},     {122, DISPLAY_ROTATE_Z},
    };
    for (const auto& [command, bit] : toggles) {
        const int32_t before = Shared.DisplayFlags;
        Command(command);
        EXPECT_EQ(Shared.DisplayFlags, before ^ bit) << command;
        Command(command);
        EXPECT_EQ(Shared.DisplayFlags, before) << command;
    }
    Command(113);
    EXPECT_EQ(Shell.ShowFPS, 1);
}

TEST_F(WindowProcTest, DisplayTogglesWaitForTheMachineButSoundAndRotationDoNot) {
    Shared.Busy = 1;
    Command(111);
    EXPECT_EQ(Shared.DisplayFlags, 63);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text,
              "Please wait for the slot machine to come to a halt before using this command");
    EXPECT_EQ(dialogs.boxes[0].caption, "Wait! Wait! Wait!");
    EXPECT_EQ(dialogs.boxes[0].style, 0x30u);
    EXPECT_FALSE(dialogs.boxes[0].owned);
    Command(112);
    Command(120);
    EXPECT_EQ(Shared.DisplayFlags, 63 ^ 16 ^ 64);
    Shared.Busy = 0;
    Command(111);
    EXPECT_EQ(Shared.DisplayFlags, 63 ^ 16 ^ 64 ^ 32);
}

TEST_F(WindowProcTest, MarksFollowTheState) {
    ExpectMarks({13, 29, 22, 18, 112, 81}, {12, 80, 120}, {14, 26, 28});
    for (int command : {21, 29, 17, 24, 27, 113, 121, 119})
        Command(command);
    // Without the cabinet its three parts are greyed but keep their marks.
    ExpectMarks({21, 17, 24, 27, 113, 121, 111, 114, 118}, {22, 29, 18, 119}, {111, 114, 118});
    EXPECT_FALSE(Item(28)->grayed);
}

TEST_F(WindowProcTest, EveryAcceleratorReachesItsCommand) {
    const auto shade = [] { return Shell.RenderQuality & 7; };
    const auto fill = [] { return Shell.RenderQuality & 448; };
    const auto zoom = [] { return static_cast<int>(World.Zoom); };
    const auto flags = [] { return static_cast<int>(Shared.DisplayFlags); };
    const auto step = [] { return Shell.SingleStep; };
    // F4 (Phong) and Ctrl+A (anti-aliasing) are greyed: they change nothing.
    const struct {
        int key;
        unsigned modifiers;
        int character;
        int (*state)();
        int expected;
    } keys[] = {{win::VK_F2, 0, 0, shade, 0},
                {win::VK_F3, 0, 0, shade, 1},
                {win::VK_F4, 0, 0, shade, 1},
                {win::VK_F5, 0, 0, [] { return Shell.RenderQuality & 56; }, 0},
                {'P', win::MOD_CONTROL, 16, fill, 0},
                {'W', win::MOD_CONTROL, 23, fill, 64},
                {'S', win::MOD_CONTROL, 19, fill, 128},
                {'D', win::MOD_CONTROL, 4, [] { return Shell.Dithering; }, 1},
                {'A', win::MOD_CONTROL, 1, [] { return Shell.AntiAliasing; }, 0},
                {'O', win::MOD_CONTROL, 15, [] { return Shell.TextureQuality; }, 0},
                {'L', win::MOD_CONTROL, 12, [] { return Shell.TextureQuality; }, 1},
                {win::VK_ADD, 0, '+', zoom, 1},
                {win::VK_OEM_PLUS, win::MOD_SHIFT, '+', zoom, 2},
                {win::VK_SUBTRACT, 0, '-', zoom, 1},
                {win::VK_OEM_MINUS, 0, '-', zoom, 0},
                {'X', win::MOD_CONTROL, 24, flags, 63 | 64},
                {'Y', win::MOD_CONTROL, 25, flags, 63 | 64 | 128},
                {'Z', win::MOD_CONTROL, 26, flags, 63 | 64 | 128 | 256},
                {win::VK_SPACE, 0, ' ', step, 1},
                {win::VK_RETURN, 0, '\r', step, 0}};
    for (const auto& k : keys) {
        Key(k.key, k.modifiers, k.character);
        EXPECT_EQ(k.state(), k.expected) << k.key << " " << k.character;
    }
    Key(win::VK_F1);
    EXPECT_EQ(dialogs.dialogs, std::vector<std::string>{"AppAbout"});
    Key(win::VK_ESCAPE, 0, 27);
    EXPECT_EQ(Shell.Quit, 1);
}

TEST_F(WindowProcTest, AboutBoxClosesOnlyWithOk) {
    dialogs.dialogButtons = {win::IDCANCEL, 99, win::IDOK};
    Command(1);
    ASSERT_EQ(dialogs.dialogs.size(), 1u);
    // Cancel and other buttons leave it open; OK ends it with 1.
    dialogs.dialogButtons = {win::IDCANCEL};
    EXPECT_EQ(win::DialogBox("AppAbout", window, AboutProc), -1);
    dialogs.dialogButtons = {win::IDOK};
    EXPECT_EQ(win::DialogBox("AppAbout", window, AboutProc), 1);
}

TEST(ScrollStep, PagesLinesEndsAndThumbStayInRange) {
    const struct {
        int position, request, thumb, expected;
    } cases[] = {
        {0, 0, 0, -1},   {-10, 0, 0, -10}, {0, 1, 0, 1},   {10, 1, 0, 10}, {0, 2, 0, -7},
        {-5, 2, 0, -10}, {0, 3, 0, 7},     {5, 3, 0, 10},  {3, 4, -4, -4}, {3, 5, 9, 9},
        {3, 4, 40, 10},  {3, 6, 0, -10},   {-3, 7, 0, 10}, {4, 8, 0, 4},   {4, 99, 0, 4},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ScrollStep(c.position, -10, 10, c.request, c.thumb), c.expected)
            << c.position << " " << c.request;
}

TEST_F(WindowProcTest, ScrollBarsPanTheCameraAndRenderAtOnce) {
    EXPECT_EQ(CameraAt().x, 0.0f);
    Scroll(win::Kind::HScroll, win::SB_PAGEDOWN);
    EXPECT_DOUBLE_EQ(World.PanX, 7.0);
    EXPECT_FLOAT_EQ(CameraAt().x, 7.0f);
    Scroll(win::Kind::HScroll, win::SB_LINEDOWN);
    Scroll(win::Kind::HScroll, win::SB_PAGEDOWN);
    EXPECT_DOUBLE_EQ(World.PanX, 10.0);
    EXPECT_EQ(window->GetScrollPos(win::SB_HORZ), 10);
    Scroll(win::Kind::HScroll, win::SB_LINEUP);
    EXPECT_FLOAT_EQ(CameraAt().x, 9.0f);
    // The vertical bar moves the camera the other way: its bottom end is y = -10.
    Scroll(win::Kind::VScroll, win::SB_BOTTOM);
    EXPECT_DOUBLE_EQ(World.PanY, -10.0);
    EXPECT_FLOAT_EQ(CameraAt().y, -10.0f);
    Scroll(win::Kind::VScroll, win::SB_THUMBTRACK, -3);
    EXPECT_FLOAT_EQ(CameraAt().y, 3.0f);
    // Each scroll message renders a frame, without touching the title.
    EXPECT_EQ(window->ClientImage().width, window->ClientWidth());
    EXPECT_EQ(Shell.Status.frameCount, 0u);
}

TEST_F(WindowProcTest, ZoomMovesTheCameraWithoutLimit) {
    for (int i = 0; i < 3; ++i)
        Command(103);
    EXPECT_FLOAT_EQ(CameraAt().z, -17.0f);
    for (int i = 0; i < 17; ++i)
        Command(103);
    EXPECT_FLOAT_EQ(CameraAt().z, 0.0f);
    Command(103);
    EXPECT_FLOAT_EQ(CameraAt().z, 1.0f);
    Command(104);
    Command(104);
    EXPECT_FLOAT_EQ(CameraAt().z, -1.0f);
}

TEST_F(WindowProcTest, ShrinkingMakesANewViewportGrowingANewDevice) {
    LPDIRECT3DRMDEVICE device = D3D.Device;
    device->AddRef();
    window->ClientResized(300, 200, win::SIZE_RESTORED);
    EXPECT_EQ(D3D.Device, device);
    EXPECT_EQ(D3D.Viewport->GetWidth(), 300u);
    EXPECT_EQ(D3D.Viewport->GetHeight(), 200u);
    // Growing past the shrunk viewport, still within the device, re-creates both.
    window->ClientResized(400, 200, win::SIZE_RESTORED);
    EXPECT_NE(D3D.Device, device);
    EXPECT_EQ(D3D.Device->GetWidth(), 400u);
    EXPECT_EQ(D3D.Device->GetQuality(), 137u);
    device->Release();

    // Minimising and restoring to the same size re-creates the viewport.
    LPDIRECT3DRMVIEWPORT viewport = D3D.Viewport;
    viewport->AddRef();
    window->ClientResized(0, 0, win::SIZE_MINIMIZED);
    EXPECT_EQ(Shell.Minimized, 1);
    EXPECT_EQ(D3D.Viewport, viewport);
    window->ClientResized(400, 200, win::SIZE_RESTORED);
    EXPECT_EQ(Shell.Minimized, 0);
    EXPECT_NE(D3D.Viewport, viewport);
    viewport->Release();
    // A main loop asleep while the window was minimised is woken up.
    win::Message waiting;
    ASSERT_TRUE(win::PeekMessage(waiting));
    EXPECT_EQ(waiting.kind, win::Kind::None);
    EXPECT_FALSE(win::PeekMessage(waiting));
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(WindowProcTest, FailedResizeEndsTheProgram) {
    rm::FailNthCall(1, D3DRMERR_BADALLOC);
    window->ClientResized(100, 100, win::SIZE_RESTORED);
    EXPECT_EQ(LastBoxText(), "Failed to resize the viewport.\nD3DRMERR_BADALLOC\r\n");
    EXPECT_EQ(Shell.Quit, 1);
    // The window's later messages find the objects gone.
    window->ClientResized(200, 100, win::SIZE_RESTORED);
    Scroll(win::Kind::HScroll, win::SB_LINEDOWN - 1);
    EXPECT_EQ(dialogs.boxes.size(), 1u);
}

TEST_F(WindowProcTest, DriverChangeMakesANewDeviceWithTheSameState) {
    Command(21);
    Command(81); // the current driver: nothing happens
    EXPECT_TRUE(D3D.Device->IsMono());
    Command(80);
    EXPECT_EQ(Shell.CurrentDriver, 0);
    EXPECT_FALSE(D3D.Device->IsMono());
    EXPECT_EQ(D3D.Device->GetQuality(), 73u);
    EXPECT_EQ(D3D.Viewport->GetWidth(), static_cast<DWORD>(window->ClientWidth()));
    EXPECT_EQ(RenderFrame(), 1);
    OpenPopups();
    EXPECT_TRUE(Item(80)->checked);
    EXPECT_FALSE(Item(81)->checked);
}

TEST_F(WindowProcTest, FailedDriverChangeOrIdPastTheListEndsTheProgram) {
    rm::FailNthCall(1, E_FAIL);
    Command(80);
    EXPECT_EQ(LastBoxText(),
              "Failed to create the D3DRM device from the clipper.\nGeneric failure.\r\n");
    EXPECT_EQ(Shell.Quit, 1);
    TearDown();
    SetUp();
    Command(84);
    EXPECT_EQ(LastBoxText().rfind("Failed to create the D3DRM device from the clipper.\n", 0), 0u);
    EXPECT_EQ(Shell.Quit, 1);
    EXPECT_EQ(D3D.Device, nullptr);
}

TEST_F(WindowProcTest, PaintAndActivationFailuresAreShownAndTheProgramGoesOn) {
    rm::FailNthCall(1, E_FAIL);
    Send(win::Message{.kind = win::Kind::Activate, .active = true});
    EXPECT_EQ(LastBoxText(), "Failed to create Windows device to handle WM_ACTIVATE.\n\r\n");
    rm::FailNthCall(2, E_FAIL);
    Send(win::Message{.kind = win::Kind::Activate, .active = true});
    EXPECT_EQ(LastBoxText(), "Failed to handle WM_ACTIVATE.\n\r\n");
    rm::FailNthCall(1, E_FAIL);
    window->InvalidateClient();
    window->PaintClient();
    EXPECT_EQ(LastBoxText(), "Failed to create Windows device to handle WM_PAINT.\n\r\n");
    rm::FailNthCall(2, E_FAIL);
    window->InvalidateClient();
    window->PaintClient();
    EXPECT_EQ(LastBoxText(), "Failed to handle WM_PAINT.\n\r\n");
    EXPECT_EQ(dialogs.boxes.size(), 4u);
    EXPECT_EQ(Shell.Quit, 0);
}

TEST_F(WindowProcTest, EveryCommandAllowsOneStepInSingleStepMode) {
    Command(27);
    Shell.StepPending = 0;
    Command(112);
    EXPECT_EQ(Shell.StepPending, 1);
    Shell.StepPending = 0;
    Command(9999);
    EXPECT_EQ(Shell.StepPending, 1);
}

TEST_F(WindowProcTest, ChosenFileIsLoadedAndItsFolderBecomesCurrent) {
    const std::filesystem::path home = std::filesystem::current_path();
    const std::filesystem::path folder = TempPath("open_test");
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "named.slt").string();
    std::ofstream(path) << "%name Test Machine\n";
    dialogs.openAnswers.push_back(path);
    Command(102);
    ASSERT_NE(Machine->FileName, nullptr);
    EXPECT_EQ(std::string(Machine->FileName), path);
    EXPECT_EQ(std::filesystem::current_path(), folder);
    Machine->Expended = 5;
    UpdateTitle(window);
    EXPECT_EQ(window->GetWindowText(), "Kestrel-3D: Test Machine ($5 Expended)");
    // The next dialog starts from that file; cancelling changes nothing.
    const int resets = Machine->ResetCount;
    Command(102);
    ASSERT_EQ(dialogs.openRequests.size(), 3u);
    EXPECT_EQ(dialogs.openRequests[2].file, path);
    EXPECT_EQ(Machine->ResetCount, resets);
    std::filesystem::current_path(home);
    std::filesystem::remove_all(folder);
}

} // namespace
