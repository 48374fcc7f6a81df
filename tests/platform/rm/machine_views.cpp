#include "gl_replay.h"

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "engine/slot_machine.h"
#include "platform/win/platform.h"
#include "platform/win/recording_dialogs.h"
#include "resources/command_ids.h"
#include "scene/world.h"
#include "shell/app.h"
#include "shell/render.h"

namespace glcheck {
namespace {

struct Step {
    const char* name; // captured after its commands, zoom steps (out when negative) and frames
    std::vector<int> commands;
    int frames = 1;
    int zoom = 0;
};

// Toggles are put back by the next step, so each option is seen off on its own.
const std::vector<Step> STEPS = {
    {"default", {}},
    {"no cabinet", {CMD_SHOW_CABINET}},
    {"no credit meter", {CMD_SHOW_CABINET, CMD_SHOW_CREDITS}},
    {"no payoff chart", {CMD_SHOW_CREDITS, CMD_SHOW_PAYOFF_CHART}},
    {"no buttons", {CMD_SHOW_PAYOFF_CHART, CMD_SHOW_BUTTONS}},
    {"nearest texels, flat shading", {CMD_SHOW_BUTTONS, CMD_POINT_FILTERING, CMD_FLAT}},
    {"zoomed in", {CMD_BILINEAR_FILTERING, CMD_GOURAUD}, 1, 3},
    {"mid-spin", {CMD_MONEY_5, CMD_PLAY_3}, 40, -3},
    {"turned", {CMD_ROTATE_X, CMD_ROTATE_Y}, 25},
};

void Send(int command) {
    DeliverMessage(
        win::Message{.kind = win::Kind::Command, .window = Shell.MainWindow, .command = command});
    PumpMessages();
}

bool CaptureExample(const std::string& example, std::vector<View>& views) {
    win::RecordingDialogs dialogs;
    win::VirtualClock clock{10};
    dialogs.openAnswers.push_back(std::string(KESTREL_EXAMPLES_DIR) + "/" + example + "/" +
                                  example + ".slt");
    win::Install(win::Services{&dialogs, &clock, nullptr, nullptr});
    ResetProgramState();
    World.SeedOverride = 1;
    Shell.MainWindow = StartApplication(win::SW_SHOWNORMAL);
    const bool opened = Shell.MainWindow != nullptr && Machine != nullptr && Machine->NumReels > 0;
    Recorder recorder;
    for (const Step& step : opened ? STEPS : std::vector<Step>{}) {
        for (int command : step.commands)
            Send(command);
        for (int i = 0; i < std::abs(step.zoom); ++i)
            Send(step.zoom > 0 ? CMD_ZOOM_IN : CMD_ZOOM_OUT);
        for (int i = 0; i < step.frames; ++i) {
            D3D.Viewport->SetDrawTap(&recorder);
            RenderFrame();
            clock.Advance();
        }
        views.push_back({example + ", " + step.name, recorder.Take(), D3D.Device->LastImage()});
    }
    if (D3D.Viewport != nullptr)
        D3D.Viewport->SetDrawTap(nullptr);
    FreeProgram();
    Shell.MainWindow = nullptr;
    win::Install(win::Services{});
    World.SeedOverride.reset();
    return opened;
}

} // namespace

std::vector<View> CaptureMachineViews() {
    const std::filesystem::path home = std::filesystem::current_path();
    std::vector<View> views;
    bool opened = true;
    for (const char* example : {"lucky-sevens", "golden-arrows"})
        opened = opened && CaptureExample(example, views);
    std::filesystem::current_path(home); // opening a file moved into its folder
    return opened ? views : std::vector<View>{};
}

} // namespace glcheck
