// Turns decoded pictures (whatever the codec's pixel format) into one
// contiguous YV12 block, the layout the display callback hands out.
#ifndef M4_FFMPEG_YV12_CONVERTER_H
#define M4_FFMPEG_YV12_CONVERTER_H

#include <cstdint>
#include <vector>

#include "CachedScaler.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

namespace decoder_ffmpeg {

class Yv12Converter {
 public:
  // False when the picture cannot be converted; |out| is then left empty.
  bool Convert(const AVFrame& frame, std::vector<uint8_t>* out);
  // The same from raw planes in any pixel format.
  bool Convert(AVPixelFormat format, const uint8_t* const planes[4], const int lineSizes[4],
               int width, int height, std::vector<uint8_t>* out);

 private:
  CachedScaler scaler_;
};

}  // namespace decoder_ffmpeg

#endif
