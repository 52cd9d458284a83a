#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "PictureLog.h"
#include "TestWindow.h"

namespace tests_ffmpeg {
namespace {

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

// For the whole test program: an Xvfb started for each window would cost
// a second each.
XServer& TheServer() {
  static XServer server;
  return server;
}

class X11TestWindow final : public TestWindow {
 public:
  X11TestWindow(Display* display, int width, int height) : display_(display) {
    window_ =
        XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0,
                            static_cast<unsigned>(width), static_cast<unsigned>(height), 0, 0, 0);
    XSelectInput(display_, window_, StructureNotifyMask);
    XMapWindow(display_, window_);
    for (XEvent event;;) {
      XNextEvent(display_, &event);
      if (event.type == MapNotify && event.xmap.window == window_) break;
    }
  }
  ~X11TestWindow() override {
    XDestroyWindow(display_, window_);
    XSync(display_, False);
  }

  WindowHandle Handle() const override { return reinterpret_cast<WindowHandle>(window_); }

  Rgb Pixel(int x, int y) override {
    XImage* image = XGetImage(display_, window_, x, y, 1, 1, AllPlanes, ZPixmap);
    const unsigned long pixel = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return Rgb{static_cast<int>((pixel >> 16) & 0xFF), static_cast<int>((pixel >> 8) & 0xFF),
               static_cast<int>(pixel & 0xFF)};
  }

  void Clear() override {
    XClearArea(display_, window_, 0, 0, 0, 0, False);
    XSync(display_, False);
  }

  void Uncover(int32_t) override {
    XClearArea(display_, window_, 0, 0, 0, 0, True);
    XSync(display_, False);
  }

  void Resize(int width, int height, int32_t) override {
    XResizeWindow(display_, window_, static_cast<unsigned>(width), static_cast<unsigned>(height));
    XSync(display_, False);
  }

 private:
  Display* display_;
  Window window_ = 0;
};

}  // namespace

std::unique_ptr<TestWindow> TestWindow::Make(int width, int height) {
  Display* display = TheServer().display();
  if (display == nullptr) return nullptr;
  return std::make_unique<X11TestWindow>(display, width, height);
}

}  // namespace tests_ffmpeg
