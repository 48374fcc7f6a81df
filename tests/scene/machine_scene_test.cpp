// The machine's scene as the program builds it from a machine file: drums that show the stop
// of an angle on the pay line, a missing picture reported by name, and the cabinet left out
// when the credit meter's picture is missing.

#include "../bitmap/bmp_writer.h"
#include "../shell_app/shell_fixture.h"
#include "tests/common/temp_path.h"

#include <filesystem>
#include <fstream>

#include "scene/machine_state.h"

namespace fs = std::filesystem;

namespace {

// A 2 by 2 picture of one colour (0xRRGGBB).
void WriteSolidBmp(const fs::path& path, uint32_t rgb) {
    const uint8_t b = rgb & 0xFF, g = (rgb >> 8) & 0xFF, r = (rgb >> 16) & 0xFF;
    const auto bytes = bmptest::EncodeBmp(
        {.width = 2,
         .height = 2,
         .pixels = bmptest::PaddedRows({{b, g, r, b, g, r}, {b, g, r, b, g, r}})});
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

} // namespace
