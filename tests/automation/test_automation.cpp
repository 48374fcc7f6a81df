// kestrel3d itself, run offscreen with automation scripts: what it prints, the state it
// writes and the pictures it takes.

#include "resources/command_ids.h"
#include "tests/common/temp_path.h"
#include <gtest/gtest.h>

#include <QImage>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <sys/wait.h>

namespace fs = std::filesystem;
using Json = nlohmann::json;

namespace {

// The build's copy, beside the pictures it names.
const std::string kExample = std::string(KESTREL_EXAMPLES_DIR) + "/lucky-sevens/lucky-sevens.slt";

struct Outcome {
    int exitCode = -1;
    std::string out;
    std::string err;
};

class Kestrel3d : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = TempPath(::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    static std::string Slurp(const std::string& path) {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // Runs kestrel3d with the arguments and, when given, a script of these lines.
    Outcome Start(const std::string& arguments, const std::string& script = "") {
        std::string command = std::string(KESTREL3D_PATH) + " " + arguments;
        if (!script.empty()) {
            std::ofstream(Path("script.txt")) << script;
            command += " --script " + Path("script.txt");
        }
        command += " > " + Path("out.txt") + " 2> " + Path("err.txt");
        Outcome run;
        const int status = std::system(command.c_str());
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.out = Slurp(Path("out.txt"));
        run.err = Slurp(Path("err.txt"));
        return run;
    }

    Json State(const std::string& name = "state.json") { return Json::parse(Slurp(Path(name))); }

    fs::path dir_;
};

TEST_F(Kestrel3d, CancelledDialogLeavesABlackViewWithNoMoney) {
    const Outcome run =
        Start("", "frames 2\nshot " + Path("shot.png") + "\nstate " + Path("state.json") + "\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "dialog open\n");
    const Json state = State();
    EXPECT_EQ(state["Title"], "Kestrel-3D: ($0 Expended)");
    EXPECT_EQ(state["FrameCount"], 2);
    EXPECT_EQ(state["Machine"]["NumReels"], 0);
    EXPECT_EQ(state["Running"], 1);
    EXPECT_EQ(state["DisplayFlags"], 63);
    EXPECT_EQ(state["Camera"], Json::array({0.0, 0.0, -20.0}));

    QImage shot(QString::fromStdString(Path("shot.png")));
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(shot.width(), state["ClientWidth"]);
    EXPECT_EQ(shot.height(), state["ClientHeight"]);
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            ASSERT_EQ(shot.pixel(x, y) & 0xFFFFFFu, 0u) << x << "," << y;
}

// Every accelerator, each followed by the state it left: the field it changes and its value.
// F4 and Ctrl+A stand for greyed items and change nothing.
TEST_F(Kestrel3d, EveryKeyReachesItsCommand) {
    const struct {
        const char* key;
        const char* field;
        int mask;
        int expected;
    } keys[] = {
        {"F2", "RenderQuality", 7, 0},         {"F3", "RenderQuality", 7, 1},
        {"F4", "RenderQuality", 7, 1},         {"F5", "RenderQuality", 56, 0},
        {"Ctrl+P", "RenderQuality", 448, 0},   {"Ctrl+W", "RenderQuality", 448, 64},
        {"Ctrl+S", "RenderQuality", 448, 128}, {"Ctrl+D", "Dithering", -1, 1},
        {"Ctrl+A", "AntiAliasing", -1, 0},     {"Ctrl+O", "TextureQuality", -1, 0},
        {"Ctrl+L", "TextureQuality", -1, 1},   {"Plus", "Zoom", -1, 1},
        {"KeypadPlus", "Zoom", -1, 2},         {"Minus", "Zoom", -1, 1},
        {"KeypadMinus", "Zoom", -1, 0},        {"Ctrl+X", "DisplayFlags", -1, 127},
        {"Ctrl+Y", "DisplayFlags", -1, 255},   {"Ctrl+Z", "DisplayFlags", -1, 511},
        {"Space", "SingleStep", -1, 1},        {"Enter", "SingleStep", -1, 0},
    };
    std::string script;
    for (size_t i = 0; i < std::size(keys); ++i)
        script += std::string("key ") + keys[i].key + "\nstate " + Path(std::to_string(i)) + "\n";
    const Outcome run = Start("", script + "key F1\nkey Escape\nframes 5\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "dialog open\nabout\n");
    for (size_t i = 0; i < std::size(keys); ++i) {
        const int value = State(std::to_string(i))[keys[i].field].get<int>();
        EXPECT_EQ(value & keys[i].mask, keys[i].expected) << keys[i].key;
    }
}

// The menu marks follow the state, the cabinet's three parts grey out with it, and the
// scroll bars and zoom move the camera within their ranges.
TEST_F(Kestrel3d, MarksScrollBarsAndZoomFollowTheCommands) {
    std::string script = "state " + Path("a.json") + "\n";
    for (int command : {CMD_WIREFRAME, CMD_FLAT, CMD_LIGHTING, CMD_POINT_FILTERING, CMD_DITHERING,
                        CMD_SHOW_FPS, CMD_ROTATE_Y, CMD_SHOW_CABINET, CMD_SOUND, CMD_FIRST_DRIVER,
                        CMD_ZOOM_IN, CMD_ZOOM_IN, CMD_ZOOM_OUT})
        script += "command " + std::to_string(command) + "\n";
    script += "scroll h pagedown"
              "\nscroll h lineup\nscroll h pagedown"
              "\nscroll v bottom\nscroll v thumb -5\nscroll v pageup"
              "\nframes 1\nstate " +
              Path("b.json") + "\n";
    const Outcome run = Start("", script);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto marks = [](const Json& state, std::initializer_list<int> commands,
                          const char* which) {
        std::string line;
        for (int command : commands)
            line += state["Menu"][std::to_string(command)][which].get<bool>() ? '1' : '0';
        return line;
    };
    const Json a = State("a.json");
    // Gouraud, lighting, solid, bilinear, sound, the mono driver; Phong, anti-aliasing, Go
    // greyed; the cabinet's parts offered.
    EXPECT_EQ(marks(a,
                    {CMD_GOURAUD, CMD_LIGHTING, CMD_SOLID, CMD_BILINEAR_FILTERING, CMD_SOUND,
                     CMD_FIRST_DRIVER + 1, CMD_FLAT, CMD_FIRST_DRIVER, CMD_ROTATE_X, CMD_WIREFRAME},
                    "checked"),
              "1111110000");
    EXPECT_EQ(marks(a,
                    {CMD_PHONG, CMD_ANTI_ALIASING, CMD_GO, CMD_SHOW_CREDITS, CMD_SHOW_PAYOFF_CHART,
                     CMD_SHOW_BUTTONS},
                    "enabled"),
              "000111");
    EXPECT_EQ(a["Menu"][std::to_string(CMD_ROTATE_X)]["text"], "Enable &X Rotation\tCTRL-X");

    const Json b = State("b.json");
    EXPECT_EQ(b["RenderQuality"], 64);
    EXPECT_EQ(marks(b,
                    {CMD_WIREFRAME, CMD_FLAT, CMD_POINT_FILTERING, CMD_DITHERING, CMD_SHOW_FPS,
                     CMD_ROTATE_Y, CMD_SHOW_CREDITS, CMD_SHOW_PAYOFF_CHART, CMD_SHOW_BUTTONS,
                     CMD_FIRST_DRIVER},
                    "checked"),
              "1111111111");
    EXPECT_EQ(marks(b,
                    {CMD_SOLID, CMD_GOURAUD, CMD_LIGHTING, CMD_BILINEAR_FILTERING, CMD_SHOW_CABINET,
                     CMD_SOUND, CMD_FIRST_DRIVER + 1},
                    "checked"),
              "0000000");
    EXPECT_EQ(marks(b, {CMD_SHOW_CREDITS, CMD_SHOW_PAYOFF_CHART, CMD_SHOW_BUTTONS}, "enabled"),
              "000");
    EXPECT_EQ(b["CurrentDriver"], 0);
    EXPECT_EQ(b["DisplayFlags"], 63 ^ 128 ^ 1 ^ 16);
    EXPECT_EQ(b["ShowFPS"], 1);
    EXPECT_EQ(b["Title"].get<std::string>().rfind("FPS ", 0), 0u);
    // Page steps are a third of the range; a step past either end stops at it, and the
    // vertical bar's positions move the camera down.
    EXPECT_EQ(b["ScrollH"], 10);
    EXPECT_EQ(b["ScrollV"], -10);
    EXPECT_EQ(b["Camera"], Json::array({10.0, 10.0, -19.0}));
    EXPECT_EQ(b["Zoom"], 1.0);
}

TEST_F(Kestrel3d, BoxesDialogsAndTheAboutBoxArePrinted) {
    std::ofstream(Path("broken.slt")) << "%name Broken\nnot a symbol line\n%%\n";
    const Outcome run = Start("", "open " + Path("broken.slt") + "\nkey F1\ncommand 102\nquit\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::istringstream lines(run.out);
    std::string first, second;
    std::getline(lines, first);
    EXPECT_EQ(first, "dialog open");
    std::getline(lines, second);
    EXPECT_EQ(second.rfind("box ", 0), 0u) << run.out;
    EXPECT_NE(run.out.find("\nabout\ndialog open\n"), std::string::npos) << run.out;
}

TEST_F(Kestrel3d, TicksAreVirtualAndFramesCounted) {
    const Outcome run = Start(
        "--tick-step 10", "frames 5\nstate " + Path("a.json") + "\nwait 100\nstate " +
                              Path("b.json") + "\nidle\nframes 0\nstate " + Path("c.json") + "\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Json a = State("a.json");
    EXPECT_EQ(a["FrameCount"], 5);
    EXPECT_EQ(a["Tick"], 100060);
    const Json b = State("b.json");
    EXPECT_EQ(b["Tick"], 100160);
    EXPECT_EQ(b["FrameCount"], 15);
    EXPECT_EQ(State("c.json")["Tick"], 100160);
}

TEST_F(Kestrel3d, ResizeMinimiseAndRestore) {
    const Outcome run =
        Start("--tick-step 1", "resize 300 200\nframes 1\nstate " + Path("a.json") +
                                   "\nresize 500 380\nminimize\nframes 4\nstate " + Path("c.json") +
                                   "\nrestore\nframes 1\nstate " + Path("d.json") + "\nshot " +
                                   Path("d.png") + "\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Json a = State("a.json");
    EXPECT_EQ(a["ClientWidth"], 300);
    EXPECT_EQ(a["ViewportWidth"], 300);
    EXPECT_EQ(a["ViewportHeight"], 200);
    const Json c = State("c.json");
    EXPECT_EQ(c["ClientWidth"], 0);
    EXPECT_EQ(c["FrameCount"], a["FrameCount"]);
    const Json d = State("d.json");
    EXPECT_EQ(d["ClientWidth"], 500);
    EXPECT_EQ(d["ViewportWidth"], 500);
    EXPECT_EQ(d["ViewportHeight"], 380);
    EXPECT_EQ(d["FrameCount"], a["FrameCount"].get<int>() + 1);
    EXPECT_EQ(QImage(QString::fromStdString(Path("d.png"))).width(), 500);
}

TEST_F(Kestrel3d, ChosenDriverBadArgumentsVersionAndHelp) {
    Outcome run = Start("--driver 0", "state " + Path("state.json") + "\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(State()["CurrentDriver"], 0);

    run = Start("--driver 9", "quit\n");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("--driver 9"), std::string::npos);

    run = Start("", "frames 1\n\n# fine\nspin 3\n");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("line 4: unknown command 'spin'"), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");

    run = Start("", "open " + Path("missing.slt") + "\n");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("line 1: open: no such file"), std::string::npos) << run.err;

    run = Start("", "shot " + Path("no/such/folder/x.png") + "\n");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("line 1: shot: cannot write"), std::string::npos) << run.err;

    run = Start("--tick-step 0");
    EXPECT_EQ(run.exitCode, 2);

    run = Start("--version");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "kestrel3d " KESTREL_VERSION "\n");
    run = Start("--help");
    EXPECT_EQ(run.exitCode, 0);
    for (const char* word : {"--script", "--seed", "--tick-step", "--driver", "idle [MS]"})
        EXPECT_NE(run.out.find(word), std::string::npos) << word;
}

TEST_F(Kestrel3d, MachineNamedOnTheCommandLineAnswersTheFirstDialogAndRepeatsExactly) {
    const std::string script = "frames 3\nstate " + Path("state.json") + "\n";
    const Outcome run = Start(kExample + " --seed 11 --tick-step 16", script);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "dialog open\n");
    const Json first = State();
    EXPECT_EQ(first["Machine"]["Name"], "Lucky Sevens");
    EXPECT_EQ(first["Title"], "Kestrel-3D: Lucky Sevens ($0 Expended)");
    ASSERT_EQ(Start(kExample + " --seed 11 --tick-step 16", script).exitCode, 0);
    EXPECT_EQ(State(), first);
}

} // namespace
