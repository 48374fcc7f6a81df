// The window procedure where the program alone cannot reach it: refused and failed calls,
// the busy guard, resizing, painting, activation and the File/Open dialog.

#include "play/play_state.h"
#include "shell_fixture.h"
#include "tests/common/test_support.h"

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

    void TearDown() override {
        ShellTest::TearDown();
        std::filesystem::current_path(home_);
        std::filesystem::remove_all(folder_);
    }

    void Scroll(win::Kind bar, int request, int thumb = 0) {
        Send(win::Message{.kind = bar, .request = request, .thumb = thumb});
    }
    // Writes the machine file in the test's own folder and opens it through File/Open.
    std::string OpenMachine(const std::string& text) {
        std::filesystem::create_directories(folder_);
        const std::string path = (folder_ / "machine.slt").string();
        std::ofstream(path) << text;
        dialogs.openAnswers.push_back(path);
        Command(CMD_OPEN);
        return path;
    }

    const std::filesystem::path home_ = std::filesystem::current_path();
    const std::filesystem::path folder_ =
        TempPath(testing::UnitTest::GetInstance()->current_test_info()->name());
};

TEST_F(WindowProcTest, RefusedRenderStateStaysForTheNextTry) {
    rm::FailNthCall(1, D3DRMERR_BADVALUE);
    Command(CMD_FLAT);
    EXPECT_EQ(LastBoxText(), "Setting the render quality failed.\nD3DRMERR_BADVALUE\r\n");
    EXPECT_EQ(Shell.RenderQuality, D3DRMRENDER_FLAT);
    EXPECT_EQ(D3D.Device->GetQuality(), D3DRMRENDER_GOURAUD);
    Command(CMD_DITHERING);
    EXPECT_EQ(D3D.Device->GetQuality(), D3DRMRENDER_FLAT);
}

TEST_F(WindowProcTest, DisplayTogglesWaitForTheMachineButSoundAndRotationDoNot) {
    Shared.Busy = 1;
    Command(CMD_SHOW_CREDITS);
    EXPECT_EQ(Shared.DisplayFlags, 63);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text,
              "Please wait for the slot machine to come to a halt before using this command");
    EXPECT_EQ(dialogs.boxes[0].caption, "Wait! Wait! Wait!");
    EXPECT_EQ(dialogs.boxes[0].style, 0x30u);
    EXPECT_FALSE(dialogs.boxes[0].owned);
    Command(CMD_SOUND);
    Command(CMD_ROTATE_X);
    EXPECT_EQ(Shared.DisplayFlags, 63 ^ 16 ^ 64);
    Shared.Busy = 0;
    Command(CMD_SHOW_CREDITS);
    EXPECT_EQ(Shared.DisplayFlags, 63 ^ 16 ^ 64 ^ 32);
}

TEST_F(WindowProcTest, AboutBoxClosesOnlyWithOk) {
    dialogs.dialogButtons = {win::IDCANCEL, 99, win::IDOK};
    Command(CMD_ABOUT);
    ASSERT_EQ(dialogs.dialogs.size(), 1u);
    // Cancel and other buttons leave it open; OK ends it with 1.
    dialogs.dialogButtons = {win::IDCANCEL};
    EXPECT_EQ(win::DialogBox("AppAbout", window, AboutProc), -1);
    dialogs.dialogButtons = {win::IDOK};
    EXPECT_EQ(win::DialogBox("AppAbout", window, AboutProc), 1);
}

TEST_F(WindowProcTest, ShrinkingMakesANewViewportGrowingANewDevice) {
    const rm::RefPtr<IDirect3DRMDevice> device(D3D.Device);
    window->ClientResized(300, 200, win::SIZE_RESTORED);
    EXPECT_EQ(D3D.Device, device);
    EXPECT_EQ(D3D.Viewport->GetWidth(), 300u);
    EXPECT_EQ(D3D.Viewport->GetHeight(), 200u);
    // Growing past the shrunk viewport, still within the device, re-creates both.
    window->ClientResized(400, 200, win::SIZE_RESTORED);
    EXPECT_NE(D3D.Device, device);
    EXPECT_EQ(D3D.Device->GetWidth(), 400u);
    EXPECT_EQ(D3D.Device->GetQuality(), D3DRMRENDER_GOURAUD);

    // Minimising and restoring to the same size re-creates the viewport.
    const rm::RefPtr<IDirect3DRMViewport> viewport(D3D.Viewport);
    window->ClientResized(0, 0, win::SIZE_MINIMIZED);
    EXPECT_EQ(Shell.Minimized, 1);
    EXPECT_EQ(D3D.Viewport, viewport);
    window->ClientResized(400, 200, win::SIZE_RESTORED);
    EXPECT_EQ(Shell.Minimized, 0);
    EXPECT_NE(D3D.Viewport, viewport);
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

TEST_F(WindowProcTest, FailedDriverChangeOrIdPastTheListEndsTheProgram) {
    rm::FailNthCall(1, E_FAIL);
    Command(CMD_FIRST_DRIVER);
    EXPECT_EQ(LastBoxText(),
              "Failed to create the D3DRM device from the clipper.\nGeneric failure.\r\n");
    EXPECT_EQ(Shell.Quit, 1);
    TearDown();
    SetUp();
    Command(CMD_FIRST_DRIVER + 4);
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
    Command(CMD_SINGLE_STEP);
    Shell.StepPending = 0;
    Command(CMD_SOUND);
    EXPECT_EQ(Shell.StepPending, 1);
    Shell.StepPending = 0;
    Command(9999);
    EXPECT_EQ(Shell.StepPending, 1);
}

TEST_F(WindowProcTest, ChosenFileIsLoadedAndItsFolderBecomesCurrent) {
    const std::string path = OpenMachine("%name Test Machine\n");
    ASSERT_NE(Machine->FileName, nullptr);
    EXPECT_EQ(std::string(Machine->FileName), path);
    EXPECT_EQ(std::filesystem::current_path(), folder_);
    Machine->Expended = 5;
    UpdateTitle(window);
    EXPECT_EQ(window->GetWindowText(), "Kestrel-3D: Test Machine ($5 Expended)");
    // The next dialog starts from that file; cancelling changes nothing.
    const int resets = Machine->ResetCount;
    Command(CMD_OPEN);
    ASSERT_EQ(dialogs.openRequests.size(), 3u);
    EXPECT_EQ(dialogs.openRequests[2].file, path);
    EXPECT_EQ(Machine->ResetCount, resets);
}

TEST_F(WindowProcTest, ASpinWhoseAnimationCallsFailStartsWithoutTouchingAFreedAnimation) {
    OpenMachine("A a Apple\n%%\nA A\nA A\n%%\nA A ^ 1 2 3\n%%\n");
    ASSERT_EQ(Machine->NumReels, 2);
    // Each pass fails one more of the calls that set up the reels' animations (an animation
    // the set refused was once released and then given its keys).
    for (int call = 1; call <= 12; ++call) {
        Shared.Busy = 0;
        Machine->Credits = 3;
        rm::FailNthCall(call, E_FAIL);
        Command(CMD_PLAY_3);
        EXPECT_EQ(Machine->Credits, 0) << call;
        // Every animation the play control keys is one the set holds.
        rm::FailNthCall(0, 0);
        for (LPDIRECT3DRMANIMATION animation : Play.ReelAnims) {
            if (animation != nullptr) {
                EXPECT_EQ(Play.ReelAnimSet->DeleteAnimation(animation), D3DRM_OK) << call;
            }
        }
    }
}

} // namespace
