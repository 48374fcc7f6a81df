// The stepwise play order: nudges first, then re-spins, then the count-in, and the cap on
// nudges that never come to rest.

#include "tests/common/temp_path.h"
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
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
        const std::filesystem::path path = TempPath("play-test.slt");
        std::ofstream(path) << text;
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

TEST(PlaySteps, ReSpinsAreFreeNudgesComeFirstAndOnlyTheLastWinIsCountedIn) {
    const struct {
        const char* machine;
        int bet, stop, win;
    } cases[] = {
        // A shows the autospin symbol and wins nothing; only R ends the series.
        {"(autospin) A syms/a\nR syms/b\n%%\nA\nR\n%%\nR ^ 7\n%%\n", 2, 1, 14},
        // With A on the line, the "(down)" N above it is nudged onto the line first, so the
        // autospin symbol has gone before the machine is asked for a re-spin.
        {"(down) N syms/a\n(autospin) A syms/b\n%%\nN\nA\n%%\nN ^ 3\n%%\n", 1, 0, 3},
    };
    for (const auto& c : cases) {
        PlayMachine m(c.machine);
        for (uint32_t seed = 1; seed <= 20; ++seed) {
            Random::Seed(seed);
            const int spins = m.machine->Spins;
            const int credits = m.machine->Credits;
            PlaySpin(*m.machine, c.bet);
            EXPECT_EQ(m.machine->Position[0], c.stop) << c.machine << seed;
            EXPECT_EQ(m.machine->Credits, credits + c.win - c.bet) << c.machine << seed;
            EXPECT_EQ(m.machine->Spins, spins + 1);
            EXPECT_EQ(m.machine->LastBet, c.bet);
            EXPECT_EQ(m.machine->AutoSpin, 0);
        }
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
