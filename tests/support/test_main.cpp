// Test entry point: every test program runs headless, whatever the caller's environment.
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setenv("SDL_RENDER_DRIVER", "software", 1);
    setenv("KAZIRO_DATA_DIR", KAZIRO_TEST_BUILD_DIR, 0);
    // The game's own files (settings, scores) go to a folder of the build,
    // never to the home of whoever runs the tests; tests of them set their own.
    setenv("XDG_CONFIG_HOME", KAZIRO_TEST_BUILD_DIR "/test-home/config", 1);
    setenv("XDG_DATA_HOME", KAZIRO_TEST_BUILD_DIR "/test-home/data", 1);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
