#include "scene/error_report.h"
#include "scene/shared_flags.h"
#include "tests/common/temp_path.h"

#include "platform/win/platform.h"
#include "platform/win/recording_dialogs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr HRESULT kBadObject = static_cast<HRESULT>(0x8876030Du);
constexpr const char* kUnknown = "Unrecognized error value.";
constexpr const char* kFrameCall = "lpD3DRM->CreateFrame(parent,&frame)";

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
        Errors.LastResult = 0;
    }
    void TearDown() override {
        win::Install(win::Services{});
        fs::current_path(previous_);
        fs::remove_all(folder_);
    }
    std::string Log() const {
        std::stringstream text;
        text << std::ifstream(folder_ / "errorlog.txt", std::ios::binary).rdbuf();
        return text.str();
    }
    bool HasLog() const { return fs::exists(folder_ / "errorlog.txt"); }

    win::RecordingDialogs dialogs;
    fs::path folder_;

private:
    fs::path previous_;
};

HRESULT Checked(HRESULT result, int& reached) {
    CheckedCall(result, kFrameCall);
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

TEST(SharedFlags, StartAtRestWithEverythingShownAndSoundOn) {
    EXPECT_EQ(Shared.Busy, 0);
    EXPECT_EQ(Shared.DisplayFlags, 63);
}

TEST(ErrorText, NamesTheEdgeCodesOfItsTable) {
    const std::pair<uint32_t, const char*> cases[] = {
        {0, "No error."},
        {1, kUnknown},
        {0x887602CEu, kUnknown},
        {0x88760311u, "D3DRMERR_NOTFOUND"},
        {0x88760313u, "The file was not found."},
        {0x8876030Du, "D3DRMERR_BADOBJECT"},
        {0x80004005u, "Generic failure."},
        {0x80004001u, "Action not supported."},
        {0x80070057u, "One or more of the parameters passed to the function are incorrect."},
        {0x88760005u, "This object is already initialized."},
        {0x8876024Du, "The surface being used is not a palette-based surface."},
        {0x887602BCu, "D3DERR_BADMAJORVERSION"},
        {0x887602EEu, "D3DERR_LIGHT_SET_FAILED"},
        {0x88760319u, "D3DRMERR_UNABLETOEXECUTE"},
        {0x80000000u, kUnknown},
        {0x7FFFFFFFu, kUnknown},
        {0x8007000Eu, "DirectDraw does not have enough memory to perform the operation."},
        {0x8876017Cu, "DirectDraw does not have enough memory to perform the operation."},
    };
    for (const auto& [code, text] : cases)
        EXPECT_STREQ(ErrorText(static_cast<HRESULT>(code)), text) << std::hex << code;
}

// The table has 125 codes in the 3D facility besides the five generic ones, each family with its
// own kind of text, and none longer than ShowMessage's buffer can take.
TEST(ErrorText, EveryTableEntryHasTheTextOfItsFamily) {
    int recognised = 0;
    size_t longest = 0;
    for (uint32_t code = 0x88760000u; code <= 0x887603FFu; ++code) {
        const std::string text = ErrorText(static_cast<HRESULT>(code));
        if (text == kUnknown)
            continue;
        ++recognised;
        longest = std::max(longest, text.size());
        SCOPED_TRACE(testing::Message() << std::hex << code << " " << text);
        if (code >= 0x887602BCu && code <= 0x887602EEu) {
            EXPECT_EQ(text.rfind("D3DERR_", 0), 0u);
        } else if (code >= 0x8876030Du && code <= 0x88760319u && code != 0x88760313u) {
            EXPECT_EQ(text.rfind("D3DRMERR_", 0), 0u);
        } else {
            EXPECT_NE(text.find(' '), std::string::npos);
            EXPECT_EQ(text.find("ERR_"), std::string::npos);
        }
    }
    EXPECT_EQ(recognised, 125);
    EXPECT_EQ(longest, 164u);
}

TEST_F(Reporting, ShowMessageFormatsAppendsTheLineEndAndStaysWithinItsBuffer) {
    ShowMessage("Updating device failed.\n%s", ErrorText(kBadObject));
    ShowMessage("Rendering has failed too many times.  Aborting execution.\n");
    ShowMessage("%s", std::string(400, 'x').c_str());
    ASSERT_EQ(dialogs.boxes.size(), 3u);
    const win::RecordingDialogs::Box& box = dialogs.boxes[0];
    EXPECT_EQ(box.text, "Updating device failed.\nD3DRMERR_BADOBJECT\r\n");
    EXPECT_EQ(box.caption, "D3DRM Example Message");
    EXPECT_EQ(box.style, win::MB_OK);
    EXPECT_FALSE(box.owned);
    EXPECT_EQ(dialogs.boxes[1].text,
              "Rendering has failed too many times.  Aborting execution.\n\r\n");
    EXPECT_EQ(dialogs.boxes[2].text, std::string(253, 'x') + "\r\n");
    EXPECT_TRUE(dialogs.beeps.empty());
    EXPECT_FALSE(HasLog());
}

TEST_F(Reporting, ShowMessageWithoutFormatShowsAnEmptyLine) {
    const char* none = nullptr;
    ShowMessage(none);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "\r\n");
}

TEST_F(Reporting, LogErrorAppendsLinesAndNeverEmptiesTheLog) {
    std::ofstream(folder_ / "errorlog.txt") << "from an earlier run\n";
    LogError("first");
    LogError("(faces)->Release()");
    EXPECT_EQ(Log(), "from an earlier run\nfirst\n(faces)->Release()\n");
}

TEST_F(Reporting, LogErrorThatCannotOpenTheLogLeavesTheReportAlone) {
    fs::create_directory(folder_ / "errorlog.txt"); // a folder where the file should be
    int reached = 0;
    EXPECT_EQ(Checked(kBadObject, reached), E_FAIL);
    EXPECT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.beeps.size(), 1u);
}

TEST_F(Reporting, FailedCheckedCallLogsBeepsShowsAndReturnsFail) {
    std::string logWhenShown;
    dialogs.onBox = [&](const win::RecordingDialogs::Box&) { logWhenShown = Log(); };
    int reached = 0;
    EXPECT_EQ(Checked(kBadObject, reached), E_FAIL);
    EXPECT_EQ(reached, 0);
    EXPECT_EQ(Errors.LastResult, kBadObject);
    EXPECT_EQ(logWhenShown, std::string(kFrameCall) + "\n");
    EXPECT_EQ(dialogs.beeps, std::vector<unsigned>{0});
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, kFrameCall);
    EXPECT_EQ(dialogs.boxes[0].caption, "Direct3D Error -2005531891");
    EXPECT_EQ(dialogs.boxes[0].style, win::MB_ICONEXCLAMATION);
    EXPECT_FALSE(dialogs.boxes[0].owned);
    EXPECT_STREQ(Errors.ErrorCaption, "Direct3D Error -2005531891");
    Checked(kBadObject, reached);
    EXPECT_EQ(Log(), std::string(kFrameCall) + "\n" + kFrameCall + "\n");
}

TEST_F(Reporting, SucceedingCheckedCallGoesOnQuietly) {
    for (HRESULT result : {0, 1, INT32_MAX}) {
        int reached = 0;
        EXPECT_EQ(Checked(result, reached), 0);
        EXPECT_EQ(reached, 1);
        EXPECT_EQ(Errors.LastResult, result);
    }
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_TRUE(dialogs.beeps.empty());
    EXPECT_FALSE(HasLog());
}

TEST_F(Reporting, CheckedReleaseNullsOnSuccessIgnoresNullAndReportsFailure) {
    FakeInterface object{.releaseResult = 2};
    FakeInterface* faces = &object;
    EXPECT_EQ(ReleaseFaces(faces), 0);
    EXPECT_EQ(faces, nullptr);
    EXPECT_EQ(Errors.LastResult, 2);
    Errors.LastResult = 7;
    EXPECT_EQ(ReleaseFaces(faces), 0);
    EXPECT_EQ(object.releases, 1);
    EXPECT_EQ(Errors.LastResult, 7);
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
