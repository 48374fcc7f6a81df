// Player sessions: session spins per second on one thread for each example (the goal is 50
// million or more per core). Each session starts with 1000 credits at the machine's top bet
// and plays at most 1000 spins. The rate is per second of the process's CPU time, so that it
// can be read off on a busy machine.

#include <benchmark/benchmark.h>

#include <string>

#include "analysis/sessions.h"

static void BM_SessionSpins(benchmark::State& state) {
    const std::string path = state.range(0) == 0
                                 ? KESTREL_SOURCE_DIR "/examples/lucky-sevens/lucky-sevens.slt"
                                 : KESTREL_SOURCE_DIR "/examples/golden-arrows/golden-arrows.slt";
    SessionRequest request;
    request.sessions = 4000;
    request.credits = 1000;
    request.bet = 3;
    uint64_t spins = 0;
    for (auto _ : state) {
        spins += RunSessions(path, request).SpinsPlayed();
        ++request.seed;
    }
    state.counters["spins/s"] =
        benchmark::Counter(static_cast<double>(spins), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SessionSpins)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
