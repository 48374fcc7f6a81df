// The three ways failures reach the user: the shell's message box, the texts of result codes,
// and the checked call that logs, beeps and shows.

#include "scene/error_report.h"
#include "tests/common/test_support.h"

#include "platform/win/platform.h"
#include "platform/win/recording_dialogs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr HRESULT BAD_OBJECT = static_cast<HRESULT>(0x8876030Du);
constexpr const char* UNKNOWN = "Unrecognized error value.";
constexpr const char* FRAME_CALL = "lpD3DRM->CreateFrame(parent,&frame)";

// The log goes to the current directory, so each test runs in a folder of its own, with boxes
// recorded instead of shown.
class Reporting : public testing::Test {
protected:
    void SetUp() override {
        previous_ = fs::current_path();
        folder_ = TempPath(testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        fs::current_path(folder_);
        win::Install(win::Services{.dialogs = &dialogs});
        Errors = ErrorReportState{};
    }
    void TearDown() override {
        win::Install(win::Services{});
        fs::current_path(previous_);
        fs::remove_all(folder_);
    }
    std::string Log() const { return ReadFile(folder_ / "errorlog.txt"); }

    win::RecordingDialogs dialogs;
    fs::path folder_;

private:
    fs::path previous_;
};

HRESULT Checked(HRESULT result, int& reached) {
    CheckedCall(result, FRAME_CALL);
    reached = 1;
    return 0;
}

struct FakeInterface {
    int32_t releaseResult = 0;
    int releases = 0;
    uint32_t Release() {
        ++releases;
        return static_cast<uint32_t>(releaseResult);
    }
};

HRESULT ReleaseFaces(FakeInterface*& faces) {
    CheckedRelease(faces);
    return 0;
}

} // namespace

TEST(ErrorText, NamesTheCodesAtTheEdgesOfItsFamilies) {
    const std::pair<uint32_t, const char*> cases[] = {
        {0, "No error."},
        {1, UNKNOWN},
        {0x80000000u, UNKNOWN},
        {0x80004005u, "Generic failure."},
        {0x8007000Eu, "DirectDraw does not have enough memory to perform the operation."},
        {0x887602BCu, "D3DERR_BADMAJORVERSION"},
        {0x887602EEu, "D3DERR_LIGHT_SET_FAILED"},
        {0x887602CEu, UNKNOWN},
        {0x8876030Du, "D3DRMERR_BADOBJECT"},
        {0x88760313u, "The file was not found."},
        {0x88760319u, "D3DRMERR_UNABLETOEXECUTE"},
    };
    for (const auto& [code, text] : cases)
        EXPECT_STREQ(ErrorText(static_cast<HRESULT>(code)), text) << std::hex << code;
}

TEST_F(Reporting, ShellMessagesAppendTheLineEndStayInTheirBufferAndAreNotLogged) {
    ShowMessage("Updating device failed.\n%s", ErrorText(BAD_OBJECT));
    ShowMessage("%s", std::string(400, 'x').c_str());
    EXPECT_TRUE(SucceededOrShow(D3DRM_OK, "Never shown.\n%s"));
    EXPECT_FALSE(SucceededOrShow(E_FAIL, "Moving scene failed.\n%s"));
    ASSERT_EQ(dialogs.boxes.size(), 3u);
    const auto& first = dialogs.boxes[0];
    EXPECT_EQ(std::tuple(first.text, first.caption, first.style, first.owned),
              std::tuple("Updating device failed.\nD3DRMERR_BADOBJECT\r\n", "D3DRM Example Message",
                         win::MB_OK, false));
    EXPECT_EQ(dialogs.boxes[1].text, std::string(253, 'x') + "\r\n");
    EXPECT_EQ(dialogs.boxes[2].text, "Moving scene failed.\nGeneric failure.\r\n");
    EXPECT_TRUE(dialogs.beeps.empty());
    EXPECT_FALSE(fs::exists(folder_ / "errorlog.txt"));
}

TEST_F(Reporting, FailedCheckedCallLogsBeforeItShowsAndAddsToEarlierRuns) {
    std::ofstream(folder_ / "errorlog.txt") << "from an earlier run\n";
    std::string logWhenShown;
    dialogs.onBox = [&](const win::RecordingDialogs::Box&) { logWhenShown = Log(); };
    int reached = 0;
    EXPECT_EQ(Checked(BAD_OBJECT, reached), E_FAIL);
    EXPECT_EQ(reached, 0);
    EXPECT_EQ(Errors.LastResult, BAD_OBJECT);
    EXPECT_EQ(logWhenShown, std::string("from an earlier run\n") + FRAME_CALL + "\n");
    EXPECT_EQ(dialogs.beeps, std::vector<unsigned>{0});
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    const auto& box = dialogs.boxes[0];
    EXPECT_EQ(std::tuple(box.text, box.caption, box.style, box.owned),
              std::tuple(FRAME_CALL, "Direct3D Error -2005531891", win::MB_ICONEXCLAMATION, false));

    // Successes of any sign go on quietly.
    for (HRESULT result : {0, 1, INT32_MAX}) {
        EXPECT_EQ(Checked(result, reached), 0);
        EXPECT_EQ(Errors.LastResult, result);
    }
    EXPECT_EQ(reached, 1);
    EXPECT_EQ(dialogs.boxes.size(), 1u);

    // A log that cannot be opened loses its line, not the report.
    fs::remove(folder_ / "errorlog.txt");
    fs::create_directory(folder_ / "errorlog.txt");
    EXPECT_EQ(Checked(BAD_OBJECT, reached), E_FAIL);
    EXPECT_EQ(dialogs.boxes.size(), 2u);
}

TEST_F(Reporting, CheckedReleaseNullsOnSuccessIgnoresNullAndReportsFailure) {
    FakeInterface object{.releaseResult = 2};
    FakeInterface* faces = &object;
    EXPECT_EQ(ReleaseFaces(faces), 0);
    EXPECT_EQ(faces, nullptr);
    EXPECT_EQ(ReleaseFaces(faces), 0);
    EXPECT_EQ(object.releases, 1);
    EXPECT_TRUE(dialogs.boxes.empty());

    object.releaseResult = -1;
    faces = &object;
    EXPECT_EQ(ReleaseFaces(faces), E_FAIL);
    EXPECT_EQ(faces, &object);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "(faces)->Release()");
    EXPECT_EQ(dialogs.boxes[0].caption, "Direct3D Error -1");
    EXPECT_EQ(Log(), "(faces)->Release()\n");
}
