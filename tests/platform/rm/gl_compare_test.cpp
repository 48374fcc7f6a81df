// The program's frames drawn by our rasterizer against the same polygons drawn by Mesa's
// llvmpipe: almost every pixel within a few levels, and every larger difference one that a
// polygon edge, a depth tie or a sharp texel edge explains. Each frame's ours | llvmpipe |
// differences picture is saved in KESTREL_GL_DIFF_DIR when it is set, and in the
// temporary folder when the frame fails.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "gl_replay.h"

namespace {

constexpr double LEAST_WITHIN_SHARE = 0.99;

TEST(LlvmpipeComparison, MachineFramesMatchLlvmpipe) {
    glcheck::Llvmpipe llvmpipe;
    ASSERT_TRUE(llvmpipe.Ready()) << llvmpipe.Error()
                                  << ": install the packages of scripts/install-deps.sh";
    const std::vector<glcheck::View> views = glcheck::CaptureMachineViews();
    ASSERT_FALSE(views.empty()) << "the examples did not open";
    const char* saveDir = std::getenv("KESTREL_GL_DIFF_DIR");
    for (size_t i = 0; i < views.size(); ++i) {
        const glcheck::View& view = views[i];
        SCOPED_TRACE(view.name);
        ASSERT_FALSE(view.frame.polygons.empty());
        const glcheck::Check check = llvmpipe.Compare(view.frame);
        // The replay (clearing at once) draws what the program showed (clearing as it drew),
        // so the capture missed nothing and the owed clear was paid in full; and the pixel
        // loops give the same pixels one at a time as eight at a time.
        EXPECT_TRUE(view.shown.pixels == check.ours.pixels);
        EXPECT_TRUE(glcheck::RenderOurs(view.frame, {.wide = false}).pixels == check.ours.pixels);
        const glcheck::Comparison& c = check.comparison;
        std::cout << view.name << ": " << c.Describe() << "\n";
        EXPECT_GE(c.withinShare, LEAST_WITHIN_SHARE);
        EXPECT_EQ(c.unexplained, 0);
        if (saveDir != nullptr || HasFailure()) {
            const std::string path = (saveDir ? std::filesystem::path(saveDir)
                                              : std::filesystem::temp_directory_path()) /
                                     ("kestrel-llvmpipe-" + std::to_string(i) + ".png");
            EXPECT_TRUE(glcheck::SaveSideBySide(check, path)) << path;
            std::cout << "  saved " << path << "\n";
        }
    }
}

} // namespace
