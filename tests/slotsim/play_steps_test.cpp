// The stepwise play order: nudges first, then re-spins, then the count-in, and the cap on
// nudges that never come to rest.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

#include "engine/message_box.h"
#include "engine/random.h"
#include "tools/slotsim/play_steps.h"

namespace {

// A machine loaded from a file written on the spot, with its loader messages recorded.
class PlayMachine {
public:
    explicit PlayMachine(const std::string& text) : machine(std::make_unique<SlotMachine>()) {
        // ctest runs the cases as parallel processes: each needs a file of its own.
        const std::filesystem::path path =
            std::filesystem::temp_directory_path() /
            ("slotsim-play-test-" + std::to_string(getpid()) + ".slt");
        std::FILE* file = std::fopen(path.c_str(), "w");
        std::fputs(text.c_str(), file);
        std::fclose(file);
        machine->SetMessageSink(&messages);
        machine->Load(path.c_str());
        std::filesystem::remove(path);
    }

    RecordingMessageSink messages;
    std::unique_ptr<SlotMachine> machine;
};

// U below the line moves up, D above the line moves down: on a two-stop strip they trade
// places for ever.
const char* const TradingPlaces = "(down) D syms/a\n(up) U syms/b\n%%\nD\nU\n%%\nD ^ 4\n%%\n";

} // namespace

TEST(PlaySteps, NudgesThatNeverRestStopAfterTheCap) {
    PlayMachine m(TradingPlaces);
    ASSERT_TRUE(m.messages.Messages.empty());
    Random::Seed(7);
    m.machine->Spin(1, 0, 0);
    PlayedSpin played;
    int nudged = 0;
    PlayStep step;
    while ((step = NextPlayStep(*m.machine, played)) == PlayStep::Nudged) {
        ++nudged;
        ASSERT_LE(nudged, MAX_PLAY_NUDGES);
    }
    EXPECT_EQ(nudged, MAX_PLAY_NUDGES);
    EXPECT_EQ(step, PlayStep::Settled);
    EXPECT_EQ(played.nudgesTried, MAX_PLAY_NUDGES);
}

TEST(PlaySteps, PlaySpinCountsTheWinOfTheNudgedLineIn) {
    PlayMachine spunOnly(TradingPlaces);
    Random::Seed(3);
    spunOnly.machine->Spin(1, 0, 0);
    PlayMachine m(TradingPlaces);
    Random::Seed(3);
    PlaySpin(*m.machine, 1);
    // An even number of nudges, each swapping D and U, leaves the reel where the spin put it.
    const int stop = spunOnly.machine->Position[0];
    EXPECT_EQ(m.machine->Position[0], stop);
    const int win = stop == 0 ? 4 : 0;
    EXPECT_EQ(m.machine->Win, win);
    EXPECT_EQ(m.machine->Pending, 0);
    EXPECT_EQ(m.machine->Paid, win);
    EXPECT_EQ(m.machine->Credits, win - 1);
    EXPECT_EQ(m.machine->CoinsBet, 1);
}

TEST(PlaySteps, ReSpinsAreFreeAndOnlyTheLastWinIsCountedIn) {
    // A shows the autospin symbol and wins nothing; only R ends the series, paying 14 for a
    // bet of two coins.
    PlayMachine m("(autospin) A syms/a\nR syms/b\n%%\nA\nR\n%%\nR ^ 7\n%%\n");
    for (uint32_t seed = 1; seed <= 20; ++seed) {
        Random::Seed(seed);
        m.machine->Credits = 0;
        m.machine->Spins = 0;
        PlaySpin(*m.machine, 2);
        EXPECT_EQ(m.machine->Position[0], 1) << "seed " << seed;
        EXPECT_EQ(m.machine->Credits, 14 - 2) << "seed " << seed;
        EXPECT_EQ(m.machine->Spins, 1) << "seed " << seed;
        EXPECT_EQ(m.machine->LastBet, 2);
        EXPECT_EQ(m.machine->AutoSpin, 0);
    }
}

TEST(PlaySteps, ANudgeComesBeforeTheReSpinDecision) {
    // With A on the line, the "(down)" N above it is nudged onto the line first, so the
    // autospin symbol has gone before the machine is asked for a re-spin.
    PlayMachine m("(down) N syms/a\n(autospin) A syms/b\n%%\nN\nA\n%%\nN ^ 3\n%%\n");
    for (uint32_t seed = 1; seed <= 10; ++seed) {
        Random::Seed(seed);
        const int spinsBefore = m.machine->Spins;
        const int creditsBefore = m.machine->Credits;
        PlaySpin(*m.machine, 1);
        EXPECT_EQ(m.machine->Position[0], 0) << "seed " << seed;
        EXPECT_EQ(m.machine->Credits, creditsBefore + 3 - 1) << "seed " << seed;
        EXPECT_EQ(m.machine->Spins, spinsBefore + 1);
        EXPECT_EQ(m.machine->AutoSpin, 0);
    }
}

TEST(PlaySteps, AnEndlessSeriesOfReSpinsStopsAfterTheCap) {
    PlayMachine m("(autospin) A syms/a\n%%\nA\n%%\nA ^ 0\n%%\n");
    Random::Seed(11);
    PlaySpin(*m.machine, 1);
    EXPECT_EQ(m.machine->AutoSpin, 0);
    EXPECT_EQ(m.machine->Spins, 1);
    EXPECT_EQ(m.machine->Credits, -1);

    // The cap counts the re-spins of one player's spin only.
    m.machine->Spin(1, 0, 0);
    PlayedSpin played;
    played.respins = MAX_PLAY_RESPINS - 1;
    played.nudgesTried = MAX_PLAY_NUDGES;
    EXPECT_EQ(NextPlayStep(*m.machine, played), PlayStep::Respun);
    EXPECT_EQ(NextPlayStep(*m.machine, played), PlayStep::Settled);
}
