// Our rasterizer against Mesa's llvmpipe on the program's own frames (the views of
// tests/gl): the same captured polygons drawn by each, with textures and vertices already
// in place, so both times are drawing alone. llvmpipe uses as many threads as LP_NUM_THREADS
// says (by default one per core); ours uses one.

#include <benchmark/benchmark.h>

#include "../platform/rm/gl_replay.h"

namespace {

const std::vector<glcheck::View>& Views() {
    static const std::vector<glcheck::View> views = glcheck::CaptureMachineViews();
    return views;
}

const glcheck::View* ViewOf(benchmark::State& state) {
    const size_t index = size_t(state.range(0));
    if (index >= Views().size()) {
        state.SkipWithError("the examples did not open");
        return nullptr;
    }
    state.SetLabel(Views()[index].name);
    return &Views()[index];
}

void BM_OurRasterizer(benchmark::State& state) {
    const glcheck::View* view = ViewOf(state);
    if (view == nullptr)
        return;
    glcheck::Ours ours; // its buffers and owed clears kept from frame to frame, as a device's
    for (auto _ : state)
        benchmark::DoNotOptimize(ours.Render(view->frame, {.owed = true}).pixels.data());
}

void BM_Llvmpipe(benchmark::State& state) {
    static glcheck::Llvmpipe llvmpipe;
    const glcheck::View* view = ViewOf(state);
    if (view == nullptr)
        return;
    if (!llvmpipe.Ready()) {
        state.SkipWithError(llvmpipe.Error().c_str());
        return;
    }
    llvmpipe.Load(view->frame);
    for (auto _ : state)
        llvmpipe.Draw();
}

constexpr int VIEWS = 18; // both examples, nine views each
BENCHMARK(BM_OurRasterizer)->DenseRange(0, VIEWS - 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Llvmpipe)->DenseRange(0, VIEWS - 1)->Unit(benchmark::kMillisecond);

} // namespace
