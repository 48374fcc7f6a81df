// Credits, bets, spins, nudges and free re-spins.

#include <gtest/gtest.h>

#include "engine/random.h"
#include "tests/engine/engine_test_util.h"

// The money counters as one comparable value.
static auto Money(const SlotMachine& m) {
    return std::tuple(m.Credits, m.Pending, m.Paid, m.Win);
}

TEST(Random, GeneratorSequenceReplaysFromItsSeed) {
    for (int run = 0; run < 2; run++) {
        Random::Seed(1);
        EXPECT_EQ(std::vector<int>({Random::Next(), Random::Next(), Random::Next()}),
                  std::vector<int>({41, 18467, 6334}));
    }
}

TEST(Credits, InsertMoneyBetAndPayOut) {
    SlotMachine machine;
    machine.InsertMoney(5);
    EXPECT_EQ(std::tuple(machine.Pending, machine.Expended, machine.Credits), std::tuple(20, 5, 0));
    machine.CurrencyNum = 1;
    machine.CurrencyDenom = 4;
    machine.InsertMoney(5);
    EXPECT_EQ(std::tuple(machine.Pending, machine.Expended), std::tuple(21, 10));

    SlotMachine bets;
    bets.AddBet(1);
    bets.CoinsBet = 0;
    bets.AddBet(5); // capped at MaxCoins; the callers guard the credits, not the engine
    const auto betState = [&] {
        return std::tuple(bets.CoinsBet, bets.Credits, bets.Bet, bets.BetShown, bets.TotalBet,
                          bets.MinCredits);
    };
    EXPECT_EQ(betState(), std::tuple(2, -3, 3, 3, 3, -3));
    bets.AddBet(1);
    bets.AddBet(-2);
    EXPECT_EQ(betState(), std::tuple(2, -3, 3, 3, 3, -3));

    SlotMachine payer;
    EXPECT_EQ(payer.PayOut(1, 1), 0);
    EXPECT_EQ(payer.Credits, 0);
    payer.Pending = 4;
    EXPECT_EQ(payer.PayOut(3, 0), 3);
    EXPECT_EQ(payer.Paid, 0);
    EXPECT_EQ(payer.PayOut(10, 1), 1); // only what is pending moves
    EXPECT_EQ(
        std::tuple(payer.Pending, payer.Paid, payer.Credits, payer.TotalCredited, payer.MaxCredits),
        std::tuple(0, 1, 4, 4, 4));
    EXPECT_EQ(payer.PayOut(-5, 1), 0);
}

// One stop per reel, so that every spin shows 7 7; tests that need other rows set them.
static const char* STEADY = "7 s/a\n(wild) W s/b\n(autospin) A s/c\n(down) N s/d\n(up) U s/e\n"
                            "(down) (wild) D s/f\n- blank\n%%\n7 7\n%%\n7 7 ^ 10 20 30\n%%\n";

TEST(Spin, BetsAndCharges) {
    SlotMachine machine;
    LoadText(machine, STEADY);
    machine.AddBet(1);
    machine.Spin(3, 0, 0);
    EXPECT_EQ(Money(machine), std::tuple(-3, 30, 0, 30));
    EXPECT_EQ(std::tuple(machine.Spins, machine.LastBet, machine.Bet, machine.BetShown),
              std::tuple(1, 3, 0, 3));

    machine.AddBet(3);
    machine.Spin(3, 0, 0); // already at three coins
    EXPECT_EQ(std::tuple(machine.Credits, machine.Spins), std::tuple(-6, 2));

    machine.Spin(-1, 0, 0); // the previous bet again, free
    EXPECT_EQ(std::tuple(machine.Credits, machine.Spins, machine.Win, machine.LastBet, machine.Bet),
              std::tuple(-6, 2, 30, 3, 0));

    machine.AddBet(2);
    machine.Spin(0, 0, 0); // keeps the coins already bet
    EXPECT_EQ(std::tuple(machine.Win, machine.PrevWin), std::tuple(20, 30));

    machine.Spin(1, 0, 1); // pays at once
    EXPECT_EQ(Money(machine), std::tuple(-9 + 10, 0, 10, 10));
}

TEST(Spin, DrawsOneNumberPerReelInOrderAndWraps) {
    SlotMachine machine;
    LoadText(machine, "%%\na b c\nb c d\nc d e\nd e f\ne f g\nf g\ng\n%%\n%%\n");
    Random::Seed(1);
    machine.Spin(1, 0, 0);
    EXPECT_EQ(std::vector<int>(machine.Position, machine.Position + 3),
              std::vector<int>({41 % 7, 18467 % 6, 6334 % 5}));
    EXPECT_EQ(Random::Next(), 26500);

    machine.Reels[0].numsym = 20;
    machine.Reels[3].numsym = 0;
    const int wraps[][2] = {{-1, 19}, {45, 5}, {-41, 19}, {-2147483647 - 1, 12}};
    for (const auto& [stop, wrapped] : wraps)
        EXPECT_EQ(machine.WrapStop(0, stop), wrapped) << stop;
    EXPECT_EQ(machine.WrapStop(3, 7), 0); // a reel without stops
    machine.Position[0] = 0;
    EXPECT_EQ(std::tuple(machine.StopAbove(0), machine.StopBelow(0)), std::tuple(19, 1));
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
    EXPECT_EQ(std::tuple(machine.Position[0], machine.Position[1]), std::tuple(2, 1));
    ShowRows(machine, 0, "-7-");
    EXPECT_EQ(machine.Nudge(0), 1);
    EXPECT_EQ(machine.Position[1], 0);
    ShowRows(machine, 1, "-7-");
    EXPECT_EQ(machine.Nudge(0), 0);
}

// The engine moves strips on which nudges never settle one stop per call and leaves the limit
// to its caller.
TEST(Nudge, StripsThatNeverSettle) {
    SlotMachine machine;
    LoadText(machine, "(up) U u\n(down) D d\n%%\nU D\n%%\n%%\n");
    EXPECT_EQ(std::tuple(machine.NudgeReel(0), machine.NudgeReel(1)), std::tuple(1, 1));
    EXPECT_EQ(std::tuple(machine.Position[0], machine.Position[1]), std::tuple(0, 0));

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
    EXPECT_EQ(Money(machine), std::tuple(0, 0, 0, 0));
    EXPECT_EQ(machine.PrevWin, 40);

    // Paid automatically, the win already counted in is taken back first.
    machine.Credits = machine.TotalCredited = machine.Win = 40;
    ShowRows(machine, 1, "D--"); // a wild comes down
    EXPECT_EQ(machine.Nudge(1), 1);
    EXPECT_EQ(Money(machine), std::tuple(10, 0, 10, 10));
    EXPECT_EQ(machine.TotalCredited, 10);
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

// Reel 1 shows A, 7 or "-" at random: a series started by A ends only on the spin that shows
// 7, and only that win is paid.
TEST(AutoSpin, WholeSpinPaysOnlyTheLastWin) {
    SlotMachine machine;
    LoadText(machine, "7 s/a\n(autospin) A s/b\n- blank\n%%\n7 A\n7 7\n7 -\n%%\n7 7 ^ 10\n%%\n");
    int series = 0;
    for (uint32_t seed = 0; seed < 200; seed++) {
        Random::Seed(seed);
        const int spins = machine.Spins;
        const int credits = machine.Credits;
        machine.Spin(1, 1, 1);
        if (machine.Spins - spins > 1) {
            series++;
            EXPECT_EQ(machine.SymbolAt(1, 1).letter, '7');
        }
        EXPECT_EQ(machine.Credits - credits, machine.Win - 1);
        EXPECT_EQ(std::tuple(machine.Paid, machine.AutoSpin), std::tuple(machine.Win, 0));
    }
    EXPECT_GT(series, 20);
}

TEST(AutoSpin, WholeSpinStopsAfterTenThousandReSpins) {
    SlotMachine machine;
    LoadText(machine, "(autospin) A s/a\n%%\nA\n%%\nB ^ 5\n%%\n");
    machine.Spin(1, 1, 1);
    EXPECT_EQ(std::tuple(machine.Spins, machine.AutoSpin, machine.Bet, machine.LastBet),
              std::tuple(1 + MAX_AUTO_SPINS, 0, 0, 1));

    // An autospin symbol that also wins: the capped series pays its last win.
    LoadText(machine, "(autospin) A s/a\n%%\nA\n%%\nA ^ 5\n%%\n");
    machine.Spin(1, 1, 1);
    EXPECT_EQ(std::tuple(machine.Spins, machine.Credits), std::tuple(1 + MAX_AUTO_SPINS, 4));
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
