// Engine speed: whole spins as slotsim plays them, and the pay table's verdict alone.

#include <benchmark/benchmark.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <vector>

#include "engine/message_box.h"
#include "engine/random.h"
#include "engine/slot_machine.h"
#include "play/play_steps.h"

static const char* EXAMPLE_FILE = KESTREL_SOURCE_DIR "/examples/lucky-sevens/lucky-sevens.slt";

static void LoadExample(SlotMachine& machine) {
    RecordingMessageSink sink;
    machine.SetMessageSink(&sink);
    machine.Load(EXAMPLE_FILE);
    machine.SetMessageSink(nullptr);
}

// Spin(3, 1, 1): bet, stops, nudges, re-spins and pay-out, one item per call.
static void BM_SpinFull(benchmark::State& state) {
    SlotMachine machine;
    LoadExample(machine);
    Random::Seed(1);
    for (auto _ : state) {
        if (machine.Credits < 3) {
            machine.InsertMoney(1000);
            machine.PayOut(machine.Pending, 1);
        }
        machine.Spin(3, 1, 1);
    }
    benchmark::DoNotOptimize(machine.Credits);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SpinFull);

// Evaluate(3) over a fixed series of random reel positions.
static void BM_Evaluate(benchmark::State& state) {
    SlotMachine machine;
    LoadExample(machine);
    std::vector<std::array<int, MAX_REELS>> positions(1024);
    Random::Seed(7);
    for (auto& set : positions)
        for (int i = 0; i < machine.NumReels; i++)
            set[i] = Random::Next() % machine.Reels[i].numsym;
    size_t next = 0;
    for (auto _ : state) {
        const auto& set = positions[next++ & (positions.size() - 1)];
        for (int i = 0; i < machine.NumReels; i++)
            machine.Position[i] = set[i];
        benchmark::DoNotOptimize(machine.Evaluate(3));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Evaluate);

// One played spin as slotsim plays it, on a machine that wins 240 million credits a spin
// (three doubling wilds on a 10,000,000 line): the count-in must not grow with the win.
static void BM_PlaySpinHugeWin(benchmark::State& state) {
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / "kestrel-bench-jackpot.slt";
    std::ofstream(file) << "%name Jackpot\n(wild) (double) W blank Double wild\nA blank Ace\n"
                           "%%\nW W W A\n%%\nA A A A ^ 10000000\n%%\n";
    SlotMachine machine;
    RecordingMessageSink sink;
    machine.SetMessageSink(&sink);
    machine.Load(file.string().c_str());
    machine.SetMessageSink(nullptr);
    std::filesystem::remove(file);
    Random::Seed(1);
    for (auto _ : state) {
        machine.Credits = 0;
        PlaySpin(machine, 3);
    }
    benchmark::DoNotOptimize(machine.Paid);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PlaySpinHugeWin);
