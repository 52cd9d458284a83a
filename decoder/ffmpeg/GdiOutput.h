// Pictures in the client's Win32 windows with GDI: the whole picture in the
// window given to PlayM4_Play, and optionally one rectangle of it in the
// window given to PlayM4_SetDisplayRegion, each scaled to its window's
// client area. Used by the presenter thread only. Windows tells the window's
// owner, not us, when a window was covered: the client's window procedure
// answers WM_PAINT with PlayM4_RefreshPlay, which redraws the last picture.
#ifndef M4_FFMPEG_GDI_OUTPUT_H
#define M4_FFMPEG_GDI_OUTPUT_H

#include <windows.h>

#include <cstdint>
#include <vector>

#include "CachedScaler.h"

extern "C" {
#include <libavutil/frame.h>
}

namespace m4 {

class Wakeup;

class GdiOutput {
 public:
  // 0 stops drawing into the main window.
  void SetMainWindow(uint64_t window);
  void SetRegion(const RECT& rect, uint64_t window, bool enable);

  // Nothing but the wake-ups to wait for.
  bool EventsWaiting() const { return false; }
  void Wait(Wakeup& wakeup, int timeoutMillis);
  bool TakeRedrawRequest() { return false; }
  void Draw(const AVFrame& frame);

 private:
  struct Target {
    HWND window = nullptr;
    // Whether the window's owner asked to be told of each picture drawn,
    // read once when the window is given: a property lookup may cost a
    // round trip, a picture's drawing should not.
    bool tellsPictures = false;
    bool cropped = false;
    RECT crop{};
    CachedScaler scaler;
    std::vector<uint8_t> pixels;  // top row first, 32 bits a pixel
  };

  void DrawInto(Target& target, const AVFrame& frame);

  Target main_;
  Target region_;
};

}  // namespace m4

#endif
