// The designer's workbench with windows in memory: a reload of each example as a save causes
// it (load, scene, sounds, and the par sheet of every bet), and the frames rendered while a
// large machine's sheet is worked out on its own thread.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/win/platform.h"
#include "platform/win/recording_dialogs.h"
#include "resources/command_ids.h"
#include "scene/world.h"
#include "shell/app.h"
#include "shell/render.h"
#include "shell/workbench.h"

namespace {

using Clock = std::chrono::steady_clock;

// The program started on `machine` with the par sheet window open; false when it would not.
bool StartOn(const std::string& machine, win::RecordingDialogs& dialogs, win::VirtualClock& clock) {
    dialogs.openAnswers.push_back(machine);
    win::Install(win::Services{&dialogs, &clock, nullptr, nullptr});
    World.SeedOverride = 1;
    Shell.MainWindow = StartApplication(win::SW_SHOWNORMAL);
    if (!Shell.MainWindow)
        return false;
    MachineMenuCommand(CMD_PAR_SHEET);
    return true;
}

void Stop() {
    ResetProgramState();
    win::Install(win::Services{});
}

void WaitForSheet() {
    while (ParSheetComputing()) {
        WorkbenchPass();
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    WorkbenchPass();
}

void BM_WorkbenchReload(benchmark::State& state, const char* name) {
    win::RecordingDialogs dialogs;
    win::VirtualClock clock(10);
    const std::string machine =
        std::string(KESTREL_EXAMPLES_DIR) + "/" + name + "/" + name + ".slt";
    if (!StartOn(machine, dialogs, clock)) {
        state.SkipWithError("start-up failed");
        return;
    }
    WaitForSheet();
    for (auto _ : state) {
        ReloadMachine();
        WaitForSheet();
    }
    Stop();
}
BENCHMARK_CAPTURE(BM_WorkbenchReload, lucky_sevens, "lucky-sevens")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WorkbenchReload, golden_arrows, "golden-arrows")
    ->Unit(benchmark::kMillisecond);

// Four reels of 256 stops over a dozen symbols without pictures, and a pay table that
// tells many of them apart, so the sheet has many classes to sum.
std::string LargeMachine() {
    const std::string folder = std::filesystem::temp_directory_path() / "kestrel-bench-large";
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/large.slt";
    std::ofstream out(path);
    out << "%name Large\n%maxcoins 3\n%currencynum 1\n%currencydenom 1\n";
    const std::string letters = "ABCDEFGHIJKL";
    for (char letter : letters)
        out << "("
            << (letter == 'L'   ? "wild"
                : letter == 'K' ? "down"
                                : "double")
            << ") " << letter << " blank S" << letter << "\n";
    out << "%%\n";
    for (int stop = 0; stop < 256; ++stop) {
        for (int reel = 0; reel < 4; ++reel)
            out << letters[size_t(stop * (reel + 3) + stop / 7) % letters.size()] << ' ';
        out << "\n";
    }
    out << "%%\n";
    for (size_t i = 0; i + 1 < letters.size(); ++i)
        out << letters[i] << ' ' << letters[i] << ' ' << letters[i] << ' ' << letters[i] << " ^ "
            << 10 * (i + 1) << " ^ Four " << letters[i] << "\n";
    out << "A A * * ^ 1 ^ Two A\n%%\n";
    return path;
}

// Each iteration is one frame as the main loop runs it; the longest is reported.
void BM_WorkbenchFramesWhileLargeSheetComputes(benchmark::State& state) {
    win::RecordingDialogs dialogs;
    win::VirtualClock clock(10);
    if (!StartOn(LargeMachine(), dialogs, clock)) {
        state.SkipWithError("start-up failed");
        return;
    }
    double longest = 0;
    int computingFrames = 0;
    for (auto _ : state) {
        if (!ParSheetComputing())
            ReloadMachine(); // a new sheet to compute
        const Clock::time_point start = Clock::now();
        WorkbenchPass();
        RenderFrame();
        longest = std::max(longest,
                           std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        computingFrames += ParSheetComputing() ? 1 : 0;
    }
    state.counters["longest_ms"] = longest;
    state.counters["frames_computing"] = computingFrames;
    WaitForSheet();
    Stop();
}
BENCHMARK(BM_WorkbenchFramesWhileLargeSheetComputes)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(300);

} // namespace
