// The command-line contract of slotsim that other checks rely on: exit codes and messages on
// standard error. The reference model checks the JSON of every command field by field.

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>

#include "tests/common/temp_path.h"

using nlohmann::json;

namespace {

const std::string Example = KESTREL_SOURCE_DIR "/examples/lucky-sevens/lucky-sevens.slt";

std::string Slurp(const std::filesystem::path& path) {
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    std::filesystem::remove(path);
    return text.str();
}

struct ToolResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// `prefix` goes before the command, e.g. a timeout.
ToolResult RunSlotsim(const std::string& arguments, const std::string& prefix = "") {
    const std::filesystem::path out = TempPath("slotsim.out"), err = TempPath("slotsim.err");
    const int status = std::system(
        (prefix + " " SLOTSIM_PATH " " + arguments + " >" + out.string() + " 2>" + err.string())
            .c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(out), Slurp(err)};
}

} // namespace

// A file that cannot be opened prints the fresh machine with the loader's message and exits
// with 1, whatever the command; a file that opens but fails a section loads what it can and
// exits with 0, its messages in the output.
TEST(SlotsimCli, LoaderMessagesAreOutputAndAFileThatCannotBeOpenedExitsOne) {
    const ToolResult r = RunSlotsim("dump no-such-machine.slt");
    ASSERT_EQ(r.exitCode, 1) << r.err;
    const json d = json::parse(r.out);
    EXPECT_EQ(d["Messages"],
              json::parse(R"([{"caption": "Error", "text": "Unable to open specified file"}])"));
    EXPECT_TRUE(d["FileName"].is_null());

    for (const char* command : {"run no-such-machine.slt --seed 1 --spins 1 --bet 1",
                                "play no-such-machine.slt --seed 1 --spins 1 --bet 1",
                                "eval no-such-machine.slt --positions 0 --bet 1"}) {
        const ToolResult other = RunSlotsim(command);
        EXPECT_EQ(other.exitCode, 1) << command;
        EXPECT_EQ(json::parse(other.out)["Messages"], d["Messages"]) << command;
    }
    const std::filesystem::path broken = TempPath("slotsim-broken.slt");
    std::ofstream(broken) << "%name Broken\nnot a symbol line\n%%\n";
    const ToolResult partly = RunSlotsim("dump " + broken.string());
    std::filesystem::remove(broken);
    EXPECT_EQ(partly.exitCode, 0);
    EXPECT_EQ(json::parse(partly.out)["Name"], "Broken");

    // A device or a pipe is refused like a missing file, at once.
    const std::filesystem::path pipe = TempPath("slotsim-pipe.slt");
    std::filesystem::remove(pipe);
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string& path : {std::string("/dev/zero"), pipe.string()}) {
        const ToolResult refused = RunSlotsim("dump " + path, "timeout 10");
        EXPECT_EQ(refused.exitCode, 1) << path;
        ASSERT_FALSE(refused.out.empty()) << path;
        EXPECT_EQ(json::parse(refused.out)["Messages"], d["Messages"]) << path;
    }
    std::filesystem::remove(pipe);
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
        const ToolResult r = RunSlotsim(args);
        EXPECT_EQ(r.exitCode, 2) << args;
        EXPECT_NE(r.err.find(message), std::string::npos) << args << "\n" << r.err;
        EXPECT_TRUE(r.out.empty()) << args;
    }
    const ToolResult help = RunSlotsim("run --help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--autopay"), std::string::npos);
}

// A win is counted in at once: sixty spins of 240 million credits each (three doubling wilds
// on a 10,000,000 line) come back well inside the timeout, the meters stopped at their limit.
TEST(SlotsimCli, HugeWinsAreCountedInAtOnce) {
    const std::filesystem::path file = TempPath("slotsim-jackpot.slt");
    std::ofstream(file) << "%name Jackpot\n(wild) (double) W blank Double wild\nA blank Ace\n"
                           "%%\nW W W A\n%%\nA A A A ^ 10000000\n%%\n";
    const ToolResult r =
        RunSlotsim("play " + file.string() + " --seed 1 --spins 60 --bet 3", "timeout 30");
    std::filesystem::remove(file);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const json d = json::parse(r.out);
    EXPECT_EQ(d["Win"], 240000000);
    EXPECT_EQ(d["Pending"], 0);
    EXPECT_EQ(d["Credits"], INT_MAX);
    EXPECT_EQ(d["TotalCredited"], INT_MAX);
}
