#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/text_scan.h"
#include "tests/engine/engine_test_util.h"

static std::string Letters(const SlotReel& reel) {
    std::string letters;
    for (int k = 0; k < reel.numsym; k++)
        letters += reel.strip[k]->letter ? reel.strip[k]->letter : '?';
    return letters;
}

static std::vector<int> SpinTable(const SlotReel& reel) {
    return std::vector<int>(reel.spin, reel.spin + reel.numspin);
}

// The measures a load resets, and those that survive it, in one comparable value.
static auto Defaults(const SlotMachine& m) {
    return std::tuple(m.MaxCoins, m.CurrencyNum, m.CurrencyDenom, m.SymHeight, m.ChartY,
                      m.ChartHeight, m.CoinsBet, m.PrevWin);
}

TEST(MachineModel, ConstructionGivesTheDefaults) {
    SlotMachine machine;
    EXPECT_EQ(Defaults(machine), std::tuple(3, 4, 1, 1.0, 1.0, 10.0, 0, 0));
    EXPECT_EQ(std::tuple(machine.NumReels, machine.NumPayoffs, machine.ResetCount),
              std::tuple(0, 0, 1));
    EXPECT_EQ(machine.Name, nullptr);
}

TEST(MachineFile, ExampleLoadsWithoutMessagesAndEveryConstruct) {
    SlotMachine machine;
    RecordingMessageSink sink;
    machine.SetMessageSink(&sink);
    machine.Load(EXAMPLE_FILE);
    EXPECT_TRUE(sink.Messages.empty());
    EXPECT_STREQ(machine.FileName, EXAMPLE_FILE);
    EXPECT_EQ(std::tuple(Str(machine.Name), Str(machine.ChartFile), Str(machine.SndClunk),
                         Str(machine.SndAuto)),
              std::tuple("Lucky Sevens", "chart", "clunk.wav", "auto.wav"));
    EXPECT_EQ(std::tuple(machine.ChartY, machine.ChartHeight, machine.SymSpace,
                         machine.WindowHeight, machine.WeightedStrips),
              std::tuple(0.8, 4.0, 0.2, 3.0, 1));
    ASSERT_EQ(machine.NumSndMusic, 2);
    EXPECT_STREQ(machine.SndMusic[1], "spin2.wav");
    ASSERT_EQ(machine.NumSndCoin, 3);
    EXPECT_STREQ(machine.SndCoin[2], "coin3.wav");

    const SlotSymbol& wild = machine.Symbols['W'];
    EXPECT_EQ(std::tuple(wild.flags, Str(wild.filename), Str(wild.label), wild.tx, wild.ty),
              std::tuple(SYM_WILD | SYM_DOUBLE, "syms", "Double Wild", 0.75, 0.75));
    EXPECT_DOUBLE_EQ(wild.tx2, 0.9999);
    EXPECT_DOUBLE_EQ(wild.ty2, 0.9999);
    EXPECT_EQ(std::tuple(machine.Symbols['N'].flags, machine.Symbols['A'].flags),
              std::tuple(SYM_DOWN, SYM_AUTOSPIN));
    EXPECT_EQ(std::tuple(machine.Symbols['7'].height, machine.Symbols['-'].height),
              std::tuple(1.0, 0.5));
    EXPECT_STREQ(machine.Symbols['-'].filename, "blank");

    ASSERT_EQ(machine.NumReels, 3);
    EXPECT_EQ(Letters(machine.Reels[0]), "RB7-N");
    EXPECT_EQ(SpinTable(machine.Reels[0]), (std::vector<int>{0, 1, 1, 2, 3, 4}));
    EXPECT_EQ(Letters(machine.Reels[1]), "BRW-7U");

    ASSERT_EQ(machine.NumPayoffs, 5);
    EXPECT_EQ(machine.Payoffs[0].pay[2], 500);
    EXPECT_STREQ(machine.Payoffs[0].label, "Three Sevens");
    EXPECT_EQ(machine.Payoffs[1].pay[2], 60); // a single pay grows with the coins
    const SlotPayoff& any = machine.Payoffs[2];
    EXPECT_TRUE(any.match[1]['B'] && any.match[1]['7'] && !any.match[1]['R']);
    EXPECT_TRUE(machine.Payoffs[3].match[2]['*']);
    const SlotPayoff& inView = machine.Payoffs[4];
    EXPECT_TRUE(inView.plus[2] && inView.match[2]['R'] && !inView.match[2]['+']);
}

TEST(MachineFile, KeywordsAreReadByPrefixIgnoringCase) {
    SlotMachine machine;
    const Texts messages = LoadText(machine, "%NAME  Big  Red Machine \n"
                                             "%Charty 0.5\n%chartheight 2.5\n%chart pays\n"
                                             "%currencydenom -3\n%currencynum 7x\n"
                                             "%sndclunky thud.wav\n%maxcoins 5\n%maxcoins 2\n"
                                             "%symwidth +1.5e0\n%symspace junk\n"
                                             "%%\n%%\n%%\n");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(std::tuple(Str(machine.Name), Str(machine.ChartFile), Str(machine.SndClunk)),
              std::tuple("Big  Red Machine", "pays", "thud.wav"));
    EXPECT_EQ(std::tuple(machine.ChartY, machine.ChartHeight, machine.CurrencyDenom,
                         machine.CurrencyNum, machine.MaxCoins, machine.SymWidth, machine.SymSpace,
                         machine.WeightedStrips),
              std::tuple(0.5, 2.5, 1, 7, 2, 1.5, 0.0, 0));
}

TEST(MachineFile, SymbolLines) {
    SlotMachine machine;
    const Texts messages = LoadText(machine, "(WILD) (autospin)x (up) W wild/d Double  Wild\n"
                                             "(down) (up)\n"
                                             "%symheight 2\n"
                                             "p pic/3\nq pic\nr pic/E\ns pic/\n"
                                             "R one/a\nR two/b\n"
                                             "%%\n%%\n%%\n");
    EXPECT_TRUE(messages.empty());
    const SlotSymbol& w = machine.Symbols['W'];
    EXPECT_EQ(std::tuple(w.flags, Str(w.label), w.height),
              std::tuple(SYM_WILD | SYM_AUTOSPIN | SYM_UP, "Double  Wild", 1.0));
    const SlotSymbol& p = machine.Symbols['p'];
    EXPECT_EQ(std::tuple(p.height, Str(p.label), p.tx, p.ty), std::tuple(2.0, "", 0.0, 0.0));
    EXPECT_DOUBLE_EQ(p.tx2, 0.4999);
    for (char whole : {'q', 's'}) {
        const SlotSymbol& s = machine.Symbols[static_cast<int>(whole)];
        EXPECT_EQ(std::tuple(s.tx, s.ty2), std::tuple(0.0, 1.0)) << whole;
    }
    // "e": first cell of the second row.
    EXPECT_EQ(std::tuple(machine.Symbols['r'].tx, machine.Symbols['r'].ty), std::tuple(0.0, 0.5));
    EXPECT_STREQ(machine.Symbols['R'].filename, "two");
    EXPECT_EQ(machine.Symbols['R'].tx, 0.25);
}

TEST(MachineFile, ReelLines) {
    SlotMachine machine;
    LoadText(machine, "%%\nR B 7\nB R\nB\n7\n%%\n%%\n");
    EXPECT_EQ(machine.NumReels, 3);
    EXPECT_EQ(Letters(machine.Reels[0]), "????"); // no symbol line defines them
    EXPECT_EQ(machine.Reels[0].strip[0], &machine.Symbols['R']);
    EXPECT_EQ(machine.Reels[0].strip[0]->filename, nullptr);
    EXPECT_EQ(SpinTable(machine.Reels[0]), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(std::tuple(machine.Reels[1].numsym, machine.Reels[2].numsym), std::tuple(2, 1));

    LoadText(machine, "%igtsplus\nR r/a\nB b/a\n7 s/a\n%%\nR\nB\nB\n7\nR\n%%\n%%\n");
    EXPECT_EQ(Letters(machine.Reels[0]), "RB7R"); // runs do not join across the end
    EXPECT_EQ(SpinTable(machine.Reels[0]), (std::vector<int>{0, 1, 1, 2, 3}));
}

TEST(MachineFile, PayoffLines) {
    SlotMachine machine;
    LoadText(machine, "%%\n%%\n"
                      "R R ^ 100\nR R ^ 100 150 500\nR R ^ 5 12\n+R [B7] * ^\n"
                      "7 7 7\n[] 7 ^ 9 ^\n%%\n");
    ASSERT_EQ(machine.NumPayoffs, 6);
    const int expected[5][3] = {{100, 200, 300}, {100, 150, 500}, {5, 12, 15}, {0, 0, 0}, {}};
    for (int p = 0; p < 5; p++)
        for (int level = 0; level < 3; level++)
            EXPECT_EQ(machine.Payoffs[p].pay[level], expected[p][level]) << p << level;
    const SlotPayoff& columns = machine.Payoffs[3];
    EXPECT_EQ(columns.plus[0], 1u);
    EXPECT_TRUE(columns.match[0]['R'] && !columns.match[0]['+']);
    EXPECT_TRUE(columns.match[1]['B'] && columns.match[1]['7'] && !columns.match[1]['[']);
    EXPECT_TRUE(columns.match[2]['*']);
    EXPECT_EQ(columns.label, nullptr);
    EXPECT_STREQ(machine.Payoffs[5].label, "");
    for (int c = 0; c < MAX_SYMBOLS; c++)
        EXPECT_EQ(machine.Payoffs[5].match[0][c], 0);
}

TEST(MachineFile, FailuresAndTheirMessages) {
    SlotMachine machine;
    LoadText(machine, "%name First\n%%\n%%\n%%\n");
    const int resets = machine.ResetCount;
    EXPECT_EQ(LoadText(machine, ""),
              Texts({"ParseSymbols failed", "ParseReels failed", "ParsePayoffs failed"}));
    EXPECT_EQ(machine.ResetCount, resets + 1);

    LoadText(machine, "%name First\n%%\n%%\n%%\n");
    RecordingMessageSink sink;
    machine.SetMessageSink(&sink);
    machine.Load("/nonexistent/machine.slt");
    machine.Load("."); // a folder is no machine file either
    ASSERT_EQ(sink.Messages.size(), 2u);
    EXPECT_EQ(sink.Messages[1].text, sink.Messages[0].text);
    EXPECT_EQ(std::tuple(sink.Messages[0].text, sink.Messages[0].caption),
              std::tuple("Unable to open specified file", "Error"));
    EXPECT_STREQ(machine.Name, "First"); // untouched

    // A symbol without texture stops section 1; the later readers go on from the next line.
    EXPECT_EQ(LoadText(machine, "(up) X\nB b/a\n%%\nR B\n%%\nR R ^ 5\n%%\n"),
              Texts({"ParseSymbols failed"}));
    const SlotSymbol& x = machine.Symbols['X'];
    EXPECT_EQ(std::tuple(x.letter, x.flags, x.filename), std::tuple('X', SYM_UP, nullptr));
    EXPECT_EQ(machine.Symbols['B'].letter, 0);
    EXPECT_EQ(Letters(machine.Reels[1]), "?"); // "b/a" became a reel stop
    EXPECT_EQ(machine.NumPayoffs, 1);          // "R B" became a payoff; "R R" was never read

    EXPECT_EQ(LoadText(machine, "%%\nR\n"), Texts({"ParseReels failed", "ParsePayoffs failed"}));
    EXPECT_EQ(LoadText(machine, "%%\n%%\nR ^ 5\n7 ^ 9\n"), Texts({"ParsePayoffs failed"}));
    EXPECT_EQ(machine.NumPayoffs, 2);
    EXPECT_EQ(LoadText(machine, "%%\n%%\nR [B7 ^ 5\n7 ^ 9\n%%\n"), Texts({"ParsePayoffs failed"}));
    ASSERT_EQ(machine.NumPayoffs, 1);
    EXPECT_TRUE(machine.Payoffs[0].match[0]['R']);
    EXPECT_EQ(machine.Payoffs[0].pay[0], 0);
}

TEST(MachineFile, SecondLoadKeepsOnlyTheCabinetMeasures) {
    SlotMachine machine;
    LoadText(machine, "%symwidth 2\n%symspace 0.5\n%windowheight 4\n%windowthick 0.3\n"
                      "%symheight 3\n%charty 0.1\n%maxcoins 9\n%currencynum 1\n%%\n%%\n%%\n");
    machine.InsertMoney(5);
    machine.PayOut(2, 1);
    const int resets = machine.ResetCount;
    LoadText(machine, "%%\n%%\n%%\n");
    EXPECT_EQ(
        std::tuple(machine.SymWidth, machine.SymSpace, machine.WindowHeight, machine.WindowThick),
        std::tuple(2.0, 0.5, 4.0, 0.3));
    EXPECT_EQ(Defaults(machine), Defaults(SlotMachine()));
    EXPECT_EQ(machine.Credits + machine.Pending + machine.Expended, 0);
    EXPECT_EQ(machine.ResetCount, resets + 1);
}

TEST(TextScan, ScanningFunctions) {
    char line[] = " \t ab  cd \r\n";
    char* start = TrimBlanks(line);
    EXPECT_STREQ(start, "ab  cd");
    EXPECT_STREQ(NextToken(start), "cd");
    EXPECT_STREQ(NextToken(start + 1), "cd"); // from inside a token
    char buffer[8];
    EXPECT_STREQ(CopyToken(start, buffer, sizeof buffer), "ab");
    EXPECT_STREQ(CopyToken("abcdefghijk", buffer, 4), "abc");
    char* owned = CopyToken("xyz w");
    EXPECT_STREQ(owned, "xyz");
    free(owned);
    int value = -1;
    char digits[] = "0123x";
    EXPECT_STREQ(ParseNumber(digits, value), "x");
    EXPECT_EQ(value, 123);
    EXPECT_STREQ(ParseNumber(digits + 4, value), "x");
    EXPECT_EQ(value, 0);
    char high[] = "\xa0\xa0x";
    EXPECT_EQ(SkipBlanks(high), high); // no locale makes these white space
}
