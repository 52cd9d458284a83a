#include "X11ErrorGuard.h"

#include <mutex>
#include <map>

namespace decoder_ffmpeg {
namespace {

struct Guard {
  std::mutex mutex;
  std::map<Display*, unsigned long> displays;  // with their error counts
  XErrorHandler previousHandler = nullptr;
  bool installed = false;
};

// Never destroyed: presenter threads of streams a client left open may still
// draw while the process exits.
Guard& TheGuard() {
  static auto* guard = new Guard();
  return *guard;
}

int IgnoreOurErrors(Display* display, XErrorEvent* error) {
  Guard& guard = TheGuard();
  XErrorHandler previous = nullptr;
  {
    std::lock_guard<std::mutex> lock(guard.mutex);
    auto found = guard.displays.find(display);
    if (found != guard.displays.end()) {
      ++found->second;
      return 0;
    }
    previous = guard.previousHandler;
  }
  return previous != nullptr ? previous(display, error) : 0;
}

}  // namespace

Display* OpenGuardedDisplay() {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return nullptr;
  Guard& guard = TheGuard();
  std::lock_guard<std::mutex> lock(guard.mutex);
  guard.displays[display] = 0;
  if (!guard.installed) {
    guard.previousHandler = XSetErrorHandler(&IgnoreOurErrors);
    guard.installed = true;
  }
  return display;
}

void CloseGuardedDisplay(Display* display) {
  if (display == nullptr) return;
  XCloseDisplay(display);
  Guard& guard = TheGuard();
  std::lock_guard<std::mutex> lock(guard.mutex);
  guard.displays.erase(display);
}

unsigned long GuardedErrorCount(Display* display) {
  Guard& guard = TheGuard();
  std::lock_guard<std::mutex> lock(guard.mutex);
  auto found = guard.displays.find(display);
  return found != guard.displays.end() ? found->second : 0;
}

}  // namespace decoder_ffmpeg
