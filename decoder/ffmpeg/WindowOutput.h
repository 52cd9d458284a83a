// The window system the presenter draws with, one output per system behind
// the same members: SetMainWindow, SetRegion and Draw; EventsWaiting, Wait
// and TakeRedrawRequest, through which the presenter sleeps and learns that
// a window needs its picture again.
#ifndef M4_FFMPEG_WINDOW_OUTPUT_H
#define M4_FFMPEG_WINDOW_OUTPUT_H

#if defined(_WIN32)
#include "GdiOutput.h"
#else
#include "X11Output.h"
#endif

namespace m4 {

#if defined(_WIN32)
using WindowOutput = GdiOutput;
#else
using WindowOutput = X11Output;
#endif

}  // namespace m4

#endif
