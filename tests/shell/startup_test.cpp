// Start-up, the driver list, the device and its render state, the main loop and shut-down.

#include "shell_fixture.h"

#include <climits>
#include <cstring>

namespace {

// Reports one driver to ChooseDriver as the enumeration would.
HRESULT Report(const char* name, bool hardware, D3DCOLORMODEL model, DWORD depths = DDBD_32) {
    GUID guid{static_cast<uint32_t>(Shell.DriverCount + 1), 0, 0, {}};
    D3DDEVICEDESC none{sizeof(D3DDEVICEDESC), 0, 0, 0};
    D3DDEVICEDESC desc{sizeof(D3DDEVICEDESC), 0, model, depths};
    return ChooseDriver(&guid, const_cast<char*>("description"), const_cast<char*>(name),
                        hardware ? &desc : &none, hardware ? &none : &desc, &Shell.CurrentDriver);
}

class DriverChoice : public ::testing::Test {
protected:
    void SetUp() override {
        ResetGlobals();
        Shell.BitsPerPixel = 32;
        StartDriverEnumeration();
    }
};

TEST_F(DriverChoice, HardwareBeatsSoftwareAndMonoBeatsColour) {
    EXPECT_EQ(Report("soft rgb", false, D3DCOLOR_RGB), D3DENUMRET_OK);
    EXPECT_EQ(Shell.CurrentDriver, 0);
    EXPECT_EQ(Report("soft mono", false, D3DCOLOR_MONO), D3DENUMRET_OK);
    EXPECT_EQ(Shell.CurrentDriver, 1);
    EXPECT_EQ(Report("hard rgb", true, D3DCOLOR_RGB), D3DENUMRET_OK);
    EXPECT_EQ(Shell.CurrentDriver, 2);
    // A software driver never replaces a hardware one, mono or not.
    EXPECT_EQ(Report("soft mono 2", false, D3DCOLOR_MONO), D3DENUMRET_OK);
    EXPECT_EQ(Shell.CurrentDriver, 2);
    EXPECT_EQ(Shell.DriverCount, 4);
    EXPECT_STREQ(Shell.DriverName[2], "hard rgb");
    EXPECT_EQ(Shell.DriverGuid[2].Data1, 3u);
}

TEST_F(DriverChoice, OnlyFiveAreListedIncompatibleOnesSkippedLongNamesCut) {
    EXPECT_EQ(Report("16-bit only", false, D3DCOLOR_RGB, DDBD_16), D3DENUMRET_OK);
    EXPECT_EQ(Shell.DriverCount, 0);
    EXPECT_EQ(Shell.CurrentDriver, -1);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(Report(std::string(80, 'n').c_str(), false, D3DCOLOR_RGB), D3DENUMRET_OK);
    // Long names are cut to their buffer.
    EXPECT_EQ(std::strlen(Shell.DriverName[3]), static_cast<size_t>(DRIVER_NAME_SIZE - 1));
    EXPECT_EQ(Report("fifth", false, D3DCOLOR_RGB), D3DENUMRET_CANCEL);
    EXPECT_EQ(Shell.DriverCount, 5);
    // An enumeration that ignores the cancel cannot write past the list.
    EXPECT_EQ(Report("sixth", true, D3DCOLOR_MONO), D3DENUMRET_CANCEL);
    EXPECT_EQ(Shell.DriverCount, 5);
    EXPECT_EQ(Shell.CurrentDriver, 0);
}

// Answers the open dialog after noting whether the main window was already showing.
class WatchingDialogs : public win::RecordingDialogs {
public:
    explicit WatchingDialogs(DepthWindows& windows) : windows_(windows) {}
    bool ChooseOpenFile(win::OpenFileName& request) override {
        windowShownWhenAsked = windows_.last && windows_.last->IsVisible();
        return RecordingDialogs::ChooseOpenFile(request);
    }
    bool windowShownWhenAsked = true;

private:
    DepthWindows& windows_;
};

TEST_F(ShellTest, StartsHiddenAsksForAFileThenShowsTheWindow) {
    WatchingDialogs watching(windows);
    win::SetDialogs(&watching);
    ASSERT_NE(Start(), nullptr);
    win::SetDialogs(&dialogs);
    EXPECT_FALSE(watching.windowShownWhenAsked);
    ASSERT_EQ(watching.openRequests.size(), 1u);
    const win::OpenFileName& asked = watching.openRequests[0];
    ASSERT_EQ(asked.filters.size(), 1u);
    EXPECT_EQ(asked.filters[0].first, "Slot Machine Files");
    EXPECT_EQ(asked.filters[0].second, "*.slt");
    EXPECT_EQ(asked.maxFile, unsigned(PATH_MAX)); // any name the system can open
    EXPECT_EQ(asked.flags, 0x1004u);
    EXPECT_EQ(asked.file, "");
    EXPECT_TRUE(window->IsVisible());
    EXPECT_EQ(window->GetWindowText(), "Kestrel-3D:");
    EXPECT_EQ(Shell.Running, 1);
    EXPECT_TRUE(watching.boxes.empty());
    ASSERT_NE(Machine, nullptr);
    EXPECT_EQ(Machine->NumReels, 0);

    // The drivers sit between the two separators above Exit, in enumeration order.
    win::Menu* file = window->GetMenu()->GetSubMenu(0);
    ASSERT_EQ(Shell.DriverCount, 2);
    EXPECT_EQ(file->ItemAt(7)->command, CMD_FIRST_DRIVER);
    EXPECT_EQ(file->ItemAt(7)->text, Shell.DriverName[0]);
    EXPECT_EQ(file->ItemAt(8)->command, CMD_FIRST_DRIVER + 1);
    EXPECT_TRUE(file->ItemAt(9)->separator);
    EXPECT_EQ(file->ItemAt(10)->command, CMD_EXIT);
    // The mono driver is preferred.
    EXPECT_EQ(Shell.CurrentDriver, 1);

    ASSERT_NE(D3D.Viewport, nullptr);
    EXPECT_EQ(D3D.Viewport->GetWidth(), static_cast<DWORD>(window->ClientWidth()));
    EXPECT_EQ(D3D.Viewport->GetHeight(), static_cast<DWORD>(window->ClientHeight()));
    EXPECT_FLOAT_EQ(D3D.Viewport->GetBack(), 100.0f);
    EXPECT_EQ(D3D.Device->GetQuality(), D3DRMRENDER_GOURAUD); // solid, lit, Gouraud
    EXPECT_EQ(D3D.Device->GetTextureQuality(), D3DRMTEXTURE_LINEAR);
    EXPECT_EQ(D3D.Device->GetDither(), 0);
    EXPECT_EQ(D3D.Device->GetShades(), 256u);
}

TEST_F(ShellTest, ShadeCountsFollowTheDisplayDepth) {
    const std::pair<int, unsigned> depths[] = {{16, 32u}, {24, 256u}};
    for (const auto& [depth, shades] : depths) {
        TearDown();
        SetUp();
        windows.depth = depth;
        ASSERT_NE(Start(), nullptr);
        EXPECT_EQ(D3D.Device->GetShades(), shades) << depth;
    }
}

TEST_F(ShellTest, NoDriverForTheDisplayDepthEndsTheProgram) {
    windows.depth = 8;
    EXPECT_EQ(RunLoop([](int) { return true; }), 1);
    EXPECT_EQ(BoxTexts(),
              std::vector<std::string>{"Could not find a D3D driver which is compatible with this "
                                       "display depth\r\n"});
    EXPECT_FALSE(Shell.MainWindow && Shell.MainWindow->IsVisible());
}

// Every result-returning call of start-up, failed in turn: each failure that start-up
// notices ends it with its own message and an exit code of 1.
TEST_F(ShellTest, EveryStartUpFailureReturnsOneWithItsMessage) {
    const std::vector<std::string> expected = {
        "Creation of DirectDraw HEL failed.\nGeneric failure.\r\n",
        "Creation of Direct3D interface failed.\nGeneric failure.\r\n",
        "Enumeration of drivers failed.\nGeneric failure.\r\n",
        "Failed to create DirectDraw\n\r\n",
        "Failed to create Direct3DRM.\nGeneric failure.\r\n",
        "Failed to create the master scene frame.\nGeneric failure.\r\n",
        "Failed to create the camera's frame.\nGeneric failure.\r\n",
        "Failed to position the camera in the frame.\nGeneric failure.\r\n",
        "Failed to create DirectDrawClipper\r\n",
        "Failed to set hwnd on the clipper\r\n",
        "Failed to create the D3DRM device from the clipper.\nGeneric failure.\r\n",
        "Failed to create the D3DRM viewport.\nGeneric failure.\r\n",
        "Failed to set the background depth of the D3DRM viewport.\nGeneric failure.\r\n",
        "Setting the render quality failed.\nGeneric failure.\r\n",
        "Setting dither mode failed.\nGeneric failure.\r\n",
        "Setting texture quality failed.\nGeneric failure.\r\n",
        "A failure occurred while setting color shade information.\n\r\n",
    };
    std::vector<std::string> seen;
    for (int n = 1; n < 80; ++n) {
        TearDown();
        SetUp();
        rm::FailNthCall(n, E_FAIL);
        const int result = RunLoop([](int) { return false; });
        EXPECT_TRUE(result == 0 || result == 1) << "call " << n;
        if (result == 1) {
            ASSERT_FALSE(dialogs.boxes.empty()) << "call " << n;
            seen.push_back(dialogs.boxes.front().text);
        }
    }
    for (const std::string& text : expected)
        EXPECT_NE(std::find(seen.begin(), seen.end(), text), seen.end()) << text;
}

TEST_F(ShellTest, ThirdFailedFrameEndsTheRunAfterItsOwnMessage) {
    int lastPass = 0;
    const int result = RunLoop([&](int pass) {
        lastPass = pass;
        // The scene's Move is the first call of each frame.
        if (pass == 2 || pass == 5 || pass == 9)
            rm::FailNthCall(1, D3DRMERR_BADOBJECT);
        return pass < 30;
    });
    EXPECT_EQ(result, 1); // a failure ended the program
    EXPECT_EQ(lastPass, 9);
    const std::string moving = "Moving scene failed.\nD3DRMERR_BADOBJECT\r\n";
    EXPECT_EQ(BoxTexts(),
              (std::vector<std::string>{moving, moving, moving,
                                        "Rendering has failed too many times.  Aborting "
                                        "execution.\n\r\n"}));
    // The first two failed passes still update the title; the third does not.
    EXPECT_EQ(Shell.Status.frameCount, 8u);
    EXPECT_EQ(Shell.Quit, 1);
    EXPECT_EQ(D3D.SceneFrame, nullptr);
    EXPECT_TRUE(Shell.MainWindow->IsDestroyed());
}

TEST_F(ShellTest, FailedStepsOfAFrameShowTheirTexts) {
    ASSERT_NE(Start(), nullptr);
    const std::pair<int, const char*> steps[] = {
        {1, "Moving scene failed.\nD3DRMERR_NOTFOUND\r\n"},
        {2, "Clearing viewport failed.\nD3DRMERR_NOTFOUND\r\n"},
        {3, "Rendering scene failed.\nD3DRMERR_NOTFOUND\r\n"},
        {4, "Updating device failed.\nD3DRMERR_NOTFOUND\r\n"},
    };
    for (const auto& [call, text] : steps) {
        rm::FailNthCall(call, D3DRMERR_NOTFOUND);
        EXPECT_EQ(RenderFrame(), 0);
        EXPECT_EQ(LastBoxText(), text);
    }
    EXPECT_EQ(RenderFrame(), 1);
    EXPECT_EQ(dialogs.boxes.size(), 4u);
}

// Closing the window, File/Exit and a quit message each end the loop on the pass they come in
// and shut everything down once.
TEST_F(ShellTest, EveryWayOutEndsTheLoopAndShutsDown) {
    const struct {
        int lastPass;
        std::function<void()> leave;
        int exitCode;
    } ways[] = {
        {2, [this] { Send(win::Message{.kind = win::Kind::Close}); }, 0},
        {3, [this] { Command(CMD_EXIT); }, 0},
        {2, [] { win::PostQuitMessage(7); }, 7},
    };
    for (const auto& way : ways) {
        TearDown();
        SetUp();
        int passes = 0;
        EXPECT_EQ(RunLoop([&](int pass) {
                      passes = pass;
                      if (pass == way.lastPass)
                          way.leave();
                      return true;
                  }),
                  way.exitCode);
        EXPECT_EQ(passes, way.lastPass);
        EXPECT_EQ(Shell.Status.frameCount, static_cast<uint32_t>(way.lastPass - 1));
        EXPECT_TRUE(Shell.MainWindow->IsDestroyed());
        EXPECT_EQ(Shell.Running, 0);
        EXPECT_EQ(D3D.SceneFrame, nullptr);
        EXPECT_EQ(D3D.lpD3DRM, nullptr);
        EXPECT_EQ(D3D.Clipper, nullptr);
        EXPECT_NE(D3D.lpDD, nullptr);
        ShutDown();
        EXPECT_EQ(Shell.Quit, 1);
    }
}

// What a run leaves behind (the machine, a seed, a failure's exit code, the display depth, a
// failing call armed and never reached) one reset clears, so the next start is like the first.
TEST_F(ShellTest, ResetProgramStateLeavesNothingOfTheLastRun) {
    windows.depth = 16;
    World.SeedOverride = 4242;
    ASSERT_NE(Start(), nullptr);
    ShutDownAfterFailure();
    rm::FailNthCall(1, E_FAIL);
    ResetProgramState();
    EXPECT_EQ(Machine, nullptr);
    EXPECT_FALSE(World.SeedOverride.has_value());
    EXPECT_EQ(Shell.QuitCode, 0);
    EXPECT_EQ(rm::DisplayDepth(), rm::DEFAULT_DISPLAY_DEPTH);
    LPDIRECT3DRM d3drm = nullptr;
    EXPECT_EQ(Direct3DRMCreate(&d3drm), D3DRM_OK);
    if (d3drm)
        d3drm->Release();
}

TEST_F(ShellTest, SingleStepRendersOneFramePerStep) {
    std::vector<uint32_t> frames;
    RunLoop([&](int pass) {
        frames.push_back(Shell.Status.frameCount);
        if (pass == 3)
            for (int i = 0; i < 3; ++i)
                Key(win::VK_SPACE);
        if (pass == 10)
            Key(win::VK_RETURN);
        return pass < 13;
    });
    // Two frames before, three steps in single-step mode (the first press enters it), then
    // continuous rendering again from pass 10.
    EXPECT_EQ(frames[3], 3u);
    EXPECT_EQ(frames[9], 3u);
    EXPECT_EQ(frames[12], 6u);
    EXPECT_EQ(Shell.SingleStep, 0);
}

} // namespace
