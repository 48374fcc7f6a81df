// kestrel3d itself, run offscreen with automation scripts: what it prints, the state it
// writes and the pictures it takes.

#include "resources/command_ids.h"
#include "tests/common/test_support.h"
#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>

namespace fs = std::filesystem;
using Json = nlohmann::json;

namespace {

// The build's copy, beside the pictures it names.
const std::string EXAMPLE = std::string(KESTREL_EXAMPLES_DIR) + "/lucky-sevens/lucky-sevens.slt";

std::string Cmd(int command) {
    return "command " + std::to_string(command) + "\n";
}

// A click in the middle of a button's rectangle.
std::string ClickOn(const Json& rect) {
    return "click " + std::to_string((int(rect[0]) + int(rect[2])) / 2) + " " +
           std::to_string((int(rect[1]) + int(rect[3])) / 2) + "\n";
}

// The named fields of a state, to be compared in one go.
Json Fields(const Json& state, std::initializer_list<const char*> names) {
    Json values = Json::array();
    for (const char* name : names)
        values.push_back(state[name]);
    return values;
}

class Kestrel3d : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = TempPath(::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    // Runs kestrel3d with the arguments and, when given, a script of these lines; `env` is
    // put before the command (VAR=value ...).
    ProgramRun Start(const std::string& arguments, const std::string& script = "",
                     const std::string& env = "") {
        std::string command = env + " " + KESTREL3D_PATH + " " + arguments;
        if (!script.empty()) {
            std::ofstream(Path("script.txt")) << script;
            command += " --script " + Path("script.txt");
        }
        return RunProgram(command);
    }

    Json State(const std::string& name = "state.json") { return Json::parse(ReadFile(Path(name))); }
    // A script line that saves the state under this name.
    std::string Save(const std::string& name) const { return "state " + Path(name) + "\n"; }

    fs::path dir_;
};

TEST_F(Kestrel3d, CancelledDialogLeavesABlackViewWithNoMoney) {
    const ProgramRun run =
        Start("", "frames 2\nshot " + Path("shot.png") + "\n" + Save("state.json"));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "dialog open\n");
    const Json state = State();
    EXPECT_EQ(Fields(state, {"Title", "FrameCount", "Running", "DisplayFlags", "Camera"}),
              Json::array({"Kestrel-3D: ($0 Expended)", 2, 1, 63, {0.0, 0.0, -20.0}}));
    EXPECT_EQ(state["Machine"]["NumReels"], 0);

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
        {"F2", "RenderQuality", 7, 0},
        {"F3", "RenderQuality", 7, 1},
        {"F4", "RenderQuality", 7, 1},
        {"F5", "RenderQuality", 56, 0},
        {"Ctrl+P", "RenderQuality", 448, 0},
        {"Ctrl+W", "RenderQuality", 448, 64},
        {"Ctrl+S", "RenderQuality", 448, 128},
        {"Ctrl+D", "Dithering", -1, 1},
        {"Ctrl+A", "AntiAliasing", -1, 0},
        {"Ctrl+O", "TextureQuality", -1, 0},
        {"Ctrl+L", "TextureQuality", -1, 1},
        {"Plus", "Zoom", -1, 1},
        {"KeypadPlus", "Zoom", -1, 2},
        {"Minus", "Zoom", -1, 1},
        {"KeypadMinus", "Zoom", -1, 0},
        {"Ctrl+X", "DisplayFlags", -1, 127},
        {"Ctrl+Y", "DisplayFlags", -1, 255},
        {"Ctrl+Z", "DisplayFlags", -1, 511},
        {"Space", "SingleStep", -1, 1},
        {"Enter", "SingleStep", -1, 0},
        {"F7", "Watch", -1, 1},
        {"F8", "Autoplay", -1, 1},
    };
    std::string script;
    for (size_t i = 0; i < std::size(keys); ++i)
        script += std::string("key ") + keys[i].key + "\nstate " + Path(std::to_string(i)) + "\n";
    const ProgramRun run = Start("", script + "key F1\nkey Escape\nframes 5\n");
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
    std::string script = Save("a.json");
    for (int command : {CMD_WIREFRAME, CMD_FLAT, CMD_LIGHTING, CMD_POINT_FILTERING, CMD_DITHERING,
                        CMD_SHOW_FPS, CMD_ROTATE_Y, CMD_SHOW_CABINET, CMD_SOUND, CMD_FIRST_DRIVER,
                        CMD_ZOOM_IN, CMD_ZOOM_IN, CMD_ZOOM_OUT})
        script += Cmd(command);
    script += "scroll h pagedown\nscroll h lineup\nscroll h pagedown\nscroll v bottom\n"
              "scroll v thumb -5\nscroll v pageup\nframes 1\n";
    ASSERT_EQ(Start("", script + Save("b.json")).exitCode, 0);
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
    const ProgramRun run =
        Start("", "open " + Path("broken.slt") + "\nkey F1\ncommand 102\nquit\n");
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
    ASSERT_EQ(Start("--tick-step 10", "frames 5\n" + Save("a.json") + "wait 100\n" +
                                          Save("b.json") + "idle\nframes 0\n" + Save("c.json"))
                  .exitCode,
              0);
    EXPECT_EQ(Fields(State("a.json"), {"FrameCount", "Tick"}), Json::array({5, 100060}));
    EXPECT_EQ(Fields(State("b.json"), {"FrameCount", "Tick"}), Json::array({15, 100160}));
    EXPECT_EQ(State("c.json")["Tick"], 100160);
}

// While a script sleeps the loop runs as for a person: a still picture is not drawn again
// until input may change it, and a turning world is drawn at most once per refresh of the
// display (60 a second here).
TEST_F(Kestrel3d, AStillWindowRestsAndATurningOneKeepsToTheRefresh) {
    const ProgramRun run =
        Start(EXAMPLE, "frames 2\n" + Save("a.json") + "sleep 1000\n" + Save("b.json") +
                           Cmd(CMD_ZOOM_IN) + "sleep 300\n" + Save("c.json") +
                           "key Ctrl+X\nsleep 1000\n" + Save("d.json"));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::vector<int> frames;
    for (const char* name : {"a.json", "b.json", "c.json", "d.json"})
        frames.push_back(State(name)["FrameCount"]);
    EXPECT_LE(frames[1] - frames[0], 2);
    EXPECT_EQ(frames[2] - frames[1], 2); // the zoomed picture, and the one that finds it still
    EXPECT_GE(frames[3] - frames[2], 10);
    EXPECT_LE(frames[3] - frames[2], 62);
}

// On a screen of two device pixels to the logical one the view renders at the screen's pixels
// (twice the size of a plain screen's: a 600 by 400 window) and a click still hits its button.
TEST_F(Kestrel3d, OnAHighDensityScreenTheViewIsSharpAndClicksHitTheirButtons) {
    const std::string scaled = "QT_SCALE_FACTOR=2";
    ASSERT_EQ(
        Start(EXAMPLE, "frames 2\n" + Save("a.json") + "shot " + Path("a.png"), scaled).exitCode,
        0);
    const Json a = State("a.json");
    const QImage shot(QString::fromStdString(Path("a.png")));
    EXPECT_GT(a["ClientWidth"], 1000);
    EXPECT_EQ(Fields(a, {"ClientWidth", "ClientHeight"}),
              Fields(a, {"ViewportWidth", "ViewportHeight"}));
    EXPECT_EQ(Json::array({shot.width(), shot.height()}),
              Fields(a, {"ClientWidth", "ClientHeight"}));
    const Json& bet = a["Buttons"][2];
    ASSERT_EQ(bet["command"], 3);
    ASSERT_EQ(
        Start(EXAMPLE, Cmd(CMD_MONEY_5) + "idle\n" + ClickOn(bet["rect"]) + Save("b.json"), scaled)
            .exitCode,
        0);
    EXPECT_EQ(State("b.json")["Machine"]["Bet"], 1);
}

TEST_F(Kestrel3d, ResizeMinimiseAndRestore) {
    const ProgramRun run =
        Start("--tick-step 1",
              "frames 1\nrestore\nframes 1\n" + Save("r.json") + "resize 300 200\nframes 1\n" +
                  Save("a.json") + "resize 500 380\nminimize\nframes 4\n" + Save("c.json") +
                  "restore\nframes 1\n" + Save("d.json") + "shot " + Path("d.png") +
                  "\nresize 9000 120\nframes 1\n" + Save("e.json"));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "dialog open\n");
    const Json r = State("r.json"), a = State("a.json"), c = State("c.json"), d = State("d.json");
    const auto size = {"ClientWidth", "ViewportWidth", "ViewportHeight"};
    EXPECT_GT(r["ClientWidth"], 0); // nothing to restore: no change
    EXPECT_EQ(r["ClientWidth"], r["ViewportWidth"]);
    EXPECT_EQ(Fields(a, size), Json::array({300, 300, 200}));
    EXPECT_EQ(Fields(c, {"ClientWidth", "FrameCount"}), Json::array({0, a["FrameCount"]}));
    EXPECT_EQ(Fields(d, size), Json::array({500, 500, 380}));
    EXPECT_EQ(d["FrameCount"], a["FrameCount"].get<int>() + 1);
    EXPECT_EQ(QImage(QString::fromStdString(Path("d.png"))).width(), 500);
    // Wider than any screen here, still served: the device follows any side a screen can give.
    EXPECT_EQ(Fields(State("e.json"), {"ViewportWidth", "Running"}), Json::array({9000, 1}));
}

TEST_F(Kestrel3d, ChosenDriverBadArgumentsVersionAndHelp) {
    ASSERT_EQ(Start("--driver 0", "state " + Path("state.json") + "\n").exitCode, 0);
    EXPECT_EQ(State()["CurrentDriver"], 0);

    std::ofstream(Path("huge.txt")) << "quit\n";
    fs::resize_file(Path("huge.txt"), 65 << 20);
    // Every number has its bound, said in words; a write that fails on the way out is as much
    // a failure as a missing folder; a script that cannot be read, or is too large to be one,
    // is refused with the reason.
    const struct {
        std::string arguments, script;
        int exitCode;
        std::string message;
    } refused[] = {
        {"--driver 4", "quit\n", 1, "--driver 4: the list has 2 driver(s)"},
        {"--tick-step 0", "quit\n", 2,
         "--tick-step: expected a whole number from 1 to 60000, not '0'"},
        {"--tick-step 2147483648", "quit\n", 2, "from 1 to 60000, not '2147483648'"},
        {"--driver -1", "quit\n", 2, "--driver: expected a whole number from 0 to 4, not '-1'"},
        {"--driver 9", "quit\n", 2, "from 0 to 4, not '9'"},
        {"--seed 4294967296", "quit\n", 2, "--seed: expected a whole number from 0 to 4294967295"},
        {"--seed 1x", "quit\n", 2, "not '1x'"},
        {"", "frames 1\n\n# fine\nspin 3\n", 2, "line 4: unknown command 'spin'"},
        {"", "open " + Path("missing.slt") + "\n", 2, "line 1: open: no such file"},
        {"", "shot " + Path("no/such/folder/x.png") + "\n", 2, "line 1: shot: cannot write"},
        {"", "frames 1\nshot /dev/full\n", 2, "line 2: shot: cannot write /dev/full"},
        {"", "state /dev/full\n", 2, "line 1: state: cannot write /dev/full"},
        {"--script /proc/self/mem", "", 2, "cannot read /proc/self/mem: Input/output error"},
        {"--script " + Path("huge.txt"), "", 2, "larger than 64 MiB"},
    };
    for (const auto& r : refused) {
        const ProgramRun run = Start(r.arguments, r.script);
        EXPECT_EQ(run.exitCode, r.exitCode) << r.arguments << r.script;
        EXPECT_NE(run.err.find(r.message), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("range"), std::string::npos) << run.err;
    }
    EXPECT_EQ(Start("", refused[7].script).out, ""); // a script is checked before it runs
    // What a script prints is its output: lost to a full disk, the run fails.
    std::ofstream(Path("quit.txt")) << "quit\n";
    const ProgramRun full = RunProgram(KESTREL3D_PATH " --script " + Path("quit.txt"), "/dev/full");
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_NE(full.err.find("cannot write standard output"), std::string::npos);
    EXPECT_EQ(Start("--version").out, "kestrel3d " KESTREL_VERSION "\n");
    const ProgramRun help = Start("--help");
    EXPECT_EQ(help.exitCode, 0);
    for (const char* word : {"--script", "--seed", "--tick-step", "--driver", "idle [MS]"})
        EXPECT_NE(help.out.find(word), std::string::npos) << word;
}

// A failure that ends the program exits with 1, as a failed start-up does, and stops the
// script there; a size no device can serve is refused before any window of that size exists.
TEST_F(Kestrel3d, FatalFailuresExitWithOne) {
    const std::string after = Save("after.json");
    ProgramRun run = Start("", Cmd(CMD_FIRST_DRIVER + 2) + after);
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(run.out, "dialog open\nbox D3DRM Example Message: Failed to create the D3DRM device "
                       "from the clipper.\\nD3DRMERR_BADDEVICE\\n\n");
    run = Start("", "resize 32767 32767\n" + after);
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_NE(run.out.find("D3DRMERR_BADALLOC"), std::string::npos) << run.out;
    EXPECT_FALSE(fs::exists(Path("after.json")));
}

// A machine file deep in folders loads from the command line and from a script; what the
// file system cannot open (a name over its limit, a loop of links) or is no file at all (a
// device, a pipe) is refused with the reason, like a missing file, and never hangs.
TEST_F(Kestrel3d, MachineFilesAreCheckedWithTheFileSystemsReasons) {
    const fs::path deep = dir_ / std::string(120, 'd') / std::string(120, 'e') / "deep.slt";
    ASSERT_GE(deep.string().size(), 256u);
    fs::create_directories(deep.parent_path());
    std::ofstream(deep) << "%name Deep\n";
    const std::string state = Save("state.json");
    EXPECT_EQ(Start(deep.string(), state).exitCode, 0);
    EXPECT_EQ(State()["Machine"]["Name"], "Deep");
    fs::remove(Path("state.json"));
    EXPECT_EQ(Start("", "open " + deep.string() + "\n" + state).exitCode, 0);
    EXPECT_EQ(State()["Machine"]["Name"], "Deep");

    fs::create_symlink("loop-b", Path("loop-a"));
    fs::create_symlink("loop-a", Path("loop-b"));
    ASSERT_EQ(mkfifo(Path("pipe.slt").c_str(), 0600), 0);
    const std::pair<std::string, std::string> refused[] = {
        {Path(std::string(300, 'n') + ".slt"), "File name too long"},
        {Path("loop-a"), "Too many levels of symbolic links"},
        {"/dev/zero", "not a regular file"},
        {Path("pipe.slt"), "not a regular file"},
        {"/proc/sys/vm/drop_caches", "Permission denied"}, // write-only, even to root
    };
    for (const auto& [path, reason] : refused) {
        ProgramRun run = Start("", "open " + path + "\n" + state, "timeout 10");
        EXPECT_EQ(run.exitCode, 2) << path;
        EXPECT_NE(run.err.find("line 1: open: " + reason + ": " + path), std::string::npos)
            << run.err;
        run = Start(path, state, "timeout 10");
        EXPECT_EQ(run.exitCode, 2) << path;
        EXPECT_NE(run.err.find(reason + ": " + path), std::string::npos) << run.err;
    }
    // Sounds named as a pipe or a device are silent, not waited for.
    fs::remove(Path("state.json"));
    std::ofstream(Path("piped.slt")) << "%name Piped\n%sndpay pipe.slt\n%sndbet /dev/zero\n";
    EXPECT_EQ(Start(Path("piped.slt"), state, "timeout 10").exitCode, 0);
    EXPECT_EQ(State()["Machine"]["Name"], "Piped");
}

TEST_F(Kestrel3d, MachineNamedOnTheCommandLineAnswersTheFirstDialogAndRepeatsExactly) {
    const std::string script = "frames 3\nstate " + Path("state.json") + "\n";
    const ProgramRun run = Start(EXAMPLE + " --seed 11 --tick-step 16", script);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "dialog open\n");
    const Json first = State();
    EXPECT_EQ(first["Machine"]["Name"], "Lucky Sevens");
    EXPECT_EQ(first["Title"], "Kestrel-3D: Lucky Sevens ($0 Expended)");
    ASSERT_EQ(Start(EXAMPLE + " --seed 11 --tick-step 16", script).exitCode, 0);
    EXPECT_EQ(State(), first);

    // The argument and an answer at the top of the script would both answer the first dialog.
    for (const std::string& top : {"open " + EXAMPLE, std::string("# first\ncancel")}) {
        const ProgramRun both = Start(EXAMPLE, top + "\n" + script);
        EXPECT_EQ(both.exitCode, 2) << top;
        EXPECT_NE(both.err.find("the MACHINE argument already answers the first File/Open dialog"),
                  std::string::npos)
            << both.err;
        EXPECT_EQ(both.out, "");
    }
    // Later answers are for later dialogs.
    EXPECT_EQ(Start(EXAMPLE, "frames 1\nopen " + EXAMPLE + "\ncommand 102\n").exitCode, 0);
}

// Where a point of the world lands in a shot with the camera at (0, 0, -distance): the view
// reaches half the smaller side at distance 1, so one unit at distance d is min(w, h) / d.
struct View {
    int w, h;
    double d; // the camera's distance
    int X(double x, double z = 0) const { return int(w / 2.0 + std::min(w, h) * x / (z + d)); }
    int Y(double y, double z = 0) const { return int(h / 2.0 - std::min(w, h) * y / (z + d)); }
};

uint32_t Rgb(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0xFFFFFFu;
}

QImage Picture(const std::string& path) {
    return QImage(QString::fromStdString(path));
}

// The texels of the symbol picture's cell that a stop of the example's reel shows; v grows
// up the picture.
std::set<uint32_t> StopTexels(const Json& machine, int reel, int stop) {
    static const QImage syms = Picture(fs::path(EXAMPLE).replace_filename("syms.bmp"));
    const int code = machine["Reels"][reel]["strip"][stop];
    const Json sym = *std::find_if(machine["Symbols"].begin(), machine["Symbols"].end(),
                                   [code](const Json& s) { return s["code"] == code; });
    const int w = syms.width(), h = syms.height();
    std::set<uint32_t> cell;
    for (int y = int(h * (1 - double(sym["ty2"]))); y < int(h * (1 - double(sym["ty"]))); ++y)
        for (int x = int(w * double(sym["tx"])); x < int(w * double(sym["tx2"])); ++x)
            cell.insert(Rgb(syms, x, y));
    return cell;
}

// Unlit and point-sampled, every pixel of a textured face is one texel of its picture: right
// after a build each drum stands as built, stop 0 just above the pay line, its picture
// upright; the chart shows its picture; the pay line is red across the window, the frame
// dark blue, also far away in a window resized to an even height, where the line falls
// between two rows. The display toggles rebuild the scene without their parts.
TEST_F(Kestrel3d, ExampleMachineStandsAsBuiltAndFollowsTheDisplayToggles) {
    std::string zoom, unzoom;
    for (int i = 0; i < 15; ++i)
        zoom += "command 103\n", unzoom += "command 104\n";
    std::string script = "resize 600 400\nframes 2\nstate " + Path("a.json") +
                         "\ncommand 29\ncommand 17\n" + "frames 1\nshot " + Path("b.png") + "\n" +
                         zoom + "frames 1\nshot " + Path("c.png") + "\n" + unzoom;
    const std::pair<std::string, int> toggles[] = {{"d", CMD_SHOW_BUTTONS},
                                                   {"e", CMD_SHOW_CREDITS},
                                                   {"f", CMD_SHOW_PAYOFF_CHART},
                                                   {"g", CMD_SHOW_CABINET}};
    for (const auto& [name, command] : toggles)
        script += "command " + std::to_string(command) + "\nframes 1\nstate " +
                  Path(name + ".json") + "\nshot " + Path(name + ".png") + "\n";
    const ProgramRun run = Start(EXAMPLE + " --driver 0", script);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "dialog open\n");

    const Json a = State("a.json");
    const Json& m = a["Machine"];
    const auto num = [&m](const char* field) { return m[field].get<double>(); };
    ASSERT_EQ(a["Buttons"].size(), 5u);
    const QImage b = Picture(Path("b.png"));
    const View far{b.width(), b.height(), 20};
    for (int i = 0; i < 5; ++i) {
        const Json& button = a["Buttons"][i];
        EXPECT_EQ(button["command"], i + 1);
        EXPECT_EQ(button["state"], (i == 0 || i == 3) ? 1 : 2) << i; // no bet, at rest
        const std::vector<int> r = button["rect"];
        ASSERT_TRUE(r[0] >= 0 && r[0] < r[2] && r[2] <= far.w && r[1] < r[3] && r[3] <= far.h);
        // Left of the quad lies the grey slope; inside it the "buttons" picture.
        EXPECT_EQ(Rgb(b, r[0] - 2, (r[1] + r[3]) / 2), 0xCCCCCCu) << i;
        EXPECT_NE(Rgb(b, (r[0] + r[2]) / 2, (r[1] + r[3]) / 2), 0xCCCCCCu) << i;
    }
    EXPECT_EQ(a["Meter"], Json({{"paid", 0}, {"credits", 0}, {"bet", 0}}));
    EXPECT_EQ(a["Textures"], Json({"buttons", "chart", "syms"}));

    // The cabinet's measures, centred on the window frame.
    const double pitch = num("SymWidth") + num("SymSpace");
    const double rsw = num("NumReels") * pitch - num("SymSpace");
    const double T = num("WindowThick"), G = rsw + 0.5 + 2 * T, top = num("WindowHeight") + 2 * T;
    // The chart face: the picture's lower ChartY share, its mean colour as the picture's.
    const QImage chart = Picture(fs::path(EXAMPLE).replace_filename("chart.bmp"));
    const auto mean = [](const QImage& image, int x0, int y0, int x1, int y1) {
        const QColor all = image.copy(x0, y0, x1 - x0, y1 - y0)
                               .scaled(1, 1, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                               .pixelColor(0, 0);
        return std::vector<int>{all.red(), all.green(), all.blue()};
    };
    const int cx0 = far.X(-1.25 - G / 2) + 3, cx1 = far.X(G / 2 + 4.25) - 3;
    const int cy0 = far.Y(top / 2 + 1.6 + num("ChartHeight")) + 3, cy1 = far.Y(top / 2 + 1.6) - 3;
    const std::vector<int> shown = mean(b, cx0, cy0, cx1, cy1);
    const std::vector<int> picture =
        mean(chart, 0, int(chart.height() * (1 - num("ChartY"))), chart.width(), chart.height());
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(shown[c], picture[c], 8) << "channel " << c;

    const QImage c = Picture(Path("c.png"));
    const View near{c.width(), c.height(), 5};
    for (const auto& [shot, view] : {std::pair{&b, far}, {&c, near}})
        for (int x = view.X(-rsw / 2 - 0.2); x <= view.X(rsw / 2 + 0.2); ++x) {
            const int y = view.Y(0);
            EXPECT_TRUE(Rgb(*shot, x, y - 1) == 0xFF0000u || Rgb(*shot, x, y) == 0xFF0000u ||
                        Rgb(*shot, x, y + 1) == 0xFF0000u)
                << "pay line at x " << x << " of " << view.w;
        }
    for (const auto& [x, y] : {std::pair{-G / 2 + T / 2, 1.0},
                               {G / 2 - T / 2, -1.0},
                               {0.0, top / 2 - T / 2},
                               {0.5, -top / 2 + T / 2}})
        EXPECT_EQ(Rgb(c, near.X(x), near.Y(y)), 0x000080u) << x << "," << y;
    for (int reel = 0; reel < m["NumReels"]; ++reel) {
        const std::set<uint32_t> cell = StopTexels(m, reel, 0);
        const double middle = reel * pitch + num("SymWidth") / 2 - rsw / 2;
        for (int y = near.Y(0.45, 0.3); y < near.Y(0.06, 0.1); ++y)
            for (int x = near.X(middle - 0.35, 0.1); x < near.X(middle + 0.35, 0.1); ++x)
                ASSERT_TRUE(cell.count(Rgb(c, x, y))) << "reel " << reel << " at " << x << "," << y;
    }

    // Without buttons, then without credits, then without the chart, then without cabinet.
    const Json d = State("d.json"), e = State("e.json"), f = State("f.json"), g = State("g.json");
    EXPECT_EQ(d["Buttons"], Json::array());
    EXPECT_EQ(d["Meter"], a["Meter"]);
    EXPECT_EQ(d["Textures"], Json({"chart", "syms"}));
    EXPECT_EQ(e["Meter"], nullptr);
    EXPECT_EQ(f["Textures"], Json({"syms"}));
    EXPECT_EQ(mean(Picture(Path("f.png")), cx0, cy0, cx1, cy1), std::vector<int>({115, 115, 115}));
    EXPECT_EQ(g["Buttons"], Json::array());
    EXPECT_EQ(Rgb(Picture(Path("g.png")), far.X(-G / 2 + T / 2), far.Y(1.0)), 0u);
}

// A copy of the example with one picture missing, then with a chosen call failing: each
// failure is shown in its box, a checked call's text also logged beside the machine.
TEST_F(Kestrel3d, MissingPicturesAndAFailingCallAreReported) {
    fs::copy(fs::path(EXAMPLE).parent_path(), dir_ / "m");
    const std::string machine = Path("m/lucky-sevens.slt"), script = "state " + Path("s.json");
    const auto without = [&](const std::string& picture) {
        fs::rename(dir_ / "m" / picture, dir_ / picture);
        const ProgramRun run = Start(machine, script);
        fs::rename(dir_ / picture, dir_ / "m" / picture);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        return run.out;
    };
    EXPECT_NE(without("chart.bmp").find("\nbox Error: Unable to load texture: chart.bmp\n"),
              std::string::npos);
    EXPECT_EQ(State("s.json")["Textures"], Json({"buttons", "chart", "syms"}));
    const std::string meter = "CreateSurfaceAndTexture(CREDIT_BMP_NAME,&CreditSurface,&CreditTex)";
    EXPECT_NE(without("cred1.bmp").find("\nbox Direct3D Error -2147467259: " + meter + "\n"),
              std::string::npos);
    const Json s = State("s.json");
    EXPECT_EQ(s["Buttons"], Json::array()); // the cabinet is left out
    EXPECT_EQ(s["Meter"], nullptr);
    EXPECT_EQ(ReadFile(Path("m/errorlog.txt")), meter + "\n");

    // Well into the drums' building, whichever checked call that is: it and the checked calls
    // around it that fail in turn are logged in the order of their boxes.
    const ProgramRun run = Start(machine, "quit\n", "KESTREL_FAIL_CALL=100:0x8876030D");
    EXPECT_NE(run.out.find("\nbox Direct3D Error -2005531891: "), std::string::npos) << run.out;
    std::istringstream lines(run.out);
    std::string logged = meter + "\n";
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("box Direct3D Error ", 0) == 0)
            logged += line.substr(line.find(": ") + 2) + "\n";
    EXPECT_EQ(ReadFile(Path("m/errorlog.txt")), logged);
    EXPECT_EQ(Start(machine, "quit\n", "KESTREL_FAIL_CALL=1:zz").exitCode, 2);
    // A call past the end fails nothing and says how many calls the run made.
    const ProgramRun past = Start(machine, "quit\n", "KESTREL_FAIL_CALL=1000000");
    EXPECT_EQ(past.exitCode, 0);
    EXPECT_EQ(past.out.find("box "), std::string::npos) << past.out;
    EXPECT_NE(past.err.find("KESTREL_FAIL_CALL: call 1000000 was never made; the run made "),
              std::string::npos)
        << past.err;
}

} // namespace

namespace {

// The counts of the lines of `text` that begin with `prefix`.
int CountLines(const std::string& text, const std::string& prefix) {
    int count = 0;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        count += line.rfind(prefix, 0) == 0 ? 1 : 0;
    return count;
}

} // namespace

TEST_F(Kestrel3d, MoneyPlayThreeByClickAndTheCountUpFollowTheGameCommands) {
    // A copy of the example with some of its sounds: the others are named but missing.
    const fs::path machine = dir_ / "machine";
    fs::copy(fs::path(EXAMPLE).parent_path(), machine, fs::copy_options::recursive);
    for (const auto& entry : fs::directory_iterator(machine))
        if (entry.path().extension() == ".wav")
            fs::remove(entry.path());
    for (const char* name : {"coin3.wav", "spin1.wav", "spin2.wav", "pay.wav", "auto.wav"})
        std::ofstream(machine / name) << "RIFF";
    const std::string slt = (machine / "lucky-sevens.slt").string();
    const std::string run = " --seed 1 --tick-step 16";

    // Where the Play 3 button stands on screen.
    ASSERT_EQ(Start(slt + run, "frames 2\n" + Save("before.json")).exitCode, 0);
    const Json buttons = State("before.json")["Buttons"];
    ASSERT_EQ(buttons[4]["command"], 5);
    const std::string click = ClickOn(buttons[4]["rect"]);

    std::string script = "frames 2\n" + Cmd(CMD_SPIN) + click + Cmd(CMD_MONEY_20) + click +
                         "idle\n" + Save("paid.json") + "click 2 2\n" + click + "frames 1\n" +
                         Cmd(CMD_MONEY_50) + click + Cmd(CMD_BET_1) + Save("spinning.json") +
                         "idle\n" + Save("rest.json") + "command 29\ncommand 17\n";
    for (int i = 0; i < 15; ++i)
        script += Cmd(CMD_ZOOM_IN);
    const ProgramRun played =
        Start(slt + run, script + "frames 1\nshot " + Path("rest.png") + "\n");
    ASSERT_EQ(played.exitCode, 0) << played.err;

    // Guards: nothing bet; no credits, even just after the money went in (it is counted in
    // later, one credit at a time).
    EXPECT_EQ(CountLines(played.out, "box Bet Money!: Try betting some money first!"), 1);
    EXPECT_EQ(CountLines(played.out, "box You're out of credits!: Go get some money"), 2);
    const Json paid = State("paid.json");
    EXPECT_EQ(Fields(paid["Machine"], {"Credits", "Pending", "Spins"}), Json::array({80, 0, 0}));
    EXPECT_EQ(Fields(paid, {"Busy", "Paying"}), Json::array({0, 0}));

    // While the reels turn: a click does nothing, Insert Money only records its amount, and
    // Bet 1 from the menu bets toward the next spin.
    const Json spinning = State("spinning.json");
    EXPECT_EQ(Fields(spinning, {"Busy", "SoundState", "ChangeAmount"}), Json::array({1, 1, 50}));
    EXPECT_GT(spinning["AnimEnd"], 0);
    EXPECT_EQ(Fields(spinning["Machine"], {"Spins", "Bet", "Credits"}), Json::array({1, 1, 76}));

    // At rest the win is counted in, credit by credit, each with the pay cue.
    const Json rest = State("rest.json");
    EXPECT_EQ(Fields(rest, {"Busy", "SoundState"}), Json::array({0, 0}));
    EXPECT_EQ(rest["Machine"]["Pending"], 0);
    EXPECT_GE(rest["AnimTime"], rest["AnimEnd"]);
    const int win = rest["Machine"]["Paid"];
    EXPECT_EQ(Json::array({rest["Machine"]["Credits"], rest["Meter"]["credits"]}),
              Json::array({76 + win, 76 + win}));
    EXPECT_EQ(CountLines(played.out, "sound sndpay 7"), 80 + win);

    // The cues: three coins with the third coin sound, waited for; looping music; no bet
    // sound (its file was missing and is now there, empty); the loop stopped at rest.
    EXPECT_EQ(CountLines(played.out, "sound sndcoin3 6"), 1);
    EXPECT_EQ(CountLines(played.out, "sound sndmusic"), 1);
    EXPECT_EQ(CountLines(played.out, "sound sndbet"), 0);
    EXPECT_TRUE(fs::exists(machine / "bet.wav"));
    EXPECT_EQ(fs::file_size(machine / "bet.wav"), 0u);

    // The reels came to rest where slotsim's played spin of the same seed leaves them.
    const Json reference =
        Json::parse(RunProgram(SLOTSIM_PATH " play " + slt + " --seed 1 --spins 1 --bet 3").out);
    ASSERT_EQ(reference["Spins"], rest["Machine"]["Spins"]);
    EXPECT_EQ(reference["Position"], rest["Machine"]["Position"]);
    EXPECT_EQ(reference["Paid"], win);

    // Unlit and point-sampled at rest, each drum shows its stop Position[i] on the pay line.
    const QImage shot = Picture(Path("rest.png"));
    const View near{shot.width(), shot.height(), 5};
    const Json& m = rest["Machine"];
    const double width = m["SymWidth"], pitch = width + double(m["SymSpace"]);
    const double stack = int(m["NumReels"]) * pitch - double(m["SymSpace"]);
    for (int reel = 0; reel < m["NumReels"]; ++reel) {
        const std::set<uint32_t> cell = StopTexels(m, reel, m["Position"][reel]);
        const double middle = reel * pitch + width / 2 - stack / 2;
        // Above and below the red line itself, which passes in front.
        for (const double band : {0.18, -0.18})
            for (int y = near.Y(band + 0.12, 0.1); y < near.Y(band - 0.12, 0.1); ++y)
                for (int x = near.X(middle - 0.35, 0.1); x < near.X(middle + 0.35, 0.1); ++x)
                    ASSERT_TRUE(cell.count(Rgb(shot, x, y)))
                        << "reel " << reel << " at " << x << "," << y;
    }
}

// A click on each cabinet button issues its command; the button without one, the reels, the
// cabinet and the background do nothing.
TEST_F(Kestrel3d, EachButtonClickIssuesItsCommand) {
    const std::string run = EXAMPLE + " --seed 1 --tick-step 16";
    ASSERT_EQ(Start(run, "frames 2\n" + Save("where.json")).exitCode, 0);
    const Json where = State("where.json");
    std::map<int, std::string> click;
    for (const Json& button : where["Buttons"])
        click[button["command"]] = ClickOn(button["rect"]);
    const Json& change = where["Buttons"][0]["rect"];
    const std::string cabinet = "click " + std::to_string(int(change[0]) - 6) + " " +
                                std::to_string(int(change[3]) + 6) + "\n";
    const std::string reels =
        ClickOn(Json::array({0, 0, where["ClientWidth"], where["ClientHeight"]}));
    const std::string script = Cmd(CMD_MONEY_5) + "idle\n" + click[1] + "idle\n" + click[2] +
                               reels + cabinet + "click 2 2\n" + Save("a.json") + click[3] +
                               Save("b.json") + click[4] + Save("c.json") + "idle\n" + click[5] +
                               Save("d.json");
    ASSERT_EQ(Start(run, script).exitCode, 0);
    const auto facts = [this](const char* name) {
        const Json state = State(name);
        const Json& m = state["Machine"];
        return std::vector<int>{m["Expended"], m["Bet"], m["Spins"], state["Busy"], m["LastBet"]};
    };
    EXPECT_EQ(facts("a.json"), std::vector<int>({10, 0, 0, 0, 0})); // Change put $5 in again
    EXPECT_EQ(facts("b.json"), std::vector<int>({10, 1, 0, 0, 0})); // Bet 1
    EXPECT_EQ(facts("c.json"), std::vector<int>({10, 0, 1, 1, 1})); // Spin, on the one coin
    EXPECT_EQ(facts("d.json"), std::vector<int>({10, 0, 2, 1, 3})); // Play 3
}

// Ten Play 3 spins stop where slotsim's played spins of the same seed do, with sound on
// (the spin music's draw comes between the spins) and off. Seed 3 nudges and re-spins.
TEST_F(Kestrel3d, TenPlayedSpinsMatchSlotsimWithAndWithoutSound) {
    for (const bool sound : {true, false}) {
        std::string script = (sound ? "" : Cmd(CMD_SOUND)) + Cmd(CMD_MONEY_20) + "idle\n";
        for (int spin = 0; spin < 10; ++spin)
            script += Cmd(CMD_PLAY_3) + "idle\n";
        // With sound, through ALSA, which finds no card here: silent, also on stderr.
        const ProgramRun played =
            Start(EXAMPLE + " --seed 3 --tick-step 16", script + Save("rest.json"),
                  sound ? "SDL_AUDIODRIVER=alsa" : "");
        ASSERT_EQ(played.exitCode, 0) << played.err;
        EXPECT_EQ(played.err.find("ALSA"), std::string::npos) << played.err;
        const Json rest = State("rest.json")["Machine"];
        EXPECT_EQ(CountLines(played.out, "sound sndmusic"), sound ? 10 : 0);

        const Json reference =
            Json::parse(RunProgram(SLOTSIM_PATH " play " + EXAMPLE +
                                   " --seed 3 --spins 10 --bet 3" + (sound ? " --sound" : ""))
                            .out);
        EXPECT_EQ(Fields(reference, {"Spins", "Position", "Win", "TotalCredited", "Credits"}),
                  Json::array({10, rest["Position"], rest["Win"], int(rest["TotalCredited"]) - 80,
                               int(rest["Credits"]) - 80}))
            << "sound " << sound;
        // The par sheet window's session counts the same spins, bets and wins.
        EXPECT_EQ(Fields(State("rest.json")["Session"], {"Spins", "CoinsBet", "CreditsWon"}),
                  Json::array({10, reference["TotalBet"], reference["TotalCredited"]}))
            << "sound " << sound;
    }
}

// Money goes in one credit more than 80 ms after the last (five in 30 frames of 16 ms), a
// Play 3 meanwhile is refused, and the next spin's reels stop in reel order: the last reel
// turns four times the first reel's five stops, then on to its stop.
TEST_F(Kestrel3d, CountUpPacesCreditsHoldsBusyAndReelsStopInOrder) {
    const std::string script = Cmd(CMD_MONEY_20) + "frames 30\n" + Cmd(CMD_PLAY_3) +
                               Save("paying.json") + "idle\n" + Cmd(CMD_PLAY_3) + "frames 2\n" +
                               Save("spinning.json");
    ASSERT_EQ(Start(EXAMPLE + " --seed 1 --tick-step 16", script).exitCode, 0);
    const Json paying = State("paying.json");
    EXPECT_EQ(paying["Busy"], 1);
    EXPECT_EQ(Fields(paying["Machine"], {"Credits", "Spins"}), Json::array({5, 0}));
    const Json spinning = State("spinning.json");
    EXPECT_EQ(spinning["AnimEnd"], 20);
    EXPECT_EQ(spinning["Machine"]["Position"], Json::array({4, 5, 4, 0}));
}

// A machine from a stranger. Its sounds named outside its folder (absolute, climbing out with
// "..", through a link) create nothing; a planted log link leaves its target untouched; a
// sound too large is refused, once per load however many slots name it; a machine file too
// large is not read. Inside its folder a missing sound is made empty and a real log grows.
TEST_F(Kestrel3d, AStrangersMachineWritesOnlyInsideItsFolder) {
    const fs::path m = dir_ / "m", outside = dir_ / "outside";
    fs::copy(fs::path(EXAMPLE).parent_path(), m);
    fs::create_directories(m / "sub");
    fs::create_directories(outside);
    fs::create_symlink(outside / "linked.wav", m / "link.wav");
    std::ofstream(outside / "target") << "keep\n";
    fs::create_symlink(outside / "target", m / "errorlog.txt");
    for (const auto& [name, size] :
         {std::pair{"huge.wav", 1ull << 30}, {"huge.slt", 16ull << 30}}) {
        std::ofstream(m / name) << "RIFF";
        fs::resize_file(m / name, size); // sparse: nothing real is written
    }
    std::string slt = "%sndpay " + (outside / "absolute.wav").string() +
                      "\n%sndbet ../outside.wav\n%sndclunk link.wav\n%sndauto sub/inside.wav\n"
                      "%sndmusic huge.wav\n%sndmusic huge.wav\n";
    std::ifstream example(EXAMPLE);
    for (std::string line; std::getline(example, line);)
        slt += line.rfind("%snd", 0) == 0 ? "" : line + "\n";
    std::ofstream(m / "strange.slt") << slt;

    const std::string failing = "KESTREL_FAIL_CALL=100:0x8876030D timeout 60";
    const std::string open =
        "frames 1\nopen " + Path("m/huge.slt") + "\ncommand " + std::to_string(CMD_OPEN);
    const ProgramRun run = Start(Path("m/strange.slt"), open + "\n", failing);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    for (const fs::path& created : {outside / "absolute.wav", dir_ / "outside.wav",
                                    outside / "linked.wav", outside / "errorlog.txt"})
        EXPECT_FALSE(fs::exists(created)) << created;
    EXPECT_EQ(ReadFile((outside / "target").string()), "keep\n");
    EXPECT_EQ(fs::file_size(m / "sub" / "inside.wav"), 0u);
    EXPECT_EQ(CountLines(run.out, "box Error: Sound file larger than 32 MiB, not played: huge.wav"),
              2);
    EXPECT_EQ(CountLines(run.out, "box Error: Machine file larger than 16 MiB, not read"), 1);

    // The boxes still show; with a real log beside the machine, their lines are added to it.
    std::istringstream lines(run.out);
    std::string logged = "earlier\n";
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("box Direct3D Error ", 0) == 0)
            logged += line.substr(line.find(": ") + 2) + "\n";
    EXPECT_NE(logged, "earlier\n") << run.out;
    fs::remove(m / "errorlog.txt");
    std::ofstream(m / "errorlog.txt") << "earlier\n";
    ASSERT_EQ(Start(Path("m/strange.slt"), "quit\n", failing).exitCode, 0);
    EXPECT_EQ(ReadFile(Path("m/errorlog.txt")), logged);
}

// Twelve pictures of 4096 x 4096 pixels in a few bytes of run-length data each: the first
// four fill the budget for decoded pictures, the others are refused as unloadable.
TEST_F(Kestrel3d, PictureBombsStayWithinTheBudget) {
    std::string slt = "%name Bombs\n";
    for (int i = 0; i < 12; ++i) {
        const char letter = char('A' + i);
        const std::string name = std::string("p") += letter;
        slt += std::string{letter, ' '} + name + "\n";
        // File header, info header (RLE8, one palette entry), palette, end of bitmap.
        const unsigned char bmp[] = {'B', 'M', 64, 0, 0,  0, 0, 0, 0,  0, 58, 0, 0, 0, 40,
                                     0,   0,   0,  0, 16, 0, 0, 0, 16, 0, 0,  1, 0, 8, 0,
                                     1,   0,   0,  0, 2,  0, 0, 0, 0,  0, 0,  0, 0, 0, 0,
                                     0,   1,   0,  0, 0,  0, 0, 0, 0,  0, 0,  0, 0, 0, 1};
        std::ofstream(Path(name + ".bmp"), std::ios::binary)
            .write(reinterpret_cast<const char*>(bmp), sizeof bmp);
    }
    std::ofstream(Path("bombs.slt")) << slt << "%%\nA B C D\nE F G H\nI J K L\n%%\n%%\n";
    const ProgramRun run = Start(Path("bombs.slt"), "quit\n", "timeout 60");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(CountLines(run.out, "box Error: Unable to load texture: p"), 8) << run.out;
}

// The designer's loop: the par sheet beside the machine, a save renamed over the machine file
// and one written in place, each seen in the state and the picture within a second of wall
// time, with the money, the view and the window kept; a file saved halfway fills the message
// list and opens no box.
TEST_F(Kestrel3d, WorkbenchFollowsTheMachineFileAsItIsSaved) {
    fs::copy(fs::path(EXAMPLE).parent_path(), Path("m"));
    const std::string machine = Path("m/lucky-sevens.slt");
    std::string text = ReadFile(machine);
    const auto edited = [&text](const std::string& from, const std::string& to) {
        std::string copy = text;
        return copy.replace(copy.find(from), from.size(), to);
    };
    std::ofstream(Path("wider.slt")) << edited("%symwidth 1.0", "%symwidth 1.4");
    std::ofstream(Path("richer.slt")) << edited("7 7 7 ^ 100 200 500", "7 7 7 ^ 100 200 900");
    std::ofstream(Path("half.slt")) << text.substr(0, text.find("%%\n7 7 7"));
    const std::string sleep = "sleep 1000\n";
    const ProgramRun run =
        Start(machine + " --watch --seed 2 --tick-step 16",
              Cmd(CMD_MONEY_10) + "idle\n" + Cmd(CMD_PAR_SHEET) + Cmd(CMD_ZOOM_IN) + "sleep 500\n" +
                  Save("a.json") + "shot " + Path("a.png") + "\nreplace " + Path("wider.slt") +
                  " " + machine + "\n" + sleep + Save("b.json") + "shot " + Path("b.png") +
                  "\nwrite " + Path("half.slt") + " " + machine + "\n" + sleep + Save("c.json") +
                  "write " + Path("richer.slt") + " " + machine + "\n" + sleep + Save("d.json"));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(CountLines(run.out, "box"), 0);
    const Json a = State("a.json"), b = State("b.json"), c = State("c.json"), d = State("d.json");
    EXPECT_EQ(Fields(a, {"Watch", "Autoplay", "ChangeAmount"}), Json::array({1, 0, 10}));
    EXPECT_EQ(a["Menu"][std::to_string(CMD_RELOAD_WHEN_CHANGED)]["checked"], true);
    const Json rtp = {"RTP", "511.574%", "511.574%", "642.747%"};
    // at(): a sheet still being computed has no rows yet, and that must fail, not crash.
    EXPECT_EQ(a.at("ParSheet").at("Headline").at(1), rtp);
    EXPECT_EQ(b["Machine"]["SymWidth"], 1.4);
    EXPECT_NE(Picture(Path("a.png")), Picture(Path("b.png")));
    for (const Json& state : {b, c, d}) {
        EXPECT_EQ(Fields(state["Machine"], {"Credits", "Expended"}), Json::array({40, 10}));
        EXPECT_EQ(Fields(state, {"Zoom", "ChangeAmount", "Title"}),
                  Json::array({1.0, 10, "Kestrel-3D: Lucky Sevens ($10 Expended) reloaded"}));
    }
    EXPECT_EQ(c["Messages"],
              Json::array({"Error: ParseReels failed", "Error: ParsePayoffs failed"}));
    EXPECT_EQ(c["ParSheet"]["Problem"], "Error: ParsePayoffs failed");
    EXPECT_EQ(d["ParSheet"]["Problem"], "");
    EXPECT_EQ(d["Machine"]["Payoffs"][0]["pay"], Json::array({100, 200, 900}));
    EXPECT_NE(d.at("ParSheet").at("Headline").at(1), rtp);
}

// Autoplay plays Play 3 until the credits run short, without a box; a click on the cabinet
// stops it at once.
TEST_F(Kestrel3d, AutoplayPlaysUntilCreditsRunShortAndAClickStopsIt) {
    // A machine that never pays: 20 credits make six spins.
    const std::string text = ReadFile(EXAMPLE);
    fs::copy(fs::path(EXAMPLE).parent_path(), Path("m"));
    std::ofstream(Path("m/lucky-sevens.slt"))
        << text.substr(0, text.find("%%\n7 7 7")) << "%%\n7 7 7 ^ 0 ^ Nothing\n%%\n";
    const ProgramRun run =
        Start(Path("m/lucky-sevens.slt") + " --seed 2 --tick-step 64",
              Cmd(CMD_MONEY_5) + "idle\n" + Cmd(CMD_AUTOPLAY) + "wait 60000\n" + Save("a.json") +
                  Cmd(CMD_MONEY_5) + "idle\n" + Cmd(CMD_AUTOPLAY) + "frames 2\nclick 300 200\n" +
                  Save("b.json"));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(CountLines(run.out, "box"), 0);
    const Json a = State("a.json"), b = State("b.json");
    EXPECT_EQ(Fields(a, {"Autoplay", "Session"}),
              Json::array({0, {{"Spins", 6}, {"CoinsBet", 18}, {"CreditsWon", 0}, {"Hits", 0}}}));
    EXPECT_EQ(a["Machine"]["Credits"], 2);
    EXPECT_EQ(b["Autoplay"], 0);
    EXPECT_EQ(b["Machine"]["Spins"], 7);
}
