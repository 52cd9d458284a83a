// The frame type values of the display callback and PlayM4_ConvertToBmpFile:
// how the bytes of a picture are laid out. The callback always delivers
// kFrameYv12; the others are accepted for conversion to a bitmap.
#ifndef M4_FFMPEG_FRAME_FORMAT_H
#define M4_FFMPEG_FRAME_FORMAT_H

#include <cstddef>
#include <cstdint>

extern "C" {
#include <libavutil/pixfmt.h>
}

namespace decoder_ffmpeg {

enum FrameType : int32_t {
  kFrameYv12 = 1,    // planar 4:2:0: Y, then V, then U
  kFrameI420 = 2,    // planar 4:2:0: Y, then U, then V
  kFrameYuy2 = 3,    // packed 4:2:2: Y0 U Y1 V
  kFrameUyvy = 4,    // packed 4:2:2: U Y0 V Y1
  kFrameBgr24 = 5,   // packed B G R, top row first, rows unpadded
  kFrameBgra32 = 6,  // packed B G R A, top row first
};

constexpr int kMaxPictureSide = 16384;
// swscale may read and write a few bytes past the end of a plane: buffers
// that it touches get this much room beyond their size.
constexpr size_t kScalerSlack = 64;

// Bytes a picture of this type and size takes; 0 for an unknown type or size.
size_t FrameBytes(int32_t type, int width, int height);

// The FFmpeg view of a frame of |type| at |bytes|: pixel format, planes and
// their line sizes. False for an unknown type.
bool DescribeFrame(int32_t type, const uint8_t* bytes, int width, int height, AVPixelFormat* format,
                   const uint8_t* planes[4], int lineSizes[4]);

}  // namespace decoder_ffmpeg

#endif
