// Worked examples of the pay table's verdict: the example machine's own lines, and small
// tables made for one rule each. The reference model checks random tables against slotsim.

#include <gtest/gtest.h>

#include "tests/engine/engine_test_util.h"

// R never stands above or below the line here, as the worked example assumes.
TEST(Payoff, WorkedExampleOnTheExampleMachine) {
    const struct {
        const char* line;
        int bet, win;
    } cases[] = {
        {"BW7", 1, 20}, {"7WW", 2, 800}, {"WWW", 3, 0},   {"RB7", 1, 2},
        {"RWW", 1, 2},  {"BB7", 5, 30},  {"777", 3, 500}, {"BB7", 7, 30},
    };
    SlotMachine machine;
    machine.Load(EXAMPLE_FILE);
    for (const auto& c : cases) {
        ShowLine(machine, c.line);
        EXPECT_EQ(machine.Evaluate(c.bet), c.win) << c.line << " bet " << c.bet;
    }
}

// "+R +R +R" pays 5: a "+" column is met on any row; when no row meets it, the symbol below
// the line is the one that may stand in for it as a wild.
TEST(Payoff, PlusColumnsOnTheExampleMachine) {
    const struct {
        const char* reels[3]; // rows above, on and below the line
        int win;
    } cases[] = {
        {{"R--", "--R", "R--"}, 5},
        {{"-R-", "-BW", "-7W"}, 20}, // cherry pays 2; cherries in view 5 x 2 x 2
        {{"-R-", "-W-", "-W-"}, 2},  // wilds on the line fill no "+" column
        {{"-R-", "W--", "W--"}, 2},  // nor do wilds above it
        {{"-R-", "-B-", "-7-"}, 2},
    };
    SlotMachine machine;
    machine.Load(EXAMPLE_FILE);
    for (const auto& c : cases) {
        for (int reel = 0; reel < 3; reel++)
            ShowRows(machine, reel, c.reels[reel]);
        EXPECT_EQ(machine.Evaluate(1), c.win) << c.reels[0] << c.reels[1] << c.reels[2];
    }
}

TEST(Payoff, SmallTables) {
    const char* symbols = "R r/a\nB b/a\n(wild) (double) W w/a\n(double) D d/a\n(wild) V v/a\n"
                          "- blank\n%%\nR R R\n%%\n";
    const struct {
        const char *payoffs, *line;
        int bet, win;
    } cases[] = {
        {"R R ^ 10\n", "RRR", 1, 0},               // the third reel has no column
        {"R R ^ 10\n", "RRW", 1, 20},              // only a wild fills it
        {"R R R\n", "RRR", 1, 0},                  // no "^": never pays
        {"* * * ^ 10\n", "RRR", 1, 0},             // nothing met by a real symbol
        {"R R R ^ 10\n", "RDR", 1, 0},             // double without wild changes nothing
        {"R R R ^ 10\n", "RVR", 1, 10},            // a wild that does not double
        {"W R R ^ 10\n", "WWW", 1, 40},            // its own letter is a real match
        {"R R R ^ 10\nR * * ^ 5\n", "RWW", 1, 40}, // the largest, not the sum
        {"R R R ^ 10\n", "RRR", 0, 0},             // no coins, no win
    };
    for (const auto& c : cases) {
        SlotMachine machine;
        LoadText(machine, std::string(symbols) + c.payoffs + "%%\n");
        ShowLine(machine, c.line);
        EXPECT_EQ(machine.Evaluate(c.bet), c.win) << c.payoffs << c.line;
    }
}
