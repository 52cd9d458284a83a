// What every window output does with a picture before handing it to its
// window system: the whole picture, or one rectangle of it, scaled into
// 32-bit pixels B, G, R, unused at the window's size.
#ifndef M4_FFMPEG_WINDOW_PICTURE_H
#define M4_FFMPEG_WINDOW_PICTURE_H

#include <cstdint>

#include "CachedScaler.h"
#include "m4playerApi.h"

extern "C" {
#include <libavutil/frame.h>
}

namespace decoder_ffmpeg {

struct WindowPixels {
  uint8_t* data = nullptr;  // with kScalerSlack bytes of room beyond the last row
  int stride = 0;
  int width = 0;
  int height = 0;
};

// |crop| null: the whole picture. False when there is nothing to draw (an
// empty rectangle, a format swscale cannot take).
bool ScaleForWindow(const AVFrame& frame, const RECT* crop, CachedScaler& scaler,
                    const WindowPixels& target);

}  // namespace decoder_ffmpeg

#endif
