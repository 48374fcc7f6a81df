// The pay table's verdict on the example machine and on small tables made for one rule each.

#include <gtest/gtest.h>

#include <cstring>
#include <random>

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
        {"R R ^ 10\n", "RRR", 1, 0},  // the third reel has no column
        {"R R ^ 10\n", "RRW", 1, 20}, // only a wild fills it
        {"R R R\n", "RRR", 1, 0},     // no "^": never pays
        {"R R R ^ 0 0 0\n", "RRR", 3, 0},
        {"* * * ^ 10\n", "RRR", 1, 0},  // nothing met by a real symbol
        {"R R R ^ 10\n", "RDR", 1, 0},  // double without wild changes nothing
        {"R R R ^ 10\n", "RVR", 1, 10}, // a wild that does not double
        {"W R R ^ 10\n", "WWW", 1, 40}, // its own letter is a real match
        {"R R R ^ 10\nB * * ^ 50\n", "RRR", 1, 10},
        {"R R R ^ 10\nR * * ^ 5\n", "RWW", 1, 40}, // the largest, not the sum
        {"R R R ^ 10\n", "RRR", 0, 0},             // no coins, no win
        {"R R R ^ 10\n", "RRR", -1, 0},
    };
    for (const auto& c : cases) {
        SlotMachine machine;
        LoadText(machine, std::string(symbols) + c.payoffs + "%%\n");
        ShowLine(machine, c.line);
        EXPECT_EQ(machine.Evaluate(c.bet), c.win) << c.payoffs << c.line;
    }
}

// The rules read one payoff and one column at a time, as a player would check them.
static int JudgeByHand(const SlotMachine& m, int bet) {
    const int level = bet < 3 ? bet - 1 : 2;
    int best = 0;
    for (int p = 0; p < m.NumPayoffs; p++) {
        const SlotPayoff& payoff = m.Payoffs[p];
        int any = 0, matched = 0, wild = 0, multiplier = 1;
        for (int i = 0; i < m.NumReels; i++) {
            const int* match = payoff.match[i];
            const SlotSymbol& line = m.SymbolAt(i, 1);
            bool met = match[static_cast<int>(line.letter)];
            const SlotSymbol* substitute = &line;
            if (payoff.plus[i]) {
                for (int row = 0; row < 3; row++) {
                    substitute = &m.SymbolAt(i, row);
                    met = met || match[static_cast<int>(substitute->letter)];
                }
            }
            if (match['*']) {
                any++;
            } else if (met) {
                matched++;
            } else if (substitute->flags & SYM_WILD) {
                wild++;
                if (substitute->flags & SYM_DOUBLE)
                    multiplier *= 2;
            }
        }
        const int amount = payoff.pay[level] * multiplier;
        if (matched >= 1 && any + matched + wild == m.NumReels && amount > best)
            best = amount;
    }
    return best;
}

TEST(Payoff, RandomMachinesAgreeWithTheRulesAppliedByHand) {
    std::mt19937 generator(2024);
    auto pick = [&](const char* from) { return from[generator() % strlen(from)]; };
    const char* flagWords[] = {"",      "(wild) ", "(double) ",  "(wild) (double) ",
                               "(up) ", "(down) ", "(autospin) "};
    for (int machineNumber = 0; machineNumber < 200; machineNumber++) {
        std::string text;
        for (const char letter : std::string("ABCDW"))
            text += std::string(flagWords[generator() % 7]) + letter + " pic\n";
        text += "%%\n";
        const int reels = 1 + generator() % 4;
        for (int row = 0; row < 6; row++) {
            for (int reel = 0; reel < reels; reel++)
                text += std::string(1, pick("ABCDWX")) + " ";
            text += "\n";
        }
        text += "%%\n";
        for (int payoff = 0; payoff < 8; payoff++) {
            for (int column = 0; column < 1 + static_cast<int>(generator() % 4); column++) {
                text += generator() % 3 == 0 ? "+" : "";
                text += generator() % 2 ? std::string("[") + pick("ABCDW*") + pick("ABCDW") + "]"
                                        : std::string(1, pick("ABCDW*"));
                text += " ";
            }
            text += "^ " + std::to_string(generator() % 50) + " " +
                    std::to_string(generator() % 90) + "\n";
        }
        text += "%%\n";
        SlotMachine machine;
        ASSERT_TRUE(LoadText(machine, text).empty()) << text;
        for (int view = 0; view < 50; view++) {
            for (int reel = 0; reel < machine.NumReels; reel++)
                machine.Position[reel] = generator() % machine.Reels[reel].numsym;
            const int bet = 1 + view % 3;
            ASSERT_EQ(machine.Evaluate(bet), JudgeByHand(machine, bet)) << text;

            // Nudges and the autospin test read the same index.
            const int reel = view % machine.NumReels;
            const bool down = machine.SymbolAt(reel, 0).flags & SYM_DOWN;
            const bool up = machine.SymbolAt(reel, 2).flags & SYM_UP;
            const int expected = down ? machine.StopAbove(reel)
                                 : up ? machine.StopBelow(reel)
                                      : machine.Position[reel];
            ASSERT_EQ(machine.NudgeReel(reel), down || up) << text;
            ASSERT_EQ(machine.Position[reel], expected) << text;
            uint32_t lineFlags = 0;
            for (int i = 0; i < machine.NumReels; i++)
                lineFlags |= machine.SymbolAt(i, 1).flags;
            machine.AutoSpin = 0;
            ASSERT_EQ(machine.CheckAutoSpin(), (lineFlags & SYM_AUTOSPIN) ? 1 : 0) << text;
        }
    }
}

TEST(Payoff, EmptyAndHandMadeTables) {
    SlotMachine machine;
    EXPECT_EQ(machine.Evaluate(3), 0);
    LoadText(machine, "%%\n%%\n* ^ 5\n%%\n");
    EXPECT_EQ(machine.NumReels, 0);
    EXPECT_EQ(machine.Evaluate(3), 0);

    // A payoff added by hand counts once the index is rebuilt.
    LoadText(machine, "R r\n%%\nR\n%%\n%%\n");
    SlotPayoff& payoff = machine.Payoffs[machine.NumPayoffs++];
    payoff.match[0]['R'] = 1;
    payoff.pay[0] = 7;
    machine.BuildStopIndex();
    EXPECT_EQ(machine.Evaluate(1), 7);
}
