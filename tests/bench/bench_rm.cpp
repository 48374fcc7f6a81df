// Frames per second of the scene layer on the reference scene, with the frame time split
// into clearing, transforming and lighting, and rasterizing.

#include <benchmark/benchmark.h>

#include <chrono>

#include "platform/rm/reference_scene.h"

namespace {

void BM_RenderReferenceScene(benchmark::State& state) {
    rm::ReferenceScene scene;
    if (rm::BuildReferenceScene(scene) < 0) {
        state.SkipWithError("building the reference scene failed");
        return;
    }
    RenderTimes times;
    scene.viewport->SetRenderTimes(&times);
    double clearSeconds = 0;
    for (auto _ : state) {
        scene.scene->Move(1);
        const auto start = std::chrono::steady_clock::now();
        scene.viewport->Clear();
        clearSeconds +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        scene.viewport->Render(scene.scene);
        scene.device->Update();
        benchmark::DoNotOptimize(scene.device->LastImage().pixels.data());
    }
    const double frames = double(state.iterations());
    state.SetItemsProcessed(state.iterations());
    state.counters["clear_us"] = clearSeconds / frames * 1e6;
    state.counters["transform_us"] = times.transformSeconds / frames * 1e6;
    state.counters["raster_us"] = times.rasterSeconds / frames * 1e6;
    state.counters["polygons"] = double(times.polygons) / frames;
}
BENCHMARK(BM_RenderReferenceScene)->Unit(benchmark::kMicrosecond);

} // namespace
