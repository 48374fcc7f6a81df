// Worked examples of credits, nudges and free re-spins. Spins, bets and plays of random
// machines are checked against the reference model through slotsim.

#include <gtest/gtest.h>

#include <climits>

#include "engine/random.h"
#include "tests/engine/engine_test_util.h"

// The money counters as one comparable value.
static auto Money(const SlotMachine& m) {
    return std::tuple(m.Credits, m.Pending, m.Paid, m.Win);
}

TEST(Credits, MoneyAtTheMachinesRateAndCountersThatStickAtTheirLimit) {
    SlotMachine machine;
    machine.InsertMoney(5);
    EXPECT_EQ(std::tuple(machine.Pending, machine.Expended, machine.Credits), std::tuple(20, 5, 0));
    machine.CurrencyNum = 1;
    machine.CurrencyDenom = 4;
    machine.InsertMoney(6);
    EXPECT_EQ(std::tuple(machine.Pending, machine.Expended), std::tuple(21, 11));
    EXPECT_EQ(machine.PayOut(-5, 1), 0);  // nothing moves the other way
    EXPECT_EQ(machine.PayOut(30, 1), 21); // only what is pending moves
    EXPECT_EQ(std::tuple(machine.Credits, machine.Paid, machine.MaxCredits),
              std::tuple(21, 21, 21));

    LoadText(machine, "%currencynum 99999999999\n%%\n%%\n%%\n");
    machine.InsertMoney(1000); // worth ten thousand million credits
    EXPECT_EQ(machine.Pending, INT_MAX);
    machine.InsertMoney(1);
    EXPECT_EQ(machine.Pending, INT_MAX);
}

// One stop per reel, so that every spin shows 7 7; tests that need other rows set them.
static const char* STEADY = "7 s/a\n(wild) W s/b\n(down) N s/d\n(up) U s/e\n(down) (wild) D s/f\n"
                            "- blank\n%%\n7 7\n%%\n7 7 ^ 10 20 30\n%%\n";

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
