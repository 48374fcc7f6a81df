// Credits, bets, spins, nudges and free re-spins.

#include <gtest/gtest.h>

#include "engine/random.h"
#include "tests/engine/engine_test_util.h"

TEST(Random, GeneratorSequence) {
    Random::Seed(1);
    EXPECT_EQ(Random::Next(), 41);
    EXPECT_EQ(Random::Next(), 18467);
    EXPECT_EQ(Random::Next(), 6334);
    Random::Seed(1);
    EXPECT_EQ(Random::Next(), 41); // a seed replays the session
}

TEST(Credits, InsertMoney) {
    SlotMachine machine;
    machine.InsertMoney(5);
    EXPECT_EQ(machine.Pending, 20);
    EXPECT_EQ(machine.Expended, 5);
    EXPECT_EQ(machine.Credits, 0);
    machine.CurrencyNum = 1;
    machine.CurrencyDenom = 4;
    machine.InsertMoney(5);
    EXPECT_EQ(machine.Pending, 21);
    EXPECT_EQ(machine.Expended, 10);
}

TEST(Credits, AddBetIsCappedAtMaxCoins) {
    SlotMachine machine;
    machine.AddBet(1);
    machine.CoinsBet = 0;
    machine.AddBet(5);
    EXPECT_EQ(machine.CoinsBet, 2);
    EXPECT_EQ(machine.Credits, -3); // the callers guard the credits, not the engine
    EXPECT_EQ(machine.Bet, 3);
    EXPECT_EQ(machine.BetShown, 3);
    EXPECT_EQ(machine.TotalBet, 3);
    EXPECT_EQ(machine.MinCredits, -3);
    machine.AddBet(1);
    machine.AddBet(-2);
    EXPECT_EQ(machine.CoinsBet, 2);
    EXPECT_EQ(machine.Credits, -3);
    EXPECT_EQ(machine.Bet, 3);
}

TEST(Credits, PayOutMovesOnlyWhatIsPending) {
    SlotMachine machine;
    EXPECT_EQ(machine.PayOut(1, 1), 0);
    EXPECT_EQ(machine.Credits, 0);
    machine.Pending = 4;
    EXPECT_EQ(machine.PayOut(3, 0), 3);
    EXPECT_EQ(machine.Paid, 0);
    EXPECT_EQ(machine.PayOut(10, 1), 1);
    EXPECT_EQ(machine.Pending, 0);
    EXPECT_EQ(machine.Paid, 1);
    EXPECT_EQ(machine.Credits, 4);
    EXPECT_EQ(machine.TotalCredited, 4);
    EXPECT_EQ(machine.MaxCredits, 4);
    EXPECT_EQ(machine.PayOut(-5, 1), 0);
}

// One stop per reel, so that every spin shows 7 7; tests that need other rows set them.
static const char* STEADY = "7 s/a\n(wild) W s/b\n(autospin) A s/c\n(down) N s/d\n(up) U s/e\n"
                            "(down) (wild) D s/f\n- blank\n%%\n7 7\n%%\n7 7 ^ 10 20 30\n%%\n";

TEST(Spin, BetsAndCharges) {
    SlotMachine machine;
    LoadText(machine, STEADY);
    machine.AddBet(1);
    machine.Spin(3, 0, 0);
    EXPECT_EQ(machine.Credits, -3);
    EXPECT_EQ(machine.Spins, 1);
    EXPECT_EQ(machine.Win, 30);
    EXPECT_EQ(machine.Pending, 30);
    EXPECT_EQ(machine.Paid, 0);
    EXPECT_EQ(machine.LastBet, 3);
    EXPECT_EQ(machine.Bet, 0);
    EXPECT_EQ(machine.BetShown, 3);

    machine.AddBet(3);
    machine.Spin(3, 0, 0); // already at three coins
    EXPECT_EQ(machine.Credits, -6);
    EXPECT_EQ(machine.Spins, 2);

    machine.Spin(-1, 0, 0); // the previous bet again, free
    EXPECT_EQ(machine.Credits, -6);
    EXPECT_EQ(machine.Spins, 2);
    EXPECT_EQ(machine.Win, 30);
    EXPECT_EQ(machine.LastBet, 3);
    EXPECT_EQ(machine.Bet, 0);

    machine.AddBet(2);
    machine.Spin(0, 0, 0); // keeps the coins already bet
    EXPECT_EQ(machine.Win, 20);
    EXPECT_EQ(machine.PrevWin, 30);

    machine.Spin(1, 0, 1); // pays at once
    EXPECT_EQ(machine.Credits, -9 + 10);
    EXPECT_EQ(machine.Paid, 10);
    EXPECT_EQ(machine.Pending, 0);
}

TEST(Spin, DrawsOneNumberPerReelInOrder) {
    SlotMachine machine;
    LoadText(machine,
             "%%\n" + std::string("a b c\nb c d\nc d e\nd e f\ne f g\n") + "f g\ng\n%%\n%%\n");
    Random::Seed(1);
    machine.Spin(1, 0, 0);
    EXPECT_EQ(machine.Position[0], 41 % 7);
    EXPECT_EQ(machine.Position[1], 18467 % 6);
    EXPECT_EQ(machine.Position[2], 6334 % 5);
    EXPECT_EQ(Random::Next(), 26500);
}

TEST(Spin, WrapAndNeighbours) {
    SlotMachine machine;
    machine.Reels[0].numsym = 20;
    EXPECT_EQ(machine.WrapStop(0, -1), 19);
    EXPECT_EQ(machine.WrapStop(0, 45), 5);
    EXPECT_EQ(machine.WrapStop(0, -41), 19);
    EXPECT_EQ(machine.WrapStop(0, -2147483647 - 1), 12);
    EXPECT_EQ(machine.WrapStop(1, 7), 0); // a reel without stops
    machine.Position[0] = 0;
    EXPECT_EQ(machine.StopAbove(0), 19);
    EXPECT_EQ(machine.StopBelow(0), 1);
}

TEST(Nudge, ReelsMoveOneStopOneReelAtATime) {
    SlotMachine machine;
    LoadText(machine, STEADY);
    ShowRows(machine, 0, "N7U");
    EXPECT_EQ(machine.NudgeReel(0), 1); // the symbol above wins
    EXPECT_EQ(machine.Position[0], 0);
    ShowRows(machine, 0, "-7U");
    ShowRows(machine, 1, "N-7");
    EXPECT_EQ(machine.Nudge(0), 1);
    EXPECT_EQ(machine.Position[0], 2);
    EXPECT_EQ(machine.Position[1], 1);
    ShowRows(machine, 0, "-7-");
    EXPECT_EQ(machine.Nudge(0), 1);
    EXPECT_EQ(machine.Position[1], 0);
    ShowRows(machine, 1, "-7-");
    EXPECT_EQ(machine.Nudge(0), 0);
}

// Strips on which nudges never settle: the engine moves them one stop per call and leaves
// the limit to its caller.
TEST(Nudge, StripsThatNeverSettle) {
    SlotMachine machine;
    LoadText(machine, "(up) U u\n(down) D d\n%%\nU D\n%%\n%%\n");
    EXPECT_EQ(machine.NudgeReel(0), 1); // one stop, marked (up): it "moves" onto itself
    EXPECT_EQ(machine.Position[0], 0);
    EXPECT_EQ(machine.NudgeReel(1), 1);
    EXPECT_EQ(machine.Position[1], 0);

    LoadText(machine, "(up) U u\n(down) D d\n%%\nU\nD\n%%\n%%\n");
    for (int nudge = 0; nudge < 5; nudge++) {
        EXPECT_EQ(machine.Nudge(0), 1);
        EXPECT_EQ(machine.Position[0], (nudge + 1) % 2); // the two trade places for ever
    }
    machine.Spin(1, 1, 1); // a whole spin nudges each reel once and returns
    EXPECT_EQ(machine.Spins, 1);
}

TEST(Nudge, ANudgeReplacesTheWin) {
    SlotMachine machine;
    LoadText(machine, STEADY);
    machine.LastBet = 1;
    ShowRows(machine, 0, "-7-");
    ShowRows(machine, 1, "N7-");
    machine.Win = machine.Pending = 40;
    EXPECT_EQ(machine.Nudge(0), 1); // N comes down: the win is lost
    EXPECT_EQ(machine.Win, 0);
    EXPECT_EQ(machine.Pending, 0);
    EXPECT_EQ(machine.PrevWin, 40);
    EXPECT_EQ(machine.Credits, 0);

    // Paid automatically, the win already counted in is taken back first.
    machine.Credits = machine.TotalCredited = 40;
    machine.Win = 40;
    ShowRows(machine, 1, "D--"); // a wild comes down
    EXPECT_EQ(machine.Nudge(1), 1);
    EXPECT_EQ(machine.Win, 10);
    EXPECT_EQ(machine.Credits, 10);
    EXPECT_EQ(machine.TotalCredited, 10);
    EXPECT_EQ(machine.Paid, 10);
}

TEST(AutoSpin, SeriesRunsWhileLosingOrShowingAutospin) {
    SlotMachine machine;
    LoadText(machine, STEADY);
    ShowLine(machine, "7A");
    machine.Win = 0;
    EXPECT_EQ(machine.CheckAutoSpin(), 1);
    EXPECT_EQ(machine.AutoSpin, 1);
    ShowLine(machine, "7-");
    EXPECT_EQ(machine.CheckAutoSpin(), 1); // a losing spin in a series
    machine.Win = 10;
    EXPECT_EQ(machine.CheckAutoSpin(), 0);
    EXPECT_EQ(machine.AutoSpin, 0);
}

// Reel 1 shows A, 7 or "-" at random: a series started by A ends only on the spin that
// shows 7, and only that win is paid.
TEST(AutoSpin, WholeSpinPaysOnlyTheLastWin) {
    SlotMachine machine;
    LoadText(machine, "7 s/a\n(autospin) A s/b\n- blank\n%%\n7 A\n7 7\n7 -\n%%\n7 7 ^ 10\n%%\n");
    int series = 0;
    for (uint32_t seed = 0; seed < 200; seed++) {
        Random::Seed(seed);
        const int spins = machine.Spins;
        const int credits = machine.Credits;
        machine.Spin(1, 1, 1);
        const int reSpins = machine.Spins - spins - 1;
        series += reSpins > 0;
        if (reSpins > 0) {
            EXPECT_EQ(machine.SymbolAt(1, 1).letter, '7');
        }
        EXPECT_EQ(machine.Credits - credits, machine.Win - 1);
        EXPECT_EQ(machine.Paid, machine.Win);
        EXPECT_EQ(machine.AutoSpin, 0);
    }
    EXPECT_GT(series, 20);
}

TEST(AutoSpin, WholeSpinStopsAfterTenThousandReSpins) {
    SlotMachine machine;
    LoadText(machine, "(autospin) A s/a\n%%\nA\n%%\nB ^ 5\n%%\n");
    machine.Spin(1, 1, 1);
    EXPECT_EQ(machine.Spins, 1 + MAX_AUTO_SPINS);
    EXPECT_EQ(machine.AutoSpin, 0);
    EXPECT_EQ(machine.Bet, 0);
    EXPECT_EQ(machine.LastBet, 1);

    // An autospin symbol that also wins: the capped series pays its last win.
    LoadText(machine, "(autospin) A s/a\n%%\nA\n%%\nA ^ 5\n%%\n");
    machine.Spin(1, 1, 1);
    EXPECT_EQ(machine.Spins, 1 + MAX_AUTO_SPINS);
    EXPECT_EQ(machine.Credits, 4);
}

TEST(AutoSpin, NudgeWithoutPayNeitherReSpinsNorPays) {
    SlotMachine machine;
    LoadText(machine, "7 s/a\n(autospin) A s/b\n(up) U s/c\n%%\nA\n7\nU\n%%\n7 ^ 10\n%%\n");
    for (uint32_t seed = 0; seed < 20; seed++) {
        Random::Seed(seed);
        machine.Spin(1, 1, 0);
        EXPECT_EQ(machine.Credits, -1 - static_cast<int>(seed));
        EXPECT_NE(machine.SymbolAt(0, 2).letter, 'U'); // every spin nudged
        EXPECT_EQ(machine.Pending, machine.Win);
    }
    EXPECT_EQ(machine.Spins, 20);
}
