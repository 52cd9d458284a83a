// A swscale context kept for the conversion last asked for.
#ifndef M4_FFMPEG_CACHED_SCALER_H
#define M4_FFMPEG_CACHED_SCALER_H

extern "C" {
#include <libavutil/pixfmt.h>
}

struct SwsContext;

namespace decoder_ffmpeg {

struct Conversion {
  int sourceWidth = 0;
  int sourceHeight = 0;
  AVPixelFormat sourceFormat = AV_PIX_FMT_NONE;
  int targetWidth = 0;
  int targetHeight = 0;
  AVPixelFormat targetFormat = AV_PIX_FMT_NONE;
  int flags = 0;

  bool operator==(const Conversion& other) const;
};

// sws_getCachedContext cannot serve: a context rewrites some of the formats
// it was made for (BGR0 is BGRA inside it, a full-range YUV its plain twin),
// so its comparison fails and the context is built anew for every picture.
// This one compares what was asked for.
class CachedScaler {
 public:
  CachedScaler() = default;
  ~CachedScaler();
  CachedScaler(CachedScaler&& other) noexcept;
  CachedScaler& operator=(CachedScaler&& other) noexcept;
  CachedScaler(const CachedScaler&) = delete;
  CachedScaler& operator=(const CachedScaler&) = delete;

  // Null when swscale cannot do the conversion.
  SwsContext* For(const Conversion& conversion);

 private:
  SwsContext* context_ = nullptr;
  Conversion made_;
};

}  // namespace decoder_ffmpeg

#endif
