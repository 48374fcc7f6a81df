// The example machine in a window on Qt's offscreen screen, as kestrel3d shows it (a 600 by 400
// window, default render state, the machine at rest): the bare frame (clear, render and
// Update into the device's own buffers, the window not told) against the whole frame of the
// main loop (Qt's events, the workbench's pass, the frame drawn into the window's store and
// flushed, the title).
// The whole frame should cost at most 1.15 times the bare one.

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "engine/slot_machine.h"
#include "platform/win/platform.h"
#include "platform/win/qt_platform.h"
#include "platform/win/recording_dialogs.h"
#include "scene/scene_objects.h"
#include "scene/world.h"
#include "shell/app.h"
#include "shell/render.h"
#include "shell/workbench.h"

namespace {

// Qt wants its arguments to outlive the application.
int qtArgc = 1;
char qtName[] = "kestrel-bench";
char* qtArgv[] = {qtName, nullptr};

std::unique_ptr<win::QtPlatform> OffscreenQt() {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    return std::make_unique<win::QtPlatform>(qtArgc, qtArgv);
}

class ExampleInWindow {
public:
    explicit ExampleInWindow(benchmark::State& state) {
        dialogs_.openAnswers.push_back(std::string(KESTREL_EXAMPLES_DIR) +
                                       "/lucky-sevens/lucky-sevens.slt");
        win::SetDialogs(&dialogs_);
        win::SetClock(&clock_);
        World.SeedOverride = 1;
        Shell.MainWindow = StartApplication(win::SW_SHOWNORMAL);
        if (Shell.MainWindow == nullptr || Machine == nullptr || Machine->NumReels == 0 ||
            !dialogs_.boxes.empty())
            state.SkipWithError("the example did not open cleanly");
        PumpMessages(); // shown and painted once
    }
    ~ExampleInWindow() {
        ResetProgramState();
        win::SetDialogs(nullptr);
        win::SetClock(nullptr);
        std::filesystem::current_path(home_);
    }

private:
    std::unique_ptr<win::QtPlatform> qt_ = OffscreenQt(); // first made, last gone
    std::filesystem::path home_ = std::filesystem::current_path();
    win::RecordingDialogs dialogs_;
    win::VirtualClock clock_{10};
};

void BM_ExampleBareFrame(benchmark::State& state) {
    ExampleInWindow example(state);
    rm::SetWindowPresenter(Shell.MainWindow, {});
    for (auto _ : state) {
        if (D3D.Viewport->Clear() != D3DRM_OK || D3D.Viewport->Render(D3D.SceneFrame) != D3DRM_OK ||
            D3D.Device->Update() != D3DRM_OK) {
            state.SkipWithError("frame failed");
            break;
        }
    }
}
BENCHMARK(BM_ExampleBareFrame)->Unit(benchmark::kMillisecond);

void BM_ExampleWholeFrame(benchmark::State& state) {
    ExampleInWindow example(state);
    for (auto _ : state) {
        PumpMessages();
        WorkbenchPass();
        if (!RenderFrame()) {
            state.SkipWithError("frame failed");
            break;
        }
        UpdateTitle(Shell.MainWindow);
    }
}
BENCHMARK(BM_ExampleWholeFrame)->Unit(benchmark::kMillisecond);

} // namespace
