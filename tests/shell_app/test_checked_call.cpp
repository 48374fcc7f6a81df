// The checked-call convention as the scene builders use it on the scene layer's calls.

#include "shell_fixture.h"
#include "tests/common/temp_path.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "scene/error_report.h"

namespace {

bool ReachedAfterTheCall = false;

HRESULT BuildOneFrame(LPDIRECT3DRMFRAME* frame) {
    ReachedAfterTheCall = false;
    CheckedCall(D3D.lpD3DRM->CreateFrame(D3D.SceneFrame, frame),
                "lpD3DRM->CreateFrame(parent,&frame)");
    ReachedAfterTheCall = true;
    return 0;
}

HRESULT ReleaseFrame(LPDIRECT3DRMFRAME& frame) {
    CheckedRelease(frame);
    return 0;
}

TEST_F(ShellTest, CheckedCallLogsBeepsShowsAndEndsTheFunctionOnlyOnFailure) {
    const std::filesystem::path home = std::filesystem::current_path();
    const std::filesystem::path folder = TempPath("checked_call");
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::filesystem::current_path(folder);
    const auto log = [&] {
        std::stringstream text;
        text << std::ifstream(folder / "errorlog.txt").rdbuf();
        return text.str();
    };
    ASSERT_NE(Start(), nullptr);

    LPDIRECT3DRMFRAME frame = nullptr;
    EXPECT_EQ(BuildOneFrame(&frame), 0);
    EXPECT_TRUE(ReachedAfterTheCall);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(ReleaseFrame(frame), 0);
    EXPECT_EQ(frame, nullptr);
    EXPECT_EQ(ReleaseFrame(frame), 0);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_FALSE(std::filesystem::exists(folder / "errorlog.txt"));

    rm::FailNthCall(1, D3DRMERR_BADOBJECT);
    EXPECT_EQ(BuildOneFrame(&frame), E_FAIL);
    EXPECT_FALSE(ReachedAfterTheCall);
    EXPECT_EQ(frame, nullptr);
    EXPECT_EQ(log(), "lpD3DRM->CreateFrame(parent,&frame)\n");
    EXPECT_EQ(dialogs.beeps, std::vector<unsigned>{0});
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "lpD3DRM->CreateFrame(parent,&frame)");
    EXPECT_EQ(dialogs.boxes[0].caption, "Direct3D Error -2005531891");
    EXPECT_EQ(dialogs.boxes[0].style, 0x30u);
    // The log only grows.
    rm::FailNthCall(1, D3DRMERR_NOTFOUND);
    EXPECT_EQ(BuildOneFrame(&frame), E_FAIL);
    EXPECT_EQ(log(), "lpD3DRM->CreateFrame(parent,&frame)\nlpD3DRM->CreateFrame(parent,&frame)\n");
    EXPECT_EQ(dialogs.boxes[1].caption, "Direct3D Error -2005531887");

    std::filesystem::current_path(home);
    std::filesystem::remove_all(folder);
}

} // namespace
