#include "FrameFormat.h"

namespace decoder_ffmpeg {
namespace {

size_t ChromaSide(int side) { return static_cast<size_t>((side + 1) / 2); }

}  // namespace

size_t FrameBytes(int32_t type, int width, int height) {
  if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide) return 0;
  const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
  switch (type) {
    case kFrameYv12:
    case kFrameI420:
      return pixels + 2 * ChromaSide(width) * ChromaSide(height);
    case kFrameYuy2:
    case kFrameUyvy:
      return 2 * ChromaSide(width) * 2 * static_cast<size_t>(height);
    case kFrameBgr24:
      return 3 * pixels;
    case kFrameBgra32:
      return 4 * pixels;
    default:
      return 0;
  }
}

bool DescribeFrame(int32_t type, const uint8_t* bytes, int width, int height, AVPixelFormat* format,
                   const uint8_t* planes[4], int lineSizes[4]) {
  for (int i = 0; i < 4; ++i) {
    planes[i] = nullptr;
    lineSizes[i] = 0;
  }
  const int chromaWidth = static_cast<int>(ChromaSide(width));
  const size_t lumaBytes = static_cast<size_t>(width) * static_cast<size_t>(height);
  const size_t chromaBytes = ChromaSide(width) * ChromaSide(height);
  switch (type) {
    case kFrameYv12:
    case kFrameI420: {
      *format = AV_PIX_FMT_YUV420P;
      const uint8_t* second = bytes + lumaBytes;
      const uint8_t* third = second + chromaBytes;
      planes[0] = bytes;
      planes[1] = type == kFrameYv12 ? third : second;  // U
      planes[2] = type == kFrameYv12 ? second : third;  // V
      lineSizes[0] = width;
      lineSizes[1] = lineSizes[2] = chromaWidth;
      return true;
    }
    case kFrameYuy2:
    case kFrameUyvy:
      *format = type == kFrameYuy2 ? AV_PIX_FMT_YUYV422 : AV_PIX_FMT_UYVY422;
      planes[0] = bytes;
      lineSizes[0] = 4 * chromaWidth;
      return true;
    case kFrameBgr24:
      *format = AV_PIX_FMT_BGR24;
      planes[0] = bytes;
      lineSizes[0] = 3 * width;
      return true;
    case kFrameBgra32:
      *format = AV_PIX_FMT_BGRA;
      planes[0] = bytes;
      lineSizes[0] = 4 * width;
      return true;
    default:
      return false;
  }
}

}  // namespace decoder_ffmpeg
