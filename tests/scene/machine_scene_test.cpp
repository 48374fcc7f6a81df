// The machine's scene as the program builds it from a machine file: drums that show the stop
// of an angle on the pay line, a missing picture reported by name, the cabinet left out
// when the credit meter's picture is missing, and the reels played through a whole spin.

#include "tests/common/test_support.h"
#include "tests/platform/base/bmp_writer.h"
#include "tests/shell/shell_fixture.h"

#include <QGuiApplication>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>

#include "engine/random.h"
#include "play/play_state.h"
#include "play/spin_sequence.h"
#include "scene/bitmap_surface.h"
#include "scene/buttons.h"
#include "scene/cabinet.h"
#include "scene/credit_meter.h"
#include "scene/machine_scene.h"
#include "scene/machine_state.h"
#include "scene/texture_registry.h"

namespace fs = std::filesystem;

namespace {

// A square picture of one colour (0xRRGGBB).
void WriteSolidBmp(const fs::path& path, uint32_t rgb, int size = 2) {
    const int stride = (size * 3 + 3) / 4 * 4;
    std::vector<uint8_t> pixels(size_t(stride) * size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            for (int c = 0; c < 3; ++c)
                pixels[y * stride + x * 3 + c] = (rgb >> (8 * c)) & 0xFF;
    WriteFile(path, bmptest::EncodeBmp({.width = size, .height = size, .pixels = pixels}));
}

// One reel of eight stops, each a picture of one colour, three units high on a drum two wide.
// The yellow picture's name begins with another's and falls in its bucket of the texture
// registry, so a name found by its beginning alone would show red in its place.
constexpr const char* MACHINE =
    "%name Colours\n%symwidth 2\n%symheight 3\n"
    "R red\nG green\nB blue\nY redhot\n%%\nR\nG\nB\nY\nR\nG\nB\nY\n%%\nR * * ^ 5\n%%\n";

class MachineSceneTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        home_ = fs::current_path();
        folder_ = TempPath(testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        WriteSolidBmp(folder_ / "red.bmp", 0xFF0000);
        WriteSolidBmp(folder_ / "green.bmp", 0x00FF00);
        WriteSolidBmp(folder_ / "blue.bmp", 0x0000FF);
        WriteSolidBmp(folder_ / "redhot.bmp", 0xFFFF00);
    }
    void TearDown() override {
        ShellTest::TearDown();
        fs::current_path(home_);
        fs::remove_all(folder_);
    }
    // Starts the program with the machine file opened from the test's folder.
    void Open(const char* text = MACHINE) {
        std::ofstream(folder_ / "test.slt") << text;
        dialogs.openAnswers.push_back((folder_ / "test.slt").string());
        Shell.StartDriver = 0; // full-colour lighting
        ASSERT_NE(Start(), nullptr);
    }
    // The strongest channel of a rendered pixel at this offset from the client's centre.
    char Colour(int dx, int dy) {
        EXPECT_EQ(RenderFrame(), 1);
        const uint32_t p = window->ClientImage().At(window->ClientWidth() / 2 + dx,
                                                    window->ClientHeight() / 2 + dy);
        const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
        // Faces turned from the light keep the ambient tenth of their colour.
        if (r < 12 && g < 12 && b < 12)
            return '-';
        if (r > 2 * b && g > 2 * b && r < 2 * g && g < 2 * r)
            return 'Y';
        return r > g && r > b ? 'R' : (g > b ? 'G' : 'B');
    }

    fs::path home_, folder_;
};

TEST_F(MachineSceneTest, DrumTurnedToAStopsAngleShowsItOnThePayLine) {
    Shared.DisplayFlags &= ~DISPLAY_CABINET;
    Open();
    ASSERT_NE(MachineScene.Reels[0], nullptr);
    EXPECT_EQ(GetSlotTexture("red"), GetSlotTexture("red")); // loaded once, shared
    const char letters[] = "RGBYRGBY";
    for (int stop = 0; stop < 8; ++stop) {
        const double angle = Machine->Reels[0].angle[stop];
        MachineScene.Reels[0]->AddRotation(D3DRMCOMBINE_REPLACE, 0, 1, 0, D3DVAL(-angle));
        EXPECT_EQ(Colour(0, 0), letters[stop]) << "stop " << stop;
        // The stop before stands above the pay line, the one after below it.
        EXPECT_EQ(Colour(0, -40), letters[(stop + 7) % 8]) << "above stop " << stop;
        EXPECT_EQ(Colour(0, 40), letters[(stop + 1) % 8]) << "below stop " << stop;
    }
}

TEST_F(MachineSceneTest, MissingPictureIsReportedByItsFileName) {
    Shared.DisplayFlags &= ~DISPLAY_CABINET;
    Open("%symheight 3\nR nothere\nG green\n%%\nR\nG\n%%\n%%\n");
    ASSERT_FALSE(dialogs.boxes.empty());
    EXPECT_EQ(dialogs.boxes[0].caption, "Error: Unable to load texture");
    EXPECT_EQ(dialogs.boxes[0].text, "nothere.bmp");
    EXPECT_EQ(dialogs.boxes.size(), 1u); // the drum stands; its other stop is found
    EXPECT_NE(MachineScene.Reels[0], nullptr);
}

TEST_F(MachineSceneTest, ARebuildAfterAFailedTeardownLeavesTheOldFramesToTheWorld) {
    Shared.DisplayFlags &= ~DISPLAY_CABINET;
    Open();
    const LPDIRECT3DRMFRAME frame = MachineScene.MachineFrame;
    const LPDIRECT3DRMFRAME reel = MachineScene.Reels[0];
    ASSERT_NE(reel, nullptr);
    rm::FailNthCall(1, E_FAIL); // the teardown's first call, taking the machine off the world
    BuildMachineScene();
    EXPECT_EQ(LastBoxText(), "WorldFrame->DeleteChild(MachineFrame)");
    ASSERT_NE(MachineScene.MachineFrame, frame);
    // The old frames stay in the world, held by their parents alone, so they go with it
    // instead of being lost with the references the new build took the places of.
    EXPECT_EQ(frame->AddRef(), 2u);
    EXPECT_EQ(reel->AddRef(), 2u);
    frame->Release();
    reel->Release();
}

TEST_F(MachineSceneTest, MissingMeterPictureLeavesTheCabinetOut) {
    Open();
    EXPECT_EQ(LastBoxText(), "CreateSurfaceAndTexture(CREDIT_BMP_NAME,&CreditSurface,&CreditTex)");
    EXPECT_EQ(MachineScene.CreditSurface, nullptr);
    EXPECT_EQ(MachineScene.CreditTex, nullptr);
    EXPECT_EQ(MachineScene.SlotButtons[5].mesh, nullptr);
    // The drums still stand; around them is nothing.
    EXPECT_NE(Colour(0, 0), '-');
    EXPECT_EQ(Colour(50, 0), '-'); // where the meter panel would be
}

// The meter's figures end at their rectangles' right edges and just above their bottoms, on
// the dark red ground that fills the rest; only a change of credits or bet redraws them. The
// buttons look pressable (2) only while their action can be taken; Change stays as built.
TEST_F(MachineSceneTest, MeterFiguresAndButtonLooksFollowTheMachine) {
    int argc = 1;
    char name[] = "scene_tests", *argv[] = {name, nullptr};
    const QGuiApplication fonts(argc, argv); // the figures are text
    WriteSolidBmp(folder_ / "cred1.bmp", 0x808080, 128);
    WriteSolidBmp(folder_ / "buttons.bmp", 0x808080);
    Open();
    ASSERT_NE(MachineScene.CreditSurface, nullptr);
    const base::Image& meter = MachineScene.CreditSurface->Pixels();
    // The figure drawn in a rectangle: "left right bottom hash" of its ink, or "ground" when
    // other than ground and ink is found there.
    const auto figure = [&](int left, int top, int right, int bottom) {
        int l = right, r = left - 1, b = top - 1;
        size_t hash = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x) {
                const uint32_t p = meter.At(x, y) & 0xFFFFFF;
                if (p & 0xFFFF || p < 0x300000)
                    return std::string("ground");
                if (p >= 0xA00000)
                    l = std::min(l, x), r = std::max(r, x), b = std::max(b, y);
                hash = hash * 31 + p;
            }
        return std::to_string(l) + " " + std::to_string(r) + " " + std::to_string(b) + " " +
               std::to_string(hash);
    };
    Machine->Credits = 123, Machine->BetShown = 3, Machine->Paid = 0;
    UpdateCreditMeter();
    const std::string paid = figure(4, 48, 59, 69), credits = figure(4, 73, 59, 94);
    int l, r, b;
    for (const auto& [drawn, bottom] :
         {std::pair{paid, 69}, {credits, 94}, {figure(41, 101, 59, 122), 122}}) {
        ASSERT_EQ(std::sscanf(drawn.c_str(), "%d %d %d", &l, &r, &b), 3) << drawn;
        EXPECT_TRUE(r >= 55 && r <= 58 && b >= bottom - 6 && b < bottom) << drawn;
    }
    EXPECT_LT(std::stoi(credits), std::stoi(paid) - 8); // three digits against one
    EXPECT_EQ(MachineScene.MeterShown.credits, 123);

    std::string looks;
    for (const auto& [bet, busy] : {std::pair{0, 0}, {1, 0}, {Machine->GetMaxCoins(), 0}, {3, 1}}) {
        Machine->Bet = bet, Shared.Busy = busy;
        UpdateButtons();
        for (int command = 1; command <= 5; ++command)
            looks += char('0' + MachineScene.SlotButtons[command].state);
        looks += ' ';
    }
    EXPECT_EQ(looks, "12212 12222 12121 12111 ");
}

// On screen the meter changes exactly when the credits or the bet figure do, to the figures
// of the machine; a rebuilt scene shows them again at once, and a frame with nothing changed
// leaves the meter's surface alone.
TEST_F(MachineSceneTest, MeterOnScreenRedrawsForCreditsBetAndRebuildsOnly) {
    int argc = 1;
    char name[] = "scene_tests", *argv[] = {name, nullptr};
    const QGuiApplication fonts(argc, argv);
    WriteSolidBmp(folder_ / "cred1.bmp", 0x808080, 128);
    WriteSolidBmp(folder_ / "buttons.bmp", 0x808080);
    Open();
    Machine->Credits = 5; // from here on the buttons keep their looks
    const auto frame = [this] {
        EXPECT_EQ(RenderFrame(), 1);
        return window->ClientImage().pixels;
    };
    const std::vector<uint32_t> first = frame();
    std::vector<uint32_t> previous = first;
    struct Change {
        int credits, bet, paid;
        char shows; // 'N' new figures, 'P' the previous frame, 'F' the first frame
    };
    for (const Change& c :
         {Change{7, 0, 0, 'N'}, {7, 0, 9, 'P'}, {5, 0, 0, 'F'}, {5, 1, 0, 'N'}, {5, 0, 0, 'F'}}) {
        Machine->Credits = c.credits, Machine->BetShown = c.bet, Machine->Paid = c.paid;
        const std::vector<uint32_t> now = frame();
        const std::string row =
            std::to_string(c.credits) + " " + std::to_string(c.bet) + " " + std::to_string(c.paid);
        EXPECT_EQ(now == previous, c.shows == 'P') << row;
        EXPECT_EQ(now == first, c.shows == 'F') << row;
        previous = now;
    }
    Command(CMD_SHOW_PAYOFF_CHART);
    Command(CMD_SHOW_PAYOFF_CHART);
    EXPECT_EQ(frame(), first);

    // The picture loaded again over the figures stays so while nothing changes.
    ReloadBitmap(MachineScene.CreditSurface, CREDIT_BMP_NAME);
    frame();
    const base::Image& meter = MachineScene.CreditSurface->Pixels();
    EXPECT_EQ(std::count(meter.pixels.begin(), meter.pixels.end(), meter.At(50, 90)),
              std::ptrdiff_t(meter.pixels.size()));
}

// Reels of 8, 8 and 6 stops. "A" comes down onto the line and re-spins, "N" comes down, "U"
// comes up; every line pays 10 a coin. Seed 237 plays: spin to 4 3 2, nudges of reel 0 (4 to
// 3) and reel 2 (2 to 1), a free re-spin (A on the line) to 2 1 4, nudges of reel 0 (2 to 1)
// and reel 1 (1 to 2), rest.
constexpr const char* NUDGING_MACHINE =
    "%symwidth 1\n%symspace 0.2\n- blank\nX blank\n(down) (autospin) A blank\n(down) N blank\n"
    "(up) U blank\n%%\n- X -\nN - N\nX U A\nA A -\n- - X\nU N -\n- -\nX -\n%%\n[-XANU] * * ^ "
    "10\n%%\n";

// One row per moving reel of each animation, in the order they start. The first reel has 8
// stops, so at 125 ms a frame the animation time goes 8 * 0.001 * 125 = 1 step per frame: an
// animation started on frame f that ends at E is stepped to E on frame f + E and let go on
// frame f + E + 1, which starts the next. A spin's reel i turns 8 * (i + 2) steps and on to
// its stop; a nudged reel rests until 5, moves until 10, and clunks when the time passes 5.
struct ReelMove {
    int frame;
    bool nudge;
    int reel, from, to, steps;
};
constexpr ReelMove TIMELINE[] = {
    {0, false, 0, 0, 4, 16 + 4},  {0, false, 1, 0, 3, 24 + 5},  {0, false, 2, 0, 2, 32 + 2},
    {35, true, 0, 4, 3, 10},      {46, true, 2, 2, 1, 10},      {57, false, 0, 3, 2, 16 + 1},
    {57, false, 1, 3, 1, 24 + 2}, {57, false, 2, 1, 4, 32 + 1}, {91, true, 0, 2, 1, 10},
    {102, true, 1, 1, 2, 10},
};
constexpr int START_FRAMES[] = {0, 35, 46, 57, 91, 102}, CLUNK_FRAMES[] = {41, 52, 97, 108};
constexpr int REST_FRAME = 113;

// The angle that reel's frame is turned to (a key of angle a turns it by -a).
double Shown(int reel) {
    const rm::Vec3 z = MachineScene.Reels[reel]->LocalTransform().Row(2);
    return -std::atan2(z.x, z.z);
}

double Apart(double a, double b) {
    return std::fabs(std::remainder(a - b, 2 * std::numbers::pi));
}

// Every animation's keys, sampled at the frame it starts: spinning reels pass one stop per
// step downward (the previous stop comes onto the line) and rest on their new stop; nudged
// reels hold, then turn the one stop along the shorter way; the others stay put.
void CheckAnimation(int frame) {
    int end = 0;
    int32_t marks[MAX_REELS] = {-1, -1, -1, -1};
    for (const ReelMove& m : TIMELINE)
        if (m.frame == frame) {
            end = std::max(end, m.steps);
            if (m.nudge)
                marks[m.reel] = 5;
        }
    EXPECT_EQ(Play.AnimEnd, end) << "frame " << frame;
    EXPECT_EQ(std::vector<int32_t>(Play.ClunkMarks, Play.ClunkMarks + MAX_REELS),
              std::vector<int32_t>(marks, marks + MAX_REELS))
        << "frame " << frame;
    const auto angle = [](int reel, int stop) {
        return Machine->Reels[reel].angle[Machine->WrapStop(reel, stop)];
    };
    for (double t = 0; t <= end + 1.5; t += 0.5) {
        Play.ReelAnimSet->SetTime(float(t));
        for (int reel = 0; reel < Machine->NumReels; ++reel) {
            const ReelMove* move = nullptr;
            for (const ReelMove& m : TIMELINE)
                move = m.frame == frame && m.reel == reel ? &m : move;
            double want = angle(reel, Machine->Position[reel]);
            if (move && !move->nudge && t < move->steps) {
                const int k = int(t);
                const double a = angle(reel, move->from - k), b = angle(reel, move->from - k - 1);
                want = t == k ? a : a + std::remainder(b - a, 2 * std::numbers::pi) / 2;
            } else if (move && move->nudge && t <= 5) {
                want = angle(reel, move->from);
            } else if (move && move->nudge && t < 10) {
                const double a = angle(reel, move->from), b = angle(reel, move->to);
                want = a + std::remainder(b - a, 2 * std::numbers::pi) * (t - 5) / 5;
            }
            ASSERT_LT(Apart(Shown(reel), want), 1e-3)
                << "frame " << frame << " time " << t << " reel " << reel;
        }
    }
    Play.ReelAnimSet->SetTime(float(Play.AnimTime));
}

TEST_F(MachineSceneTest, PlayedSpinTurnsStopsNudgesAndRespinsOnTime) {
    Shared.DisplayFlags &= ~DISPLAY_CABINET;
    Open(NUDGING_MACHINE);
    ASSERT_EQ(Machine->NumReels, 3);
    Machine->Credits = 3;
    Random::Seed(237);
    clock.SetStep(125);
    Command(CMD_PLAY_3);
    ASSERT_NE(Play.ReelAnimSet, nullptr);
    std::vector<int> starts{0}, clunks;
    CheckAnimation(0);
    int rest = -1;
    for (int frame = 1; frame <= REST_FRAME + 1; ++frame) {
        const std::vector<int32_t> marks(Play.ClunkMarks, Play.ClunkMarks + MAX_REELS);
        clock.Advance();
        StepReels();
        for (int reel = 0; reel < MAX_REELS; ++reel)
            if (marks[reel] >= 0 && Play.ClunkMarks[reel] < 0)
                clunks.push_back(frame);
        if (Play.ReelAnimSet && Play.AnimTime == 0) {
            starts.push_back(frame);
            CheckAnimation(frame);
        }
        if (!Play.ReelAnimSet && rest < 0)
            rest = frame;
        ASSERT_TRUE(Shared.Busy == 1 || frame > REST_FRAME) << frame;
    }
    EXPECT_EQ(starts, std::vector<int>(std::begin(START_FRAMES), std::end(START_FRAMES)));
    EXPECT_EQ(clunks, std::vector<int>(std::begin(CLUNK_FRAMES), std::end(CLUNK_FRAMES)));
    EXPECT_EQ(rest, REST_FRAME);
    EXPECT_EQ(std::vector<int>(Machine->Position, Machine->Position + 3),
              std::vector<int>({1, 2, 4}));

    // The win of 30 comes in a credit per count-up step more than 80 ms after the last: at 40
    // ms a frame, on every third frame after the first (which counted one already).
    clock.SetStep(40);
    for (int frame = 0; frame < 12; ++frame) {
        clock.Advance();
        StepReels();
    }
    EXPECT_EQ(Machine->Credits, 1 + 4);
}

} // namespace
