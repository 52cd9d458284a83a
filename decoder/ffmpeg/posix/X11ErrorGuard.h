// Xlib reports errors to one handler per process, and its default one exits.
// A client's window may vanish while we draw into it, so errors on our own
// connections are ignored; errors on anyone else's go to the handler that
// was installed before ours.
#ifndef M4_FFMPEG_X11_ERROR_GUARD_H
#define M4_FFMPEG_X11_ERROR_GUARD_H

#include <X11/Xlib.h>

namespace decoder_ffmpeg {

// Opens a connection whose errors are ignored; null without a display.
Display* OpenGuardedDisplay();
void CloseGuardedDisplay(Display* display);
// How many errors the server has reported on |display| so far.
unsigned long GuardedErrorCount(Display* display);

}  // namespace decoder_ffmpeg

#endif
