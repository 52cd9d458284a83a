#include "Yv12Converter.h"

#include <cstring>

extern "C" {
#include <libswscale/swscale.h>
}

#include "FrameFormat.h"

namespace decoder_ffmpeg {
namespace {

void CopyPlane(const uint8_t* from, int fromStride, uint8_t* to, int width, int height) {
  for (int row = 0; row < height; ++row) {
    std::memcpy(to + static_cast<size_t>(row) * width,
                from + static_cast<ptrdiff_t>(row) * fromStride, static_cast<size_t>(width));
  }
}

bool IsPlanar420(AVPixelFormat format) {
  return format == AV_PIX_FMT_YUV420P || format == AV_PIX_FMT_YUVJ420P;
}

}  // namespace

bool Yv12Converter::Convert(const AVFrame& frame, std::vector<uint8_t>* out) {
  return Convert(static_cast<AVPixelFormat>(frame.format), frame.data, frame.linesize, frame.width,
                 frame.height, out);
}

bool Yv12Converter::Convert(AVPixelFormat format, const uint8_t* const planes[4],
                            const int lineSizes[4], int width, int height,
                            std::vector<uint8_t>* out) {
  out->clear();
  const size_t bytes = FrameBytes(kFrameYv12, width, height);
  if (bytes == 0) return false;
  // Room for swscale writing a little past the end; trimmed afterwards.
  out->resize(bytes + kScalerSlack);
  const int chromaWidth = (width + 1) / 2;
  const int chromaHeight = (height + 1) / 2;
  uint8_t* y = out->data();
  uint8_t* v = y + static_cast<size_t>(width) * height;
  uint8_t* u = v + static_cast<size_t>(chromaWidth) * chromaHeight;

  // Most decoders already give 4:2:0: copying beats a scaler pass.
  if (IsPlanar420(format)) {
    CopyPlane(planes[0], lineSizes[0], y, width, height);
    CopyPlane(planes[1], lineSizes[1], u, chromaWidth, chromaHeight);
    CopyPlane(planes[2], lineSizes[2], v, chromaWidth, chromaHeight);
    out->resize(bytes);
    return true;
  }
  SwsContext* scaler =
      scaler_.For({width, height, format, width, height, AV_PIX_FMT_YUV420P, SWS_BILINEAR});
  if (scaler == nullptr) {
    out->clear();
    return false;
  }
  uint8_t* const targets[4] = {y, u, v, nullptr};
  const int targetStrides[4] = {width, chromaWidth, chromaWidth, 0};
  if (sws_scale(scaler, planes, lineSizes, 0, height, targets, targetStrides) != height) {
    out->clear();
    return false;
  }
  out->resize(bytes);
  return true;
}

}  // namespace decoder_ffmpeg
