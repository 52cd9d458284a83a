#include "WindowPicture.h"

#include <algorithm>
#include <cstddef>

extern "C" {
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace decoder_ffmpeg {
namespace {

// The planes of |frame| from |rect| on, for planar 8-bit formats, whose
// chroma planes are subsampled by the format's shifts. The rectangle is
// clipped to the picture and aligned to the chroma grid.
bool CropPlanes(const AVFrame& frame, const RECT& rect, const uint8_t* planes[4], int* width,
                int* height) {
  const AVPixFmtDescriptor* format = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame.format));
  if (format == nullptr || !(format->flags & AV_PIX_FMT_FLAG_PLANAR) ||
      format->comp[0].depth != 8) {
    return false;
  }
  const int alignX = 1 << format->log2_chroma_w;
  const int alignY = 1 << format->log2_chroma_h;
  const int left = std::min<int>(rect.left, frame.width - 1) / alignX * alignX;
  const int top = std::min<int>(rect.top, frame.height - 1) / alignY * alignY;
  const int right = std::min<int>(rect.right, frame.width);
  const int bottom = std::min<int>(rect.bottom, frame.height);
  if (right <= left || bottom <= top) return false;
  for (int i = 0; i < 4; ++i) {
    planes[i] = frame.data[i];
    if (planes[i] == nullptr) continue;
    const bool chroma = i == 1 || i == 2;
    const int x = chroma ? left >> format->log2_chroma_w : left;
    const int y = chroma ? top >> format->log2_chroma_h : top;
    planes[i] += static_cast<ptrdiff_t>(y) * frame.linesize[i] + x;
  }
  *width = right - left;
  *height = bottom - top;
  return true;
}

}  // namespace

bool ScaleForWindow(const AVFrame& frame, const RECT* crop, CachedScaler& scaler,
                    const WindowPixels& target) {
  const uint8_t* planes[4] = {frame.data[0], frame.data[1], frame.data[2], frame.data[3]};
  int width = frame.width;
  int height = frame.height;
  if (crop != nullptr && !CropPlanes(frame, *crop, planes, &width, &height)) return false;
  // Shrinking, a bilinear filter widens with the ratio and costs the more the
  // smaller the window (a tile of a wall); two taps keep it cheap.
  const int filter =
      target.width < width || target.height < height ? SWS_FAST_BILINEAR : SWS_BILINEAR;
  SwsContext* context = scaler.For({width, height, static_cast<AVPixelFormat>(frame.format),
                                    target.width, target.height, AV_PIX_FMT_BGR0, filter});
  if (context == nullptr) return false;
  uint8_t* const targets[4] = {target.data, nullptr, nullptr, nullptr};
  const int strides[4] = {target.stride, 0, 0, 0};
  sws_scale(context, planes, frame.linesize, 0, height, targets, strides);
  return true;
}

}  // namespace decoder_ffmpeg
