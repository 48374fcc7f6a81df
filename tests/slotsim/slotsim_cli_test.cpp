// The command-line contract of slotsim that other checks rely on: exit codes, messages on
// standard error, and the JSON shape, on the bundled example machine.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using nlohmann::json;

namespace {

const std::string Example = KESTREL_SOURCE_DIR "/examples/lucky-sevens/lucky-sevens.slt";

std::string Slurp(const std::string& path) {
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

struct ToolResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

ToolResult RunSlotsim(const std::string& arguments) {
    // ctest runs the cases as parallel processes: each needs files of its own.
    const std::string stem =
        (std::filesystem::temp_directory_path() / ("slotsim-cli-test-" + std::to_string(getpid())))
            .string();
    const int status = std::system(
        (SLOTSIM_PATH " " + arguments + " >" + stem + ".out 2>" + stem + ".err").c_str());
    ToolResult result{WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(stem + ".out"),
                      Slurp(stem + ".err")};
    std::filesystem::remove(stem + ".out");
    std::filesystem::remove(stem + ".err");
    return result;
}

json RunJson(const std::string& arguments) {
    const ToolResult r = RunSlotsim(arguments);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return json::parse(r.out);
}

} // namespace

TEST(SlotsimCli, DumpPrintsEveryFieldOfTheExampleMachine) {
    const json d = RunJson("dump " + Example);
    std::istringstream fields(
        "NumPayoffs NumReels WeightedStrips Position CoinsBet CurrencyNum CurrencyDenom "
        "ResetCount AutoSpin SymSpace SymWidth WindowHeight WindowThick SymHeight ChartY "
        "ChartHeight Name FileName ChartFile NumSndMusic SndMusic NumSndCoin SndCoin SndClunk "
        "SndPay SndBet SndAuto Expended Win PrevWin Credits MinCredits MaxCredits TotalBet Bet "
        "TotalCredited Spins LastBet BetShown Pending Paid MaxCoins Symbols Reels Payoffs "
        "Messages");
    for (std::string field; fields >> field;)
        EXPECT_TRUE(d.contains(field)) << field;
    EXPECT_EQ(d["Position"].size(), 4u);
    EXPECT_EQ(d["Name"], "Lucky Sevens");
    EXPECT_EQ(d["SndCoin"], json::array({"coin1.wav", "coin2.wav", "coin3.wav"}));
    EXPECT_EQ(d["Messages"], json::array());
    EXPECT_EQ(d["Symbols"].size(), 8u);
    EXPECT_EQ(d["Symbols"][0]["code"], '-');
    EXPECT_EQ(d["Symbols"][0]["filename"], "blank");
    EXPECT_EQ(d["Symbols"][0]["height"], 0.5);
    ASSERT_EQ(d["Reels"].size(), 3u);
    EXPECT_EQ(d["Reels"][0]["strip"], json::array({'R', 'B', '7', '-', 'N'}));
    EXPECT_EQ(d["Reels"][0]["spin"], json::array({0, 1, 1, 2, 3, 4}));
    ASSERT_EQ(d["Payoffs"].size(), 5u);
    EXPECT_EQ(d["Payoffs"][2]["match"][0], json::array({'7', 'B'}));
    EXPECT_EQ(d["Payoffs"][2]["match"][3], json::array());
    EXPECT_EQ(d["Payoffs"][0]["pay"], json::array({100, 200, 500}));
    EXPECT_EQ(d["Payoffs"][4]["plus"], json::array({1, 1, 1, 0}));
}

TEST(SlotsimCli, DumpOfAMissingFileShowsTheLoaderMessageAndExitsZero) {
    const json d = RunJson("dump no-such-machine.slt");
    EXPECT_EQ(d["Messages"],
              json::parse(R"([{"caption": "Error", "text": "Unable to open specified file"}])"));
    EXPECT_TRUE(d["FileName"].is_null());
    EXPECT_EQ(d["NumReels"], 0);
}

TEST(SlotsimCli, EvalJudgesThePayLineAtTheGivenStops) {
    // Sevens on all three reels: 100, 200 and 500 for bets of 1, 2 and 3 or more.
    EXPECT_EQ(RunJson("eval " + Example + " --positions 2,4,0 --bet 1"), json({{"Win", 100}}));
    EXPECT_EQ(RunJson("eval " + Example + " --positions 2,4,0 --bet 7"), json({{"Win", 500}}));
}

TEST(SlotsimCli, RunReplaysTheSameSpinsForTheSameSeed) {
    const std::string args = "run " + Example + " --seed 99 --spins 40 --bet 3 --nudge --trace";
    const json first = RunJson(args);
    EXPECT_EQ(first, RunJson(args));
    ASSERT_EQ(first["Trace"].size(), 40u);
    EXPECT_EQ(first["Trace"][0]["Position"].size(), 3u);
    EXPECT_EQ(first["Spins"], 40);
    EXPECT_EQ(first["TotalBet"], 120);
    EXPECT_FALSE(RunJson("run " + Example + " --seed 99 --spins 1 --bet 3").contains("Trace"));
}

TEST(SlotsimCli, PlayCountsEveryWinIn) {
    const json d = RunJson("play " + Example + " --seed 5 --spins 30 --bet 1 --trace");
    ASSERT_EQ(d["Trace"].size(), 30u);
    for (const json& entry : d["Trace"])
        EXPECT_EQ(entry["Pending"], 0);
    EXPECT_EQ(d["Credits"], d["TotalCredited"].get<int>() - d["TotalBet"].get<int>());
}

TEST(SlotsimCli, ErrorsOfUseExitWithTwoAndSayWhyHelpExitsZero) {
    const std::pair<std::string, const char*> cases[] = {
        {"eval " + Example + " --positions 1,2 --bet 1", "3 reels"},
        {"eval " + Example + " --positions 5,0,0 --bet 1", "outside 0 to 4"},
        {"eval " + Example + " --positions 1,x,0 --bet 1", "'x'"},
        {"run " + Example + " --seed 1 --spins many --bet 1", "--spins"},
        {"run " + Example + " --seed -1 --spins 1 --bet 1", "--seed"},
        {"play " + Example + " --seed 1 --spins 1 --bet 1 --nudge", "--nudge"},
        {"run " + Example + " --spins 1 --bet 1", "--seed"},
        {"frobnicate " + Example, "subcommand"},
        {"", "subcommand"},
    };
    for (const auto& [args, message] : cases) {
        const ToolResult r = RunSlotsim(args);
        EXPECT_EQ(r.exitCode, 2) << args;
        EXPECT_NE(r.err.find(message), std::string::npos) << args << "\n" << r.err;
        EXPECT_TRUE(r.out.empty()) << args;
    }
    const ToolResult help = RunSlotsim("run --help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--autopay"), std::string::npos);
}
