// A window of the system's for the window output's test, and what the
// decoder drew in it read back from the screen. One declaration; one
// implementation per system: posix/TestWindow.cpp (X11, on $DISPLAY or an
// Xvfb of its own), win32/TestWindow.cpp (Win32).
#ifndef TESTS_FFMPEG_TEST_WINDOW_H
#define TESTS_FFMPEG_TEST_WINDOW_H

#include <cstdint>
#include <memory>

#include "TestStreams.h"
#include "m4playerApi.h"

namespace tests_ffmpeg {

class TestWindow {
 public:
  // A window showing |width| x |height| pixels, on screen, black; null
  // when the system has no screen here.
  static std::unique_ptr<TestWindow> Make(int width, int height);
  virtual ~TestWindow() = default;

  virtual WindowHandle Handle() const = 0;
  // The colour on screen at |x|, |y| of the window's drawable area.
  virtual Rgb Pixel(int x, int y) = 0;
  // Black again, and nobody told: only a refresh brings the picture back.
  virtual void Clear() = 0;
  // Black again, as when a window that covered it goes: the window system
  // asks for the picture again. X11 tells the decoder, which redraws;
  // Windows tells the window's owner, whose window procedure answers with
  // PlayM4_RefreshPlay on |port|, as a client's does.
  virtual void Uncover(int32_t port) = 0;
  // Resized to show |width| x |height| pixels, told as Uncover tells.
  virtual void Resize(int width, int height, int32_t port) = 0;
};

}  // namespace tests_ffmpeg

#endif
