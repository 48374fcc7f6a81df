// The command-line contract of slotsim that other checks rely on: exit codes and messages on
// standard error. The reference model checks the JSON of every command field by field.

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

#include "analysis/played_spins.h"
#include "tests/common/test_support.h"

using nlohmann::json;

namespace {

const std::string Example = KESTREL_SOURCE_DIR "/examples/lucky-sevens/lucky-sevens.slt";

// `prefix` goes before the command, e.g. a timeout; `stdoutTo` takes standard output instead.
ProgramRun RunSlotsim(const std::string& arguments, const std::string& prefix = "",
                      const std::string& stdoutTo = "") {
    return RunProgram(prefix + " " SLOTSIM_PATH " " + arguments, stdoutTo);
}

} // namespace

// A file that cannot be opened prints the fresh machine with the loader's message and exits
// with 1, whatever the command; a file that opens but fails a section loads what it can and
// exits with 0, its messages in the output.
TEST(SlotsimCli, LoaderMessagesAreOutputAndAFileThatCannotBeOpenedExitsOne) {
    const ProgramRun r = RunSlotsim("dump no-such-machine.slt");
    ASSERT_EQ(r.exitCode, 1) << r.err;
    const json d = json::parse(r.out);
    EXPECT_EQ(d["Messages"],
              json::parse(R"([{"caption": "Error", "text": "Unable to open specified file"}])"));
    EXPECT_TRUE(d["FileName"].is_null());

    for (const char* command : {"run no-such-machine.slt --seed 1 --spins 1 --bet 1",
                                "play no-such-machine.slt --seed 1 --spins 1 --bet 1",
                                "eval no-such-machine.slt --positions 0 --bet 1"}) {
        const ProgramRun other = RunSlotsim(command);
        EXPECT_EQ(other.exitCode, 1) << command;
        EXPECT_EQ(json::parse(other.out)["Messages"], d["Messages"]) << command;
    }
    // par and sim analyse no machine the loader complained about: each message on stderr.
    const std::filesystem::path broken = TempPath("slotsim-broken.slt");
    std::ofstream(broken) << "%name Broken\nnot a symbol line\n%%\n";
    const ProgramRun partly = RunSlotsim("dump " + broken.string());
    EXPECT_EQ(partly.exitCode, 0);
    EXPECT_EQ(json::parse(partly.out)["Name"], "Broken");
    for (const std::string& command :
         {std::string("par no-such-machine.slt"), std::string("sim no-such-machine.slt --spins 1"),
          "par " + broken.string(), "sim " + broken.string() + " --spins 1",
          "tune " + broken.string() + " --rtp 0.9 -o " + broken.string() + ".out"}) {
        const ProgramRun refused = RunSlotsim(command);
        EXPECT_EQ(refused.exitCode, 1) << command;
        EXPECT_TRUE(refused.out.empty()) << command;
        const bool missing = command.find("no-such") != std::string::npos;
        EXPECT_NE(refused.err.find(missing ? "Error: Unable to open specified file"
                                           : "Error: ParseReels failed\n"),
                  std::string::npos)
            << refused.err;
        EXPECT_EQ(refused.err.find("ParsePayoffs failed") != std::string::npos, !missing);
    }
    std::filesystem::remove(broken);

    // A device or a pipe is refused like a missing file, at once.
    const std::filesystem::path pipe = TempPath("slotsim-pipe.slt");
    std::filesystem::remove(pipe);
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string& path : {std::string("/dev/zero"), pipe.string()}) {
        const ProgramRun refused = RunSlotsim("dump " + path, "timeout 10");
        EXPECT_EQ(refused.exitCode, 1) << path;
        ASSERT_FALSE(refused.out.empty()) << path;
        EXPECT_EQ(json::parse(refused.out)["Messages"], d["Messages"]) << path;
    }
    std::filesystem::remove(pipe);

    // A sparse file of gigabytes is refused by its size, before any of it is read.
    const std::filesystem::path huge = TempPath("slotsim-huge.slt");
    std::ofstream(huge) << "%name Huge\n";
    std::filesystem::resize_file(huge, 16ull << 30);
    const ProgramRun big = RunSlotsim("dump " + huge.string(), "timeout 10");
    std::filesystem::remove(huge);
    EXPECT_EQ(big.exitCode, 1);
    EXPECT_EQ(big.out.empty() ? json() : json::parse(big.out)["Messages"][0]["text"],
              "Machine file larger than 16 MiB, not read");
}

TEST(SlotsimCli, ErrorsOfUseExitWithTwoAndSayWhyHelpExitsZero) {
    const std::pair<std::string, const char*> cases[] = {
        {"eval " + Example + " --positions 1,2 --bet 1", "3 reels"},
        {"eval " + Example + " --positions 5,0,0 --bet 1", "outside 0 to 4"},
        {"eval " + Example + " --positions 0,0,-1 --bet 1", "outside 0 to 5"},
        {"eval " + Example + " --positions 1,x,0 --bet 1", "'x'"},
        {"run " + Example + " --seed 1 --spins many --bet 1", "--spins"},
        {"run " + Example + " --seed -1 --spins 1 --bet 1",
         "--seed: expected a whole number from 0 to 4294967295, not '-1'"},
        {"run " + Example + " --seed 1 --spins 1 --bet 2147483648",
         "--bet: expected a whole number from 0 to 2147483647, not '2147483648'"},
        {"play " + Example + " --seed 1 --spins -1 --bet 1", "from 0 to 2147483647, not '-1'"},
        {"eval " + Example + " --positions 0,0,0 --bet -1", "from 0 to 2147483647, not '-1'"},
        {"play " + Example + " --seed 1 --spins 1 --bet 1 --nudge", "--nudge"},
        {"run " + Example + " --spins 1 --bet 1", "--seed"},
        {"frobnicate " + Example, "subcommand"},
        {"", "subcommand"},
    };
    for (const auto& [args, message] : cases) {
        const ProgramRun r = RunSlotsim(args);
        EXPECT_EQ(r.exitCode, 2) << args;
        EXPECT_NE(r.err.find(message), std::string::npos) << args << "\n" << r.err;
        EXPECT_TRUE(r.out.empty()) << args;
    }
    const ProgramRun help = RunSlotsim("run --help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--autopay"), std::string::npos);
}

namespace {

// A machine file with the given symbol lines, reel lines and payoff lines.
std::string WriteMachine(const std::string& name, const std::string& symbols,
                         const std::string& reels, const std::string& payoffs) {
    const std::filesystem::path path = TempPath(name + ".slt");
    std::ofstream(path) << "%name " << name << "\n%maxcoins 3\n"
                        << symbols << "%%\n"
                        << reels << "%%\n"
                        << payoffs << "%%\n";
    return path.string();
}

json Par(const std::string& path, const std::string& options) {
    const ProgramRun r = RunSlotsim("par " + path + " --json " + options);
    EXPECT_EQ(r.exitCode, 0) << path << " " << options << "\n" << r.err;
    return json::parse(r.out);
}

json Exact(long long numerator, long long denominator) {
    return json::array({numerator, denominator});
}

// Each amount's chance as {credits: [numerator, denominator]}.
std::map<int, json> Wins(const json& sheet) {
    std::map<int, json> wins;
    for (const json& win : sheet["wins"])
        wins[win["credits"]] = win["chance"]["exact"];
    return wins;
}

} // namespace

// Machines small enough to work out by hand: the par sheet must give exactly those fractions.
TEST(SlotsimPar, HandWorkedMachinesGiveTheirExactFigures) {
    const std::string plain = "A a/a\nB b/b\n";
    // Two reels A, B: one line in four pays.
    const std::string one = WriteMachine("one", plain, "A A\nB B\n", "A A ^ 10\n");
    json s = Par(one, "--bet 1");
    EXPECT_EQ(s["rtp"]["exact"], Exact(5, 2));
    EXPECT_EQ(s["hit"]["exact"], Exact(1, 4));
    EXPECT_EQ(s["meanSquare"]["exact"], Exact(25, 1));
    EXPECT_EQ(s["combinations"], 4);
    EXPECT_EQ(s["payoffs"][0]["rtp"]["exact"], Exact(5, 2));
    EXPECT_EQ(s["payoffs"][0]["hits"], 1);
    EXPECT_EQ(s["payoffs"][0]["chance"]["exact"], Exact(1, 4));
    EXPECT_EQ(s["topAward"]["credits"], 10);
    // The return X is 10 with p = 1/4, else 0: E[X^3] = 250, E[X^4] = 2500; a two-valued X
    // has skewness (1 - 2p) / sqrt(p q) = 2 / sqrt(3) and excess kurtosis 1 / (p q) - 6 = -2/3.
    EXPECT_EQ(s["meanCube"]["exact"], Exact(250, 1));
    EXPECT_EQ(s["meanFourth"]["exact"], Exact(2500, 1));
    EXPECT_NEAR(s["skewness"].get<double>(), 2 / std::sqrt(3.0), 1e-12);
    EXPECT_NEAR(s["excessKurtosis"].get<double>(), -2.0 / 3, 1e-12);
    // The pay table holds the pay of the whole bet: three coins pay 30, still 5/2 per coin;
    // --bet all gives every bet's sheet.
    const json all = Par(one, "--bet all");
    ASSERT_EQ(all.size(), 3u);
    for (int bet = 1; bet <= 3; ++bet) {
        EXPECT_EQ(all[bet - 1]["bet"], bet);
        EXPECT_EQ(all[bet - 1]["rtp"]["exact"], Exact(5, 2));
    }
    // A pay table letter that no symbol defines is a warning; the sheet is still made.
    const std::string ghost = WriteMachine("ghost", plain, "A A\nB B\n", "A A ^ 10\nA Q ^ 5\n");
    const ProgramRun warned = RunSlotsim("par " + ghost);
    EXPECT_EQ(warned.exitCode, 0);
    EXPECT_NE(warned.err.find("payoff row 1 names 'Q', which no symbol defines"), std::string::npos)
        << warned.err;
    EXPECT_NE(warned.out.find("warning: payoff row 1 never pays"), std::string::npos);
    // Both rows pay 10 for A A: the first in file order won it, in eval and in the shares.
    const std::string tie = WriteMachine("tie", plain, "A A\nB B\n", "A * ^ 10\nA A ^ 10\n");
    s = Par(tie, "--bet 1");
    EXPECT_EQ(std::pair(s["payoffs"][0]["rtp"]["exact"], s["payoffs"][1]["rtp"]["exact"]),
              std::pair(Exact(5, 1), Exact(0, 1)));
    for (const auto& [stops, verdict] : {std::pair("0,0", R"({"Win": 10, "Payoff": 0})"),
                                         std::pair("1,1", R"({"Win": 0, "Payoff": -1})")})
        EXPECT_EQ(json::parse(RunSlotsim("eval " + tie + " --positions " + stops + " --bet 1").out),
                  json::parse(verdict));

    // A wild fills a column but cannot win alone: AA, AW and WA pay, WW does not.
    const std::string wild =
        WriteMachine("wild", plain + "(wild) W w/w\n", "A A\nB B\nW W\n", "A A ^ 10\n");
    EXPECT_EQ(Par(wild, "--bet 1")["rtp"]["exact"], Exact(10, 3));
    // A doubling wild pays AW and WA twice over.
    const std::string doubling = WriteMachine("doubling", plain + "(wild) (double) W w/w\n",
                                              "A A\nB B\nW W\n", "A A ^ 10\n");
    s = Par(doubling, "--bet 1");
    EXPECT_EQ(s["rtp"]["exact"], Exact(50, 9));
    EXPECT_EQ(Wins(s),
              (std::map<int, json>{{0, Exact(2, 3)}, {10, Exact(1, 9)}, {20, Exact(2, 9)}}));

    // One reel D, X, Y where D and X drop onto the line: played, every stop comes to rest on
    // D; one Spin(bet, 1, 1) nudges once, so Y only gets as far as X.
    const std::string nudge =
        WriteMachine("nudge", "(down) D d/d\n(down) X x/x\nY y/y\n", "D\nX\nY\n", "D ^ 7\n");
    s = Par(nudge, "--bet 1");
    EXPECT_EQ(s["rtp"]["exact"], Exact(7, 1));
    EXPECT_EQ(s["nudge"]["exact"], Exact(2, 3));
    EXPECT_EQ(Par(nudge, "--bet 1 --mode run")["rtp"]["exact"], Exact(14, 3));

    // One reel S, P, Z with S the autospin symbol: S pays 9 but is followed by a re-spin,
    // which loses it; the series goes on through S and Z and ends on P, after 3 re-spins on
    // average. So 4 credits with 1/3 + 1/3, nothing with 1/3 (a first spin on Z).
    const std::string autospin =
        WriteMachine("autospin", "(autospin) S s/s\nP p/p\nZ z/z\n", "S\nP\nZ\n", "S ^ 9\nP ^ 4\n");
    s = Par(autospin, "--bet 1");
    EXPECT_EQ(Wins(s), (std::map<int, json>{{0, Exact(1, 3)}, {4, Exact(2, 3)}}));
    EXPECT_EQ(s["series"]["chance"]["exact"], Exact(1, 3));
    EXPECT_EQ(s["series"]["meanLength"]["exact"], Exact(3, 1));
    EXPECT_EQ(s["payoffs"][0]["rtp"]["exact"], Exact(0, 1));
    EXPECT_EQ(s["payoffs"][0]["neverPays"], true);
    EXPECT_EQ(s["payoffs"][1]["hits"], 1); // P, 1/3 of the spins, and 2/3 of the played spins
    EXPECT_EQ(s["payoffs"][1]["chance"]["exact"], Exact(2, 3));

    // "%igtsplus": A A B is the strip A, B with the spin table 0, 0, 1.
    const std::filesystem::path weighted = TempPath("weighted.slt");
    std::ofstream(weighted) << "%igtsplus\nA a/a\nB b/b\n%%\nA\nA\nB\n%%\nA ^ 3\n%%\n";
    s = Par(weighted.string(), "--bet 1");
    EXPECT_EQ(s["rtp"]["exact"], Exact(2, 1));
    EXPECT_EQ(s["spinTable"], json::array({3}));

    // Endless: every stop starts a series, or an (up) and a (down) trade places for ever
    // (played; one Spin(bet, 1, 1) nudges once and ends).
    const std::string series = WriteMachine("series", "(autospin) S s/s\n", "S\nS\n", "S ^ 1\n");
    const std::string trading =
        WriteMachine("trading", "(up) U u/u\n(down) D d/d\n", "U\nD\n", "U ^ 1\n");
    for (const std::string& path : {series, trading}) {
        const ProgramRun r = RunSlotsim("par " + path + " --json");
        EXPECT_EQ(r.exitCode, 3) << path;
        EXPECT_EQ(json::parse(r.out)["endless"], true);
        EXPECT_NE(r.err.find("never"), std::string::npos) << r.err;
    }
    EXPECT_EQ(Par(trading, "--mode run")["endless"], false);

    // The chart names each payoff row and each amount's odds.
    const std::filesystem::path svg = TempPath("par.svg");
    EXPECT_EQ(RunSlotsim("par " + Example + " --plot " + svg.string()).exitCode, 0);
    const std::string chart = ReadFile(svg);
    std::filesystem::remove(svg);
    EXPECT_NE(chart.find("Three Sevens"), std::string::npos);
    EXPECT_NE(chart.find("1 in 101.6"), std::string::npos);
    EXPECT_NE(chart.find("Lucky Sevens, bet 3, mode play"), std::string::npos);
    EXPECT_NE(chart.find(">1e-2<"), std::string::npos);
    const ProgramRun unwritable = RunSlotsim("par " + Example + " --plot /nonexistent/par.svg");
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_NE(unwritable.err.find("cannot write /nonexistent/par.svg: No such file or directory"),
              std::string::npos)
        << unwritable.err;

    // A bet above MaxCoins is refused, naming both.
    const ProgramRun high = RunSlotsim("par " + one + " --bet 4");
    EXPECT_EQ(high.exitCode, 2);
    EXPECT_NE(high.err.find("--bet 4 is above the machine's MaxCoins of 3"), std::string::npos);
    for (const std::string& path :
         {one, tie, ghost, wild, doubling, nudge, autospin, series, trading})
        std::filesystem::remove(path);
    std::filesystem::remove(weighted);
}

// The Monte Carlo: a seed and a thread count fix the result; the outcome table and the
// engine's own spins agree with the exact figures, also where a series of re-spins runs into
// the played spin's cap of nudge tries and the table hands the spin over to the engine.
TEST(SlotsimSim, RepeatsItselfAndAgreesWithTheEngineAtTheNudgeCap) {
    const std::string base = "sim " + Example + " --json --spins 300000 --seed 9";
    const auto withoutTime = [](const std::string& text) {
        json j = json::parse(text);
        j.erase("seconds");
        return j;
    };
    const ProgramRun first = RunSlotsim(base + " --threads 2");
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(withoutTime(first.out), withoutTime(RunSlotsim(base + " --threads 2").out));
    EXPECT_NE(withoutTime(first.out), withoutTime(RunSlotsim(base + " --threads 1").out));
    EXPECT_TRUE(first.err.empty()) << "no progress bar when stderr is not a terminal";

    // Reel 0: X and 200 drop symbols, every spin nudges it to stop 1, up to 200 times; reel 1:
    // S (autospin), P, Z, Z. Reel 0 does not matter to the pay table ("*"), so the caps do
    // not change the result: half the played spins pay 15 (a P, or a series, which ends on
    // one), RTP 5/2. A series of a few re-spins passes 1024 nudge tries.
    std::string reels = "X S\nD P\nD Z\nD Z\n";
    for (int row = 4; row <= 200; ++row)
        reels += "D\n";
    const std::string chain = WriteMachine(
        "chain", "X x/x\n(down) D d/d\n(autospin) S s/s\nP p/p\nZ z/z\n", reels, "* P ^ 5\n");
    const json sheet = Par(chain, "");
    EXPECT_EQ(sheet["rtp"]["exact"], Exact(5, 2));
    EXPECT_EQ(sheet["hit"]["exact"], Exact(1, 2));
    for (const std::string options :
         {"", " --weights engine", " --mode run", " --mode run --weights engine"}) {
        const ProgramRun r =
            RunSlotsim("sim " + chain + " --json --spins 200000 --seed 4 --threads 2" + options);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const json sim = json::parse(r.out);
        EXPECT_EQ(sim["outcomeTable"], options.find("engine") == std::string::npos) << options;
        EXPECT_NEAR(sim["rtp"]["value"], 2.5, sim["rtp"]["halfWidth95"]) << options;
        EXPECT_NEAR(sim["hit"]["value"], 0.5, sim["hit"]["halfWidth95"]) << options;
        EXPECT_EQ(sim["wins"].size(), 2u) << options;
    }
    const ProgramRun high = RunSlotsim("sim " + chain + " --spins 1 --bet 9");
    EXPECT_EQ(high.exitCode, 2);
    EXPECT_NE(high.err.find("MaxCoins of 3"), std::string::npos);
    std::filesystem::remove(chain);
}

// A spin handed to the engine is rebuilt from the entries the draw reports: they must be the
// ones whose places it summed, with the reels in one group (Lucky Sevens) or in two.
TEST(SlotsimSim, TheEntriesADrawReportsAreTheOnesItSummed) {
    for (const std::string name : {"lucky-sevens", "golden-arrows"}) {
        QuietMachine machine(KESTREL_SOURCE_DIR "/examples/" + name + "/" + name + ".slt");
        OutcomeTable table;
        ASSERT_TRUE(BuildTable(*machine.machine, 3, SpinMode::Play, table)) << name;
        Stream stream{7};
        for (int n = 0; n < 1000; ++n) {
            uint32_t entries[MAX_REELS];
            const uint32_t sum = table.entries.Draw(stream, entries);
            uint32_t summed = 0;
            for (int i = 0; i < MAX_REELS; ++i)
                summed += table.byEntry[i].at(entries[i]);
            ASSERT_EQ(sum, summed) << name << " draw " << n;
        }
    }
}

// A win is counted in at once: sixty spins of 240 million credits each (three doubling wilds
// on a 10,000,000 line) come back well inside the timeout, the meters stopped at their limit.
TEST(SlotsimCli, HugeWinsAreCountedInAtOnce) {
    const std::filesystem::path file = TempPath("slotsim-jackpot.slt");
    std::ofstream(file) << "%name Jackpot\n(wild) (double) W blank Double wild\nA blank Ace\n"
                           "%%\nW W W A\n%%\nA A A A ^ 10000000\n%%\n";
    const ProgramRun r =
        RunSlotsim("play " + file.string() + " --seed 1 --spins 60 --bet 3", "timeout 30");
    std::filesystem::remove(file);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const json d = json::parse(r.out);
    EXPECT_EQ(d["Win"], 240000000);
    EXPECT_EQ(d["Pending"], 0);
    EXPECT_EQ(d["Credits"], INT_MAX);
    EXPECT_EQ(d["TotalCredited"], INT_MAX);
}

// What slotsim writes arrives whole or the run fails: standard output on a full device fails
// every command; the chart is written beside its name and renamed, so a disk that fills up
// (the file size limit stands in for it) leaves the chart before it; every text in the chart is
// escaped, control characters dropped.
TEST(SlotsimCli, OutputThatCannotBeWrittenFailsAndNothingIsLeftHalfWritten) {
    for (const std::string& command : {"dump " + Example, "par " + Example, std::string("--help"),
                                       "run " + Example + " --seed 1 --spins 1 --bet 1 --trace"}) {
        const ProgramRun r = RunSlotsim(command, "", "/dev/full");
        EXPECT_EQ(r.exitCode, 1) << command;
        EXPECT_NE(r.err.find("cannot write standard output"), std::string::npos) << command;
    }
    const std::filesystem::path dir = TempPath("plot");
    std::filesystem::create_directory(dir);
    std::ofstream(dir / "bb.slt") << "%name Bars &\x01 Bells <x>\nA a/a\nB b/b\n%%\nA A\nB B\n%%\n"
                                     "A A ^ 10 ^ Two\x02 \"As\" & <more>\n%%\n";
    const std::string par = "par " + (dir / "bb.slt").string() + " --plot ";
    ASSERT_EQ(RunSlotsim(par + (dir / "bb.svg").string()).exitCode, 0);
    EXPECT_EQ(std::system(("xmllint --xpath 'string(//*[local-name()=\"title\"])' " +
                           (dir / "bb.svg").string() +
                           " | grep -qx 'Bars & Bells <x>, bet 3, mode play: par sheet'")
                              .c_str()),
              0);
    const ProgramRun full = RunSlotsim(par + "/dev/full");
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_NE(full.err.find("/dev/full: No space left on device"), std::string::npos) << full.err;
    const ProgramRun limited =
        RunSlotsim(par + (dir / "bb.svg").string(), "ulimit -f 2; trap '' XFSZ;", "/dev/null");
    EXPECT_EQ(limited.exitCode, 1);
    EXPECT_NE(limited.err.find("File too large"), std::string::npos) << limited.err;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 2);
    EXPECT_NE(ReadFile(dir / "bb.svg").find("</svg>"), std::string::npos);
    std::filesystem::remove_all(dir);
}

// A trace is printed as it is played: the memory a run holds does not grow with its spins.
TEST(SlotsimCli, TracesAreStreamed) {
    const auto peakKilobytes = [](const char* spins) {
        const pid_t child = fork();
        if (child == 0) {
            std::freopen("/dev/null", "w", stdout);
            setenv("ASAN_OPTIONS", "quarantine_size_mb=0:detect_leaks=0", 1);
            execl(SLOTSIM_PATH, SLOTSIM_PATH, "play", Example.c_str(), "--seed", "1", "--bet", "3",
                  "--trace", "--spins", spins, nullptr);
            _exit(127);
        }
        rusage usage{};
        wait4(child, nullptr, 0, &usage);
        return usage.ru_maxrss;
    };
    EXPECT_LT(peakKilobytes("100000") - peakKilobytes("1000"), 16 * 1024);
}

namespace {

// A machine file's three sections, the reel section as each reel's column with its runs of one
// letter written once.
struct Sections {
    std::string symbols, payoffs;
    std::vector<std::string> columns;
};

Sections Split(const std::string& text) {
    Sections s;
    std::istringstream lines(text);
    int section = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line == "%%\r" || line == "%%") {
            ++section;
        } else if (section == 1) {
            std::istringstream tokens(line);
            std::string token;
            for (size_t reel = 0; tokens >> token; ++reel) {
                s.columns.resize(std::max(s.columns.size(), reel + 1));
                if (s.columns[reel].empty() || s.columns[reel].back() != token[0])
                    s.columns[reel] += token[0];
            }
        }
        (section == 0 ? s.symbols : s.payoffs) += section == 1 ? "" : line + "\n";
    }
    return s;
}

} // namespace

// tune changes how likely the stops are and nothing else: the tuned file reaches its target,
// reads back with the figures tune printed, and differs only in the runs down the reel
// columns ("%igtsplus" added where it was missing). A target out of reach, a file whose strips
// would change and a second name for the file itself write nothing.
TEST(SlotsimTune, ReachesTheTargetChangingOnlyTheRunsOrWritesNothing) {
    const std::filesystem::path dir = TempPath("tune");
    std::filesystem::create_directory(dir);
    const std::string plain = (dir / "plain.slt").string();
    std::ofstream(plain) << "%name Plain\r\nA a/a\r\nB b/b\r\nC c/c\r\n%%\r\nA A B\r\nB B\r\n"
                            "C A\r\nB C\r\n%%\r\nA A * ^ 10\r\nB B * ^ 5\r\n%%\r\n";
    const std::string golden = KESTREL_SOURCE_DIR "/examples/golden-arrows/golden-arrows.slt";
    for (const std::string& file : {golden, plain}) {
        const std::string out = (dir / "out.slt").string();
        const bool weighted = file == golden;
        const ProgramRun tune =
            RunSlotsim("tune " + file + " --rtp 95% -o " + out + (weighted ? " --hit 0.21" : ""));
        ASSERT_EQ(tune.exitCode, 0) << tune.out << tune.err;
        const std::string par = RunSlotsim("par " + out).out;
        const std::string figures =
            par.substr(par.find("RTP "), par.find("\n\nwin") - par.find("RTP "));
        EXPECT_NE(tune.out.find("after\n" + figures), std::string::npos) << tune.out << par;
        EXPECT_LE(std::abs(std::stod(figures.substr(figures.find(" = ") + 3)) - 95), 0.01);
        const double hit = std::stod(figures.substr(figures.find("hit frequency") + 13));
        EXPECT_TRUE(!weighted || std::abs(hit - 0.21) <= 0.005) << figures;
        const Sections before = Split(ReadFile(file)), after = Split(ReadFile(out));
        EXPECT_EQ(after.symbols, before.symbols + (weighted ? "" : "%igtsplus\r\n"));
        EXPECT_EQ(after.payoffs, before.payoffs);
        EXPECT_EQ(after.columns, before.columns);
        EXPECT_NE(ReadFile(out), ReadFile(file));
    }
    std::ofstream(dir / "twice.slt") << "A a/a\nB b/b\n%%\nA\nA\nB\n%%\nA ^ 1\n%%\n";
    const std::string none = " -o " + (dir / "none.slt").string();
    const std::tuple<std::string, int, const char*> refused[] = {
        {plain + " --rtp 50" + none, 3, "out of reach; nothing written"},
        {(dir / "twice.slt").string() + " --rtp 0.9" + none, 2, "'A' twice in a row"},
        {plain + " --rtp 0.9 --closest -o " + (dir / "." / "plain.slt").string(), 2, "itself"}};
    for (const auto& [args, exitCode, message] : refused) {
        const ProgramRun r = RunSlotsim("tune " + args);
        EXPECT_EQ(r.exitCode, exitCode) << args << r.err;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 3);
    std::filesystem::remove_all(dir);
}
