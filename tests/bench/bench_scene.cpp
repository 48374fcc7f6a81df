// The bundled example machine, opened in memory as the program opens it (a 600 by 400
// window, default render state): one rendered frame of it, and one rebuild of its scene
// (drums, cabinet, meter and buttons, every picture loaded again from its file).

#include <benchmark/benchmark.h>
#include <filesystem>

#include "engine/slot_machine.h"
#include "platform/win/platform.h"
#include "platform/win/recording_dialogs.h"
#include "resources/command_ids.h"
#include "scene/machine_scene.h"
#include "scene/world.h"
#include "shell/app.h"
#include "shell/render.h"

namespace {

// Starts the program with the example answering the first File/Open dialog; the dialog
// makes the example's folder the current directory, as it does in the program.
class ExampleMachine {
public:
    explicit ExampleMachine(benchmark::State& state) {
        dialogs_.openAnswers.push_back(std::string(KESTREL_EXAMPLES_DIR) +
                                       "/lucky-sevens/lucky-sevens.slt");
        win::Install(win::Services{&dialogs_, &clock_, nullptr, nullptr});
        World.SeedOverride = 1;
        Shell.MainWindow = StartApplication(win::SW_SHOWNORMAL);
        if (Shell.MainWindow == nullptr || Machine == nullptr || Machine->NumReels == 0 ||
            !dialogs_.boxes.empty())
            state.SkipWithError("the example did not open cleanly");
    }
    ~ExampleMachine() {
        ResetProgramState();
        win::Install(win::Services{});
        std::filesystem::current_path(home_);
    }

private:
    std::filesystem::path home_ = std::filesystem::current_path();
    win::RecordingDialogs dialogs_;
    win::VirtualClock clock_{10};
};

void RenderFrames(benchmark::State& state) {
    for (auto _ : state) {
        if (!RenderFrame()) {
            state.SkipWithError("frame failed");
            break;
        }
    }
}

void BM_RenderExampleMachine(benchmark::State& state) {
    ExampleMachine example(state);
    RenderFrames(state);
}
BENCHMARK(BM_RenderExampleMachine)->Unit(benchmark::kMillisecond);

// Zoomed in three steps by the Zoom In command: the machine fills most of the window.
void BM_RenderExampleMachineZoomed(benchmark::State& state) {
    ExampleMachine example(state);
    for (int i = 0; i < 3; ++i) {
        DeliverMessage(win::Message{
            .kind = win::Kind::Command, .window = Shell.MainWindow, .command = CMD_ZOOM_IN});
        PumpMessages();
    }
    RenderFrames(state);
}
BENCHMARK(BM_RenderExampleMachineZoomed)->Unit(benchmark::kMillisecond);

void BM_BuildMachineScene(benchmark::State& state) {
    ExampleMachine example(state);
    for (auto _ : state) {
        if (BuildMachineScene() != 0) {
            state.SkipWithError("build failed");
            break;
        }
    }
}
BENCHMARK(BM_BuildMachineScene)->Unit(benchmark::kMillisecond);

} // namespace
