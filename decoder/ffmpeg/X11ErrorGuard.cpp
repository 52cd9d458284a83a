#include "X11ErrorGuard.h"

#include <mutex>
#include <map>

namespace m4 {
namespace {

std::mutex guardMutex;
std::map<Display*, unsigned long> guarded;  // with its error count
XErrorHandler previousHandler = nullptr;
bool installed = false;

int IgnoreOurErrors(Display* display, XErrorEvent* error) {
  XErrorHandler previous = nullptr;
  {
    std::lock_guard<std::mutex> lock(guardMutex);
    auto found = guarded.find(display);
    if (found != guarded.end()) {
      ++found->second;
      return 0;
    }
    previous = previousHandler;
  }
  return previous != nullptr ? previous(display, error) : 0;
}

}  // namespace

Display* OpenGuardedDisplay() {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return nullptr;
  std::lock_guard<std::mutex> lock(guardMutex);
  guarded[display] = 0;
  if (!installed) {
    previousHandler = XSetErrorHandler(&IgnoreOurErrors);
    installed = true;
  }
  return display;
}

void CloseGuardedDisplay(Display* display) {
  if (display == nullptr) return;
  XCloseDisplay(display);
  std::lock_guard<std::mutex> lock(guardMutex);
  guarded.erase(display);
}

}  // namespace m4

namespace m4 {

unsigned long GuardedErrorCount(Display* display) {
  std::lock_guard<std::mutex> lock(guardMutex);
  auto found = guarded.find(display);
  return found != guarded.end() ? found->second : 0;
}

}  // namespace m4
