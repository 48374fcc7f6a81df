#include "shell/error_report.h"

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

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Each test runs in a folder of its own, as the log goes to the current directory, and with
// boxes recorded instead of shown.
class Reporting : public testing::Test {
protected:
    void SetUp() override {
        previous_ = fs::current_path();
        folder_ = fs::temp_directory_path() /
                  ("kestrel-report-" + std::to_string(::getpid()) + "-" +
                   testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        fs::current_path(folder_);
        win::Install(win::Services{.dialogs = &dialogs});
        LastResult = 0;
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

HRESULT Succeeds(HRESULT result, int& reached) {
    CheckedCall(result, "device->Succeed()");
    reached = 1;
    return 0;
}

HRESULT CreateFrameFails(int& reached) {
    CheckedCall(kBadObject, "lpD3DRM->CreateFrame(parent,&frame)");
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

TEST(ErrorText, NamesTheEdgeCodes) {
    EXPECT_STREQ(ErrorText(0), "No error.");
    EXPECT_STREQ(ErrorText(1), "Unrecognized error value.");
    EXPECT_STREQ(ErrorText(static_cast<HRESULT>(0x887602CEu)), "Unrecognized error value.");
    EXPECT_STREQ(ErrorText(static_cast<HRESULT>(0x88760311u)), "D3DRMERR_NOTFOUND");
    EXPECT_STREQ(ErrorText(static_cast<HRESULT>(0x88760313u)), "The file was not found.");
    EXPECT_STREQ(ErrorText(kBadObject), "D3DRMERR_BADOBJECT");
    EXPECT_STREQ(ErrorText(E_FAIL), "Generic failure.");
    EXPECT_STREQ(ErrorText(static_cast<HRESULT>(0x80004001u)), "Action not supported.");
    EXPECT_STREQ(ErrorText(static_cast<HRESULT>(0x80070057u)),
                 "One or more of the parameters passed to the function are incorrect.");
    EXPECT_STREQ(ErrorText(static_cast<HRESULT>(0x88760005u)),
                 "This object is already initialized.");
    EXPECT_STREQ(ErrorText(static_cast<HRESULT>(0x8876024Du)),
                 "The surface being used is not a palette-based surface.");
    EXPECT_STREQ(ErrorText(static_cast<HRESULT>(0x887602BCu)), "D3DERR_BADMAJORVERSION");
    EXPECT_STREQ(ErrorText(static_cast<HRESULT>(0x887602EEu)), "D3DERR_LIGHT_SET_FAILED");
    EXPECT_STREQ(ErrorText(static_cast<HRESULT>(0x88760319u)), "D3DRMERR_UNABLETOEXECUTE");
    EXPECT_STREQ(ErrorText(INT32_MIN), "Unrecognized error value.");
    EXPECT_STREQ(ErrorText(INT32_MAX), "Unrecognized error value.");
}

TEST(ErrorText, OutOfMemoryCodesShareOneText) {
    EXPECT_STREQ(ErrorText(static_cast<HRESULT>(0x8007000Eu)),
                 "DirectDraw does not have enough memory to perform the operation.");
    EXPECT_EQ(ErrorText(static_cast<HRESULT>(0x8007000Eu)),
              ErrorText(static_cast<HRESULT>(0x8876017Cu)));
}

// Walks the whole facility of the 3D codes: the table has 125 codes there besides the five
// generic ones, each family with its own kind of text, and no text longer than the message
// buffer of ShowMessage can take.
TEST(ErrorText, EveryTableEntryHasTheTextOfItsFamily) {
    int recognised = 0;
    size_t longest = 0;
    for (uint32_t code = 0x88760000u; code <= 0x887603FFu; ++code) {
        const std::string text = ErrorText(static_cast<HRESULT>(code));
        if (text == "Unrecognized error value.")
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

TEST_F(Reporting, ShowMessageAppendsTheLineEndAndUsesTheExampleCaption) {
    ShowMessage("Updating device failed.\n%s", ErrorText(kBadObject));
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    const win::RecordingDialogs::Box& box = dialogs.boxes[0];
    EXPECT_EQ(box.text, "Updating device failed.\nD3DRMERR_BADOBJECT\r\n");
    EXPECT_EQ(box.caption, "D3DRM Example Message");
    EXPECT_EQ(box.style, win::MB_OK);
    EXPECT_FALSE(box.owned);
    EXPECT_TRUE(dialogs.beeps.empty());
    EXPECT_FALSE(fs::exists(folder_ / "errorlog.txt"));

    ShowMessage("Rendering has failed too many times.  Aborting execution.\n");
    EXPECT_EQ(dialogs.boxes[1].text,
              "Rendering has failed too many times.  Aborting execution.\n\r\n");
}

TEST_F(Reporting, ShowMessageKeepsAnOverlongTextWithinItsBuffer) {
    const std::string longText(400, 'x');
    ShowMessage("%s", longText.c_str());
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    const std::string& text = dialogs.boxes[0].text;
    EXPECT_EQ(text.size(), 255u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

TEST_F(Reporting, ShowMessageWithoutFormatShowsAnEmptyLine) {
    const char* none = nullptr;
    ShowMessage(none);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "\r\n");
}

TEST_F(Reporting, LogErrorAppendsLinesAndNeverEmptiesTheLog) {
    {
        std::ofstream earlier(folder_ / "errorlog.txt");
        earlier << "from an earlier run\n";
    }
    LogError("first");
    LogError("(faces)->Release()");
    EXPECT_EQ(Log(), "from an earlier run\nfirst\n(faces)->Release()\n");
}

TEST_F(Reporting, LogErrorThatCannotOpenTheLogLeavesTheReportAlone) {
    fs::create_directory(folder_ / "errorlog.txt"); // a folder where the file should be
    int reached = 0;
    EXPECT_EQ(CreateFrameFails(reached), E_FAIL);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.beeps.size(), 1u);
}

TEST_F(Reporting, FailedCheckedCallLogsBeepsShowsAndReturnsFail) {
    std::string logWhenShown;
    dialogs.onBox = [&](const win::RecordingDialogs::Box&) { logWhenShown = Log(); };
    int reached = 0;

    EXPECT_EQ(CreateFrameFails(reached), E_FAIL);

    EXPECT_EQ(reached, 0);
    EXPECT_EQ(LastResult, kBadObject);
    EXPECT_EQ(logWhenShown, "lpD3DRM->CreateFrame(parent,&frame)\n");
    ASSERT_EQ(dialogs.beeps.size(), 1u);
    EXPECT_EQ(dialogs.beeps[0], 0u);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "lpD3DRM->CreateFrame(parent,&frame)");
    EXPECT_EQ(dialogs.boxes[0].caption, "Direct3D Error -2005531891");
    EXPECT_EQ(dialogs.boxes[0].style, win::MB_ICONEXCLAMATION);
    EXPECT_FALSE(dialogs.boxes[0].owned);
    EXPECT_STREQ(ErrorCaption, "Direct3D Error -2005531891");

    CreateFrameFails(reached);
    EXPECT_EQ(Log(), "lpD3DRM->CreateFrame(parent,&frame)\nlpD3DRM->CreateFrame(parent,&frame)\n");
}

TEST_F(Reporting, SucceedingCheckedCallGoesOnQuietly) {
    for (HRESULT result : {0, 1, INT32_MAX}) {
        int reached = 0;
        EXPECT_EQ(Succeeds(result, reached), 0);
        EXPECT_EQ(reached, 1);
        EXPECT_EQ(LastResult, result);
    }
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_TRUE(dialogs.beeps.empty());
    EXPECT_FALSE(fs::exists(folder_ / "errorlog.txt"));
}

TEST_F(Reporting, CheckedReleaseNullsOnSuccessAndIgnoresNull) {
    FakeInterface object;
    object.releaseResult = 2;
    FakeInterface* faces = &object;
    EXPECT_EQ(ReleaseFaces(faces), 0);
    EXPECT_EQ(faces, nullptr);
    EXPECT_EQ(object.releases, 1);
    EXPECT_EQ(LastResult, 2);

    LastResult = 7;
    EXPECT_EQ(ReleaseFaces(faces), 0);
    EXPECT_EQ(object.releases, 1);
    EXPECT_EQ(LastResult, 7);
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(Reporting, FailedCheckedReleaseReportsItsLiteralAndKeepsThePointer) {
    FakeInterface object;
    object.releaseResult = -1;
    FakeInterface* faces = &object;
    EXPECT_EQ(ReleaseFaces(faces), E_FAIL);
    EXPECT_EQ(faces, &object);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "(faces)->Release()");
    EXPECT_EQ(dialogs.boxes[0].caption, "Direct3D Error -1");
    EXPECT_EQ(Log(), "(faces)->Release()\n");
}
