// Frames per second of the scene layer on the reference scene, and where a frame's time goes:
// clearing, walking/transforming/lighting, rasterizing and showing.

#include <benchmark/benchmark.h>

#include <chrono>

#include "platform/rm/reference_scene.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// One frame as the program draws it; items per second are frames per second.
void BM_RenderReferenceScene(benchmark::State& state) {
    rm::ReferenceScene scene;
    if (rm::BuildReferenceScene(scene) < 0) {
        state.SkipWithError("building the reference scene failed");
        return;
    }
    for (auto _ : state) {
        rm::RenderReferenceFrame(scene);
        benchmark::DoNotOptimize(scene.device->LastImage().pixels.data());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RenderReferenceScene)->Unit(benchmark::kMicrosecond);

// The same frame with its parts timed; the clock reads cost a little, so the shares matter
// more than the sum.
void BM_ReferenceSceneFrameSplit(benchmark::State& state) {
    rm::ReferenceScene scene;
    if (rm::BuildReferenceScene(scene) < 0) {
        state.SkipWithError("building the reference scene failed");
        return;
    }
    RenderTimes times;
    scene.viewport->SetRenderTimes(&times);
    double clear = 0, update = 0;
    for (auto _ : state) {
        scene.scene->Move(1);
        Clock::time_point start = Clock::now();
        scene.viewport->Clear();
        clear += SecondsSince(start);
        scene.viewport->Render(scene.scene);
        start = Clock::now();
        scene.device->Update();
        update += SecondsSince(start);
    }
    const double frames = double(state.iterations());
    const double total = clear + times.transformSeconds + times.rasterSeconds + update;
    state.counters["clear_%"] = 100 * clear / total;
    state.counters["transform_%"] = 100 * times.transformSeconds / total;
    state.counters["raster_%"] = 100 * times.rasterSeconds / total;
    state.counters["update_%"] = 100 * update / total;
    state.counters["polygons"] = double(times.polygons) / frames;
}
BENCHMARK(BM_ReferenceSceneFrameSplit)->Unit(benchmark::kMicrosecond);

} // namespace
