// The shell's start-up to its first frame, with windows in memory (no Qt platform): the
// window, driver list, 3D objects, device, world and one rendered 584 by 360 frame.

#include <benchmark/benchmark.h>

#include "platform/rm/d3drm.h"
#include "platform/win/platform.h"
#include "platform/win/recording_dialogs.h"
#include "scene/world.h"
#include "shell/app.h"
#include "shell/render.h"

namespace {

void BM_ShellStartUpToFirstFrame(benchmark::State& state) {
    win::RecordingDialogs dialogs;
    win::VirtualClock clock(10);
    for (auto _ : state) {
        win::Install(win::Services{&dialogs, &clock, nullptr, nullptr});
        World.SeedOverride = 1;
        win::Window* window = StartApplication(win::SW_SHOWNORMAL);
        if (!window || !RenderFrame()) {
            state.SkipWithError("start-up failed");
            break;
        }
        Shell.MainWindow = window;
        UpdateTitle(window);
        benchmark::DoNotOptimize(window->ClientImage().pixels.data());
        ResetProgramState();
        win::Install(win::Services{});
    }
}
BENCHMARK(BM_ShellStartUpToFirstFrame)->Unit(benchmark::kMillisecond);

void BM_ShellEmptyWorldFrame(benchmark::State& state) {
    win::RecordingDialogs dialogs;
    win::VirtualClock clock(10);
    win::Install(win::Services{&dialogs, &clock, nullptr, nullptr});
    Shell.MainWindow = StartApplication(win::SW_SHOWNORMAL);
    for (auto _ : state) {
        if (!RenderFrame()) {
            state.SkipWithError("frame failed");
            break;
        }
    }
    FreeProgram();
    Shell.MainWindow = nullptr;
    win::Install(win::Services{});
}
BENCHMARK(BM_ShellEmptyWorldFrame)->Unit(benchmark::kMicrosecond);

} // namespace
