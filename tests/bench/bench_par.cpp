// The par sheet and the Monte Carlo: each example's sheet, random four-reel machines of 256
// stops per reel (4.3 thousand million combinations: the sheet sums over classes of rest
// stops that show the pay table alike), the same summed combination by combination on a
// smaller machine, and played spins per second.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "analysis/monte_carlo.h"
#include "analysis/par_sheet.h"

static const std::string EXAMPLE = KESTREL_SOURCE_DIR "/examples/lucky-sevens/lucky-sevens.slt";
static const std::string SECOND_EXAMPLE =
    KESTREL_SOURCE_DIR "/examples/golden-arrows/golden-arrows.slt";

// Four reels of `stops` random stops of eight symbols and a doubling wild (and, with
// `nudging`, symbols that drop onto the line, an autospin symbol and "+" columns).
static std::string RandomMachine(int stops, bool nudging) {
    const std::string file =
        (std::filesystem::temp_directory_path() /
         ("kestrel-bench-" + std::to_string(stops) + (nudging ? "-nudging" : "-plain") + ".slt"))
            .string();
    std::ofstream out(file);
    out << "%name Four by " << stops << "\n%maxcoins 3\n";
    for (char letter : std::string("ABCDEFGH"))
        out << (nudging && letter >= 'G' ? "(down) " : "") << letter << " syms/a\n";
    out << "(wild) (double) W syms/b\n";
    if (nudging)
        out << "(autospin) S syms/c\n";
    std::mt19937 random(stops);
    const std::string letters = nudging ? "ABCDEFGHABCDEFGHWS" : "ABCDEFGHABCDEFGHW";
    out << "%%\n";
    for (int row = 0; row < stops; ++row) {
        for (int reel = 0; reel < 4; ++reel)
            out << letters[random() % letters.size()] << ' ';
        out << '\n';
    }
    out << "%%\nA A A A ^ 500\nB B B B ^ 200\nC C C * ^ 50\n[CD] [CD] [CD] [CD] ^ 20\n"
        << (nudging ? "+E +E +E * ^ 10\n* +F +F +F ^ 8\n" : "E E E * ^ 10\n")
        << "F F * * ^ 4\nG * * * ^ 1\n%%\n";
    return file;
}

static void ParOf(benchmark::State& state, const std::string& path, ParMethod method) {
    ParRequest request;
    request.bet = 3;
    request.method = method;
    for (auto _ : state)
        benchmark::DoNotOptimize(ComputePar(path, request).rtp);
}

static void BM_ParExample(benchmark::State& state) {
    ParOf(state, state.range(0) == 0 ? EXAMPLE : SECOND_EXAMPLE, ParMethod::Classes);
}
BENCHMARK(BM_ParExample)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The engine weighting of each example on two threads: every state of the generator a start.
static void BM_ParEngineExample(benchmark::State& state) {
    ParRequest request;
    request.bet = 3;
    request.weights = EntryWeights::Engine;
    request.threads = 2;
    for (auto _ : state)
        benchmark::DoNotOptimize(
            ComputePar(state.range(0) == 0 ? EXAMPLE : SECOND_EXAMPLE, request).rtp);
}
BENCHMARK(BM_ParEngineExample)->Arg(0)->Arg(1)->Unit(benchmark::kSecond)->Iterations(1);

// Argument: 1 with "+" columns, nudges and free re-spins.
static void BM_ParFourReels256(benchmark::State& state) {
    static const std::string plain = RandomMachine(256, false), nudging = RandomMachine(256, true);
    ParOf(state, state.range(0) ? nudging : plain, ParMethod::Classes);
}
BENCHMARK(BM_ParFourReels256)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The walk over every combination, 16.7 million of them.
static void BM_ParWalkFourReels64(benchmark::State& state) {
    static const std::string path = RandomMachine(64, true);
    ParOf(state, path, ParMethod::Walk);
    state.SetItemsProcessed(state.iterations() * 64 * 64 * 64 * 64);
}
BENCHMARK(BM_ParWalkFourReels64)->Unit(benchmark::kMillisecond);

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
