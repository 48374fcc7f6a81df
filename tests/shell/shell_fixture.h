#pragma once
// Runs the shell in memory: windows without a screen, boxes and dialogs answered by a
// recorder, a virtual clock; every global the shell, the world and the flags keep is put
// back to its start value around each test.

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "engine/slot_machine.h"
#include "platform/rm/d3drm.h"
#include "platform/win/platform.h"
#include "platform/win/recording_dialogs.h"
#include "resources/command_ids.h"
#include "scene/shared_flags.h"
#include "scene/world.h"
#include "shell/app.h"
#include "shell/render.h"
#include "shell/window_proc.h"

// A window on a display of a chosen colour depth.
class DepthWindows : public win::WindowFactory {
public:
    int depth = 32;
    win::Window* last = nullptr; // the window made last
    std::unique_ptr<win::Window> Create(win::WindowProc proc, const std::string& title, int width,
                                        int height, std::unique_ptr<win::Menu> menu,
                                        const win::IconResource*) override;
};

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Start-up as the program does it; the first File/Open dialog is cancelled unless
    // answers are queued.
    win::Window* Start();
    // Runs the main loop; `pass` is called at the start of each pass with its number (from
    // 1) and ends the run by returning false.
    int RunLoop(std::function<bool(int pass)> pass);

    void Send(win::Message message);
    void Command(int command) {
        Send(win::Message{.kind = win::Kind::Command, .command = command});
    }
    // A key through the accelerator table, as the main loop hands it on.
    void Key(int virtualKey, unsigned modifiers = 0, int character = 0);
    void OpenPopups();
    const win::MenuItem* Item(int command);

    std::vector<std::string> BoxTexts() const;
    std::string LastBoxText() const;

    win::RecordingDialogs dialogs;
    win::VirtualClock clock{10};
    DepthWindows windows;
    win::Window* window = nullptr;
};
