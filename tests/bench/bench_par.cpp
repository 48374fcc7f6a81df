// The par sheet and the Monte Carlo: the first example's sheet, a four-reel machine of 64
// spin-table entries per reel (16.7 million combinations, every one judged: the machine has
// no nudge symbols, which would fold stops together), and played spins per second.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "analysis/monte_carlo.h"
#include "analysis/par_sheet.h"

static const std::string EXAMPLE = KESTREL_SOURCE_DIR "/examples/lucky-sevens/lucky-sevens.slt";

static std::string FourReels64() {
    static const std::string path = [] {
        const std::string file =
            (std::filesystem::temp_directory_path() / "kestrel-bench-four-reels-64.slt").string();
        std::ofstream out(file);
        out << "%name Four by 64\n%maxcoins 3\n";
        for (char letter : std::string("ABCDEFGH"))
            out << letter << " syms/a\n";
        out << "(wild) (double) W syms/b\n(autospin) S syms/c\n%%\n";
        std::mt19937 random(64);
        const std::string letters = "ABCDEFGHABCDEFGHWS";
        for (int row = 0; row < 64; ++row) {
            for (int reel = 0; reel < 4; ++reel)
                out << letters[random() % letters.size()] << ' ';
            out << '\n';
        }
        out << "%%\nA A A A ^ 500\nB B B B ^ 200\nC C C * ^ 50\n[CD] [CD] [CD] [CD] ^ 20\n"
               "+E +E +E * ^ 10\nF F * * ^ 4\nG * * * ^ 1\n%%\n";
        return file;
    }();
    return path;
}

static void BM_ParLuckySevens(benchmark::State& state) {
    ParRequest request;
    request.bet = 3;
    for (auto _ : state)
        benchmark::DoNotOptimize(ComputePar(EXAMPLE, request).rtp);
}
BENCHMARK(BM_ParLuckySevens)->Unit(benchmark::kMillisecond);

// Argument: threads.
static void BM_ParFourReels64(benchmark::State& state) {
    ParRequest request;
    request.bet = 3;
    request.threads = static_cast<int>(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(ComputePar(FourReels64(), request).rtp);
    state.SetItemsProcessed(state.iterations() * 64 * 64 * 64 * 64);
}
BENCHMARK(BM_ParFourReels64)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// Argument: threads; items are played spins. The CPU column is the whole process's, so that
// spins per CPU second can be read off on a busy machine.
static void BM_SimLuckySevens(benchmark::State& state) {
    SimRequest request;
    request.threads = static_cast<int>(state.range(0));
    request.spins = uint64_t{1} << 27;
    request.bet = 3;
    for (auto _ : state)
        benchmark::DoNotOptimize(RunMonteCarlo(EXAMPLE, request).wins.size());
    state.SetItemsProcessed(state.iterations() * request.spins);
}
BENCHMARK(BM_SimLuckySevens)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
