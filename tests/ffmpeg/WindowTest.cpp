// Pictures in a real X11 window, read back with XGetImage. Runs on $DISPLAY,
// or on an Xvfb of its own when there is none; skipped without either.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "PictureLog.h"
#include "TestStreams.h"
#include "m4playerApi.h"

namespace m4test {
namespace {

constexpr int32_t kPort = 12;
constexpr size_t kBlock = 8192;

// An X server for the test: the one in $DISPLAY, or a private Xvfb.
class XServer {
 public:
  XServer() {
    const char* name = std::getenv("DISPLAY");
    if (name != nullptr && name[0] != '\0') display_ = XOpenDisplay(nullptr);
    if (display_ == nullptr && StartXvfb()) display_ = XOpenDisplay(nullptr);
  }
  ~XServer() {
    if (display_ != nullptr) XCloseDisplay(display_);
    if (xvfb_ > 0) {
      kill(xvfb_, SIGTERM);
      waitpid(xvfb_, nullptr, 0);
    }
  }
  Display* display() const { return display_; }

 private:
  // Xvfb picks a free display itself and writes its number to a pipe when
  // it is ready to take connections.
  bool StartXvfb() {
    if (access("/usr/bin/Xvfb", X_OK) != 0) return false;
    int ready[2];
    if (pipe(ready) != 0) return false;
    xvfb_ = fork();
    if (xvfb_ == 0) {
      close(ready[0]);
      const std::string fd = std::to_string(ready[1]);
      execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24",
            "-nolisten", "tcp", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(ready[1]);
    std::string number;
    pollfd wait{ready[0], POLLIN, 0};
    char c = 0;
    while (poll(&wait, 1, static_cast<int>(kPatience.count() * 1000)) > 0 &&
           read(ready[0], &c, 1) == 1 && c != '\n') {
      number.push_back(c);
    }
    close(ready[0]);
    if (number.empty()) return false;
    setenv("DISPLAY", (":" + number).c_str(), 1);
    return true;
  }

  Display* display_ = nullptr;
  pid_t xvfb_ = -1;
};

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (server_.display() == nullptr) GTEST_SKIP() << "no X display and no Xvfb";
    setenv("KELO_M4_CLOCK", "virtual", 1);
    display_ = server_.display();
  }
  void TearDown() override {
    if (display_ == nullptr) return;
    PlayM4_SetDisplayCallBack(kPort, nullptr);
    PlayM4_CloseStream(kPort);
  }

  Window MapWindow(int width, int height) {
    const Window window =
        XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0,
                            static_cast<unsigned>(width), static_cast<unsigned>(height), 0, 0, 0);
    XSelectInput(display_, window, StructureNotifyMask);
    XMapWindow(display_, window);
    for (XEvent event;;) {
      XNextEvent(display_, &event);
      if (event.type == MapNotify && event.xmap.window == window) break;
    }
    return window;
  }

  Rgb PixelAt(Window window, int x, int y) {
    XImage* image = XGetImage(display_, window, x, y, 1, 1, AllPlanes, ZPixmap);
    const unsigned long pixel = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return Rgb{static_cast<int>((pixel >> 16) & 0xFF), static_cast<int>((pixel >> 8) & 0xFF),
               static_cast<int>(pixel & 0xFF)};
  }

  // Drawing happens on the decoder's presenter thread: look until it shows.
  bool Shows(Window window, int x, int y, const Rgb& colour) {
    const auto giveUp = std::chrono::steady_clock::now() + kPatience;
    while (!Near(PixelAt(window, x, y), colour)) {
      if (std::chrono::steady_clock::now() > giveUp) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
  }

  void PlayInto(Window window) {
    const TestStream& stream = Stream(StreamKind::kProgramMpeg2WithAudio);
    ASSERT_TRUE(PlayM4_SetStreamOpenMode(kPort, 1));
    ASSERT_TRUE(PlayM4_OpenStream(kPort, stream.header.data(), 64, 51200));
    ASSERT_TRUE(LogPictures(kPort));
    ASSERT_TRUE(PlayM4_Play(kPort, reinterpret_cast<WindowHandle>(window)));
    ASSERT_TRUE(FeedAll(kPort, stream.payload, kBlock));
    ASSERT_TRUE(WaitForPictures(kPort, stream.frames));
  }

  static XServer server_;
  Display* display_ = nullptr;
};

XServer WindowTest::server_;

TEST_F(WindowTest, ShowsThePictureScaledAndRedrawsItWhilePaused) {
  const Window window = MapWindow(2 * kTestWidth, 2 * kTestHeight);
  PlayInto(window);
  for (const KnownColour& known : KnownColours()) {
    EXPECT_TRUE(Near(PixelAt(window, 2 * known.x, 2 * known.y), known.colour))
        << known.x << "," << known.y;
  }
  ASSERT_TRUE(PlayM4_Pause(kPort, 1));

  // Cleared without an expose event: only a refresh brings the picture back.
  XClearArea(display_, window, 0, 0, 0, 0, False);
  XSync(display_, False);
  const KnownColour& red = KnownColours()[0];
  EXPECT_TRUE(Near(PixelAt(window, 2 * red.x, 2 * red.y), {0, 0, 0}));
  ASSERT_TRUE(PlayM4_RefreshPlay(kPort));
  EXPECT_TRUE(Shows(window, 2 * red.x, 2 * red.y, red.colour));

  // Cleared with an expose event: the decoder redraws by itself.
  XClearArea(display_, window, 0, 0, 0, 0, True);
  XSync(display_, False);
  for (const KnownColour& known : KnownColours()) {
    EXPECT_TRUE(Shows(window, 2 * known.x, 2 * known.y, known.colour));
  }

  // Resized: the decoder redraws at the new size by itself.
  XResizeWindow(display_, window, 3 * kTestWidth, 3 * kTestHeight);
  XSync(display_, False);
  for (const KnownColour& known : KnownColours()) {
    EXPECT_TRUE(Shows(window, 3 * known.x, 3 * known.y, known.colour));
  }
}

TEST_F(WindowTest, DisplayRegionFillsItsWindowWithTheRectangle) {
  const Window main = MapWindow(kTestWidth, kTestHeight);
  const Window zoom = MapWindow(200, 100);
  // The top half of the picture: red on the left, green on the right.
  const RECT topHalf{0, 0, kTestWidth, kTestHeight / 2};
  const TestStream& stream = Stream(StreamKind::kProgramMpeg2WithAudio);
  ASSERT_TRUE(PlayM4_OpenStream(kPort, stream.header.data(), 64, 51200));
  ASSERT_TRUE(PlayM4_Play(kPort, reinterpret_cast<WindowHandle>(main)));
  ASSERT_TRUE(PlayM4_SetDisplayRegion(kPort, 1, &topHalf, reinterpret_cast<WindowHandle>(zoom), 1));
  ASSERT_TRUE(LogPictures(kPort));
  ASSERT_TRUE(FeedAll(kPort, stream.payload, kBlock));
  ASSERT_TRUE(WaitForPictures(kPort, stream.frames));
  EXPECT_TRUE(Near(PixelAt(zoom, 50, 30), {255, 0, 0}));
  EXPECT_TRUE(Near(PixelAt(zoom, 150, 30), {0, 255, 0}));
  EXPECT_TRUE(Near(PixelAt(main, 88, 216), {0, 0, 255}));

  // Hidden again: a cleared region window stays cleared through a refresh.
  // A refresh shown in the cleared main window is drawn after every drawing
  // that began before it; the region window is cleared once two have been,
  // so that no drawing begun before the region went can reach it after.
  ASSERT_TRUE(PlayM4_SetDisplayRegion(kPort, 1, nullptr, nullptr, 0));
  auto redrawnAfterClearing = [&](Window cleared) {
    XClearArea(display_, cleared, 0, 0, 0, 0, False);
    XClearArea(display_, main, 0, 0, 0, 0, False);
    XSync(display_, False);
    return PlayM4_RefreshPlay(kPort) && Shows(main, 88, 216, {0, 0, 255});
  };
  ASSERT_TRUE(redrawnAfterClearing(main));
  ASSERT_TRUE(redrawnAfterClearing(main));
  ASSERT_TRUE(redrawnAfterClearing(zoom));
  EXPECT_TRUE(Near(PixelAt(zoom, 50, 30), {0, 0, 0}));
}

}  // namespace
}  // namespace m4test
