#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Test binaries run at build time (test discovery) without the tests' environment.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
