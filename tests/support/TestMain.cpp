// Entry point of every test program: the headless environment is set here rather than by
// CTest, so a test program started by hand behaves exactly as under CTest.
#include <gtest/gtest.h>

#include <cstdlib>

#ifndef QARVO_DEFAULT_TEST_MEDIA_DIR
#define QARVO_DEFAULT_TEST_MEDIA_DIR ""
#endif

#if defined(__SANITIZE_ADDRESS__)
// Leaks inside system libraries the tests load (fonts; the session bus the X11 platform
// connects to); never our own code.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\nleak:libdbus-1.so\n";
}
#endif

int main(int argc, char** argv) {
  // Values already in the environment win, so a run can still pick a real display or driver.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  setenv("SDL_AUDIODRIVER", "disk", 0);
  setenv("SDL_DISKAUDIODELAY", "0", 0);
  if (*QARVO_DEFAULT_TEST_MEDIA_DIR)
    setenv("QARVO_TEST_MEDIA_DIR", QARVO_DEFAULT_TEST_MEDIA_DIR, 0);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
