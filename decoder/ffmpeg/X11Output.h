// Pictures in the client's X11 windows, on a connection of our own: the
// whole picture in the window given to PlayM4_Play, and optionally one
// rectangle of it in the window given to PlayM4_SetDisplayRegion, each scaled
// to its window's current size. XShm when the server offers it, plain
// XPutImage otherwise. Used by the presenter thread only; the window events
// it waits for beside the presenter's wake-ups are exposures and resizes.
#ifndef M4_FFMPEG_X11_OUTPUT_H
#define M4_FFMPEG_X11_OUTPUT_H

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <cstdint>

#include "CachedScaler.h"
#include "m4playerApi.h"

extern "C" {
#include <libavutil/frame.h>
}

namespace m4 {

class Wakeup;

class X11Output {
 public:
  X11Output() = default;
  ~X11Output();
  X11Output(const X11Output&) = delete;
  X11Output& operator=(const X11Output&) = delete;

  // 0 stops drawing into the main window.
  void SetMainWindow(uint64_t window);
  void SetRegion(const RECT& rect, uint64_t window, bool enable);

  // Events already read from the connection, which a wait would not see.
  bool EventsWaiting() const;
  // Sleeps until |wakeup| is signalled, a window event arrives or
  // |timeoutMillis| pass (-1: no limit).
  void Wait(Wakeup& wakeup, int timeoutMillis);
  // True when a window was exposed or resized since the last call.
  bool TakeRedrawRequest();
  void Draw(const AVFrame& frame);

 private:
  struct Target {
    Window window = 0;
    bool cropped = false;
    RECT crop{};
    GC gc = nullptr;
    XImage* image = nullptr;
    XShmSegmentInfo shm{};
    bool usesShm = false;
    CachedScaler scaler;
    // The window's size and state, asked once and again after each event
    // on it: asking before every picture is a round trip to the server.
    bool attributesKnown = false;
    XWindowAttributes attributes{};
  };

  bool Connect();
  void Attach(Target& target, Window window);
  void Detach(Target& target);
  void DrawInto(Target& target, const AVFrame& frame);
  bool PrepareImage(Target& target, const XWindowAttributes& attributes);
  void ReleaseImage(Target& target);

  Display* display_ = nullptr;
  bool shmAvailable_ = false;
  bool eventsArrived_ = false;  // the connection had data at the last wake
  Target main_;
  Target region_;
};

}  // namespace m4

#endif
