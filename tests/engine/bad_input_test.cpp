// Machine files beyond the tables or plain garbage: the loader cuts them down, keeps reading,
// and leaves a machine that plays.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "engine/random.h"
#include "engine/text_scan.h"
#include "tests/engine/engine_test_util.h"

static std::string Repeat(const std::string& text, int times) {
    std::string result;
    for (int i = 0; i < times; i++)
        result += text;
    return result;
}

// What every load must leave, whatever the file held.
static void ExpectPlayableTables(SlotMachine& machine) {
    ASSERT_GE(machine.NumReels, 0);
    ASSERT_LE(machine.NumReels, MAX_REELS);
    ASSERT_LE(machine.NumPayoffs, MAX_PAYOFFS);
    ASSERT_LE(machine.NumSndMusic, MAX_SND_MUSIC);
    ASSERT_LE(machine.NumSndCoin, MAX_SND_COIN);
    ASSERT_GE(machine.MaxCoins, 1);
    ASSERT_GE(machine.CurrencyDenom, 1);
    for (int i = 0; i < machine.NumReels; i++) {
        const SlotReel& reel = machine.Reels[i];
        ASSERT_GE(reel.numsym, 1);
        ASSERT_GE(reel.numspin, reel.numsym);
        ASSERT_LE(reel.numspin, MAX_SPIN_ENTRIES);
        for (int k = 0; k < reel.numspin; k++)
            ASSERT_LT(reel.spin[k], reel.numsym);
        for (int k = 0; k < reel.numsym; k++)
            ASSERT_NE(reel.strip[k], nullptr);
    }
}

TEST(BadInput, CharactersNoRecordCanHoldAreSkippedOrLeftUndefined) {
    SlotMachine machine;
    const Texts messages = LoadText(machine, "\xe9 pic/a Accent\n\xe9\n7 s/a\n%%\n"
                                             "\xe9 7\n%%\n[\xe9R] \xe9 ^ 5\n%%\n");
    EXPECT_TRUE(messages.empty()); // the symbol line is skipped, even without texture
    EXPECT_EQ(machine.Symbols['7'].letter, '7');
    ASSERT_EQ(machine.NumReels, 2);
    const SlotSymbol& stop = *machine.Reels[0].strip[0]; // stays in the strip, undefined
    EXPECT_EQ(std::tuple(stop.letter, stop.filename), std::tuple(0, nullptr));
    EXPECT_TRUE(machine.Payoffs[0].match[0]['R']);
    for (int c = 0; c < MAX_SYMBOLS; c++)
        EXPECT_EQ(machine.Payoffs[0].match[1][c], 0);
}

TEST(BadInput, ExcessEntriesAreIgnored) {
    SlotMachine machine;
    const std::string header = "%sndmusic m1\n%sndmusic m2\n%sndmusic m3\n%sndmusic m4\n"
                               "%sndmusic m5\n%sndcoin c1\n%sndcoin c2\n%sndcoin c3\n"
                               "%sndcoin c4\n%maxcoins 0\n%%\n";
    const std::string reels = "A B C D E F\n" + Repeat("A B\n", 299) + "%%\n";
    const std::string payoffs =
        "A A A A A ^ 1 2 3 4 ^ five columns\n" + Repeat("B ^ 1\n", 40) + "[unclosed ^ 1\n%%\n";
    const Texts messages = LoadText(machine, header + reels + payoffs);
    EXPECT_TRUE(messages.empty());
    ExpectPlayableTables(machine);
    EXPECT_EQ(std::tuple(machine.NumSndMusic, Str(machine.SndMusic[3]), machine.NumSndCoin,
                         Str(machine.SndCoin[2]), machine.MaxCoins),
              std::tuple(4, "m4", 3, "c3", 1));
    EXPECT_EQ(std::tuple(machine.NumReels, machine.Reels[0].numsym, machine.Reels[2].numsym),
              std::tuple(4, MAX_STOPS, 1));
    EXPECT_EQ(std::tuple(machine.NumPayoffs, machine.Payoffs[0].pay[2]),
              std::tuple(MAX_PAYOFFS, 3));
    EXPECT_STREQ(machine.Payoffs[0].label, "five columns");

    // Weighted runs fill the spin table before the strip.
    LoadText(machine, "%igtsplus\n%%\n" + Repeat("R\n", 300) + "7\n%%\n%%\n");
    EXPECT_EQ(std::tuple(machine.Reels[0].numsym, machine.Reels[0].numspin),
              std::tuple(1, MAX_SPIN_ENTRIES));
}

TEST(BadInput, JunkAndHugeNumbers) {
    SlotMachine machine;
    LoadText(machine, "%maxcoins 99999999999999\n%currencynum 99999999999\n%symwidth 1e999\n"
                      "%%\nR\n%%\n"
                      "R ^ 5x -3 abc 7 ^ junk\nR ^ 123456789012345\nR ^5 6\n%%\n");
    EXPECT_EQ(std::tuple(machine.MaxCoins, machine.SymWidth), std::tuple(NUMBER_LIMIT, 0.0));
    EXPECT_EQ(std::vector<int>(machine.Payoffs[0].pay, machine.Payoffs[0].pay + 3),
              std::vector<int>({5, 7, 15}));
    EXPECT_EQ(machine.Payoffs[1].pay[2], 3 * NUMBER_LIMIT);
    EXPECT_EQ(machine.Payoffs[2].pay[0], 6); // "^5" is the "^" token
    machine.InsertMoney(1000);
    EXPECT_EQ(machine.Pending, 2147483647); // the counter sticks at its limit
}

TEST(BadInput, LongLinesArriveInPiecesAndNulEndsALine) {
    SlotMachine machine;
    const std::string longLabel(300, 'x');
    const std::string nul("7 s/a\0junk\n", 11);
    const Texts messages = LoadText(machine, "R r/a " + longLabel + "\n" + nul + "%%\nR\n%%\n%%\n");
    // The label's tail is a line of its own: a symbol "x" without texture.
    EXPECT_EQ(messages, Texts({"ParseSymbols failed"}));
    EXPECT_EQ(strlen(machine.Symbols['R'].label), 255u - 6u);
    EXPECT_EQ(machine.Symbols['x'].letter, 'x');
    LoadText(machine, nul + "%%\n%%\n%%\n");
    EXPECT_STREQ(machine.Symbols['7'].label, "");
}

// The fuzz test: random files of machine-file fragments and random bytes, loaded and played.
TEST(BadInput, GarbageFilesLoadAndPlay) {
    const std::vector<std::string> fragments = {
        "%%",   "%name ", "%maxcoins ", "%igtsplus", "%sndmusic ",  "%sndcoin ", "(wild)",
        "(up)", "(down)", "(autospin)", "(double)",  "[",           "]",         "+",
        "*",    "^",      "/",          "7",         "R",           "W",         " ",
        "\n",   "\t",     "\r",         "-1",        "99999999999", "1e308",     "\xff",
        "\x80", "pic/a",  "blank",      "3",         "\n%%\n"};
    std::mt19937 generator(12345);
    for (int file = 0; file < 300; file++) {
        std::string text;
        const int pieces = 20 + static_cast<int>(generator() % 400);
        for (int i = 0; i < pieces; i++) {
            if (generator() % 8 == 0)
                text += static_cast<char>(generator() % 256);
            else
                text += fragments[generator() % fragments.size()];
        }
        SlotMachine machine;
        LoadText(machine, text);
        ExpectPlayableTables(machine);
        Random::Seed(file);
        machine.InsertMoney(100);
        machine.PayOut(400, 1);
        for (int spin = 0; spin < 20; spin++) {
            machine.Spin(3, spin % 2, 1);
            machine.Nudge(1);
            machine.CheckAutoSpin();
            for (int i = 0; i < machine.NumReels; i++)
                ASSERT_LT(machine.Position[i], machine.Reels[i].numsym);
        }
    }
}
