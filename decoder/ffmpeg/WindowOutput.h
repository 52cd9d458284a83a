// The window system a port's presenter draws with and sleeps on: the whole
// picture in the window given to PlayM4_Play, and optionally one rectangle of
// it in the window given to PlayM4_SetDisplayRegion, each scaled to its
// window's size. One declaration; one implementation per system, each in its
// system's folder: posix/X11Output.cpp (X11, on a connection of its own),
// win32/GdiOutput.cpp (GDI).
//
// The presenter sleeps in one place for its deadline, new pictures, commands
// and window events alike, so the output that knows the window events also
// owns the presenter's wake-up: X11 polls an eventfd beside its connection,
// GDI waits on a word (an event before Windows 8), as nothing tells it of
// window events.
//
// Threads: Wake() from any thread; every other member from the presenter's
// thread only.
#ifndef M4_FFMPEG_WINDOW_OUTPUT_H
#define M4_FFMPEG_WINDOW_OUTPUT_H

#include <cstdint>
#include <memory>

#include "m4playerApi.h"

extern "C" {
#include <libavutil/frame.h>
}

namespace decoder_ffmpeg {

class WindowOutput {
 public:
  virtual ~WindowOutput() = default;

  // Draws into |window| from the next Draw on; 0 stops drawing into the main
  // window. The same window again changes nothing.
  virtual void SetMainWindow(uint64_t window) = 0;
  // Draws |rect| of each picture, scaled, into |window| as well; |enable|
  // false or |window| 0 stops that. A region shown in the main window
  // replaces the whole picture there.
  virtual void SetRegion(const RECT& rect, uint64_t window, bool enable) = 0;
  // Draws |frame| into the windows set; on screen when it returns, so that
  // a client told of the picture afterwards finds it there. A window that
  // is gone, hidden or of no size is passed over.
  virtual void Draw(const AVFrame& frame) = 0;

  // Ends the presenter's current Wait, or the next one when none is under
  // way. Signals that come while nobody waits fold into one.
  virtual void Wake() = 0;
  // Sleeps until woken, a window event arrives or |timeoutMillis| pass (-1:
  // no limit); at once when an event came in already. May also end for
  // nothing: the presenter looks at its state after every wait anyway.
  virtual void Wait(int timeoutMillis) = 0;
  // True when a window was exposed or resized since the last call, so that
  // the picture on screen must be drawn again. Windows tells the window's
  // owner, not us, of that: there the client's window procedure answers
  // WM_PAINT with PlayM4_RefreshPlay, and this is always false.
  virtual bool TakeRedrawRequest() = 0;
};

// The system's output, drawing nowhere yet; null when the system cannot give
// the presenter a wake-up.
std::unique_ptr<WindowOutput> MakeWindowOutput();

}  // namespace decoder_ffmpeg

#endif
