// The machine's scene as the program builds it from a machine file: drums that show the stop
// of an angle on the pay line, a missing picture reported by name, and the cabinet left out
// when the credit meter's picture is missing.

#include "../bitmap/bmp_writer.h"
#include "../shell_app/shell_fixture.h"
#include "tests/common/temp_path.h"

#include <QGuiApplication>
#include <filesystem>
#include <fstream>

#include "scene/buttons.h"
#include "scene/credit_meter.h"
#include "scene/machine_scene.h"
#include "scene/machine_state.h"

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
    const auto bytes = bmptest::EncodeBmp({.width = size, .height = size, .pixels = pixels});
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

// One reel of eight stops, each a picture of one colour, three units high on a drum two wide.
constexpr const char* kMachine =
    "%name Colours\n%symwidth 2\n%symheight 3\n"
    "R red\nG green\nB blue\nY yellow\n%%\nR\nG\nB\nY\nR\nG\nB\nY\n%%\nR * * ^ 5\n%%\n";

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
        WriteSolidBmp(folder_ / "yellow.bmp", 0xFFFF00);
    }
    void TearDown() override {
        ShellTest::TearDown();
        fs::current_path(home_);
        fs::remove_all(folder_);
    }
    // Starts the program with the machine file opened from the test's folder.
    void Open(const char* text = kMachine) {
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
    Machine->Paid = 5;
    UpdateCreditMeter(); // the paid figure alone waits
    EXPECT_EQ(figure(4, 48, 59, 69), paid);
    Machine->Credits = 7;
    UpdateCreditMeter();
    EXPECT_GT(std::stoi(figure(4, 73, 59, 94)), std::stoi(credits)); // 123 wiped for 7
    EXPECT_NE(figure(4, 48, 59, 69), paid);
    EXPECT_EQ(MachineScene.MeterShown.paid + MachineScene.MeterShown.credits, 12);

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

} // namespace
