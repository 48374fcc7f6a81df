// Tuning: each example's stop weights searched for an RTP of 92%, 95% and 97% under the ideal
// weighting (the goal: each well under 5 s on one core).

#include <benchmark/benchmark.h>

#include <string>

#include "analysis/tune.h"

static void BM_TuneExample(benchmark::State& state) {
    const std::string path = state.range(0) == 0
                                 ? KESTREL_SOURCE_DIR "/examples/lucky-sevens/lucky-sevens.slt"
                                 : KESTREL_SOURCE_DIR "/examples/golden-arrows/golden-arrows.slt";
    QuietMachine loaded(path);
    TuneRequest request;
    request.rtp = mpq_class(state.range(1), 100);
    request.bet = loaded.machine->MaxCoins;
    bool reached = true;
    for (auto _ : state)
        reached = reached && Tune(*loaded.machine, request).reached;
    if (!reached)
        state.SkipWithError("the target was not reached");
}
BENCHMARK(BM_TuneExample)->ArgsProduct({{0, 1}, {92, 95, 97}})->Unit(benchmark::kMillisecond);
