#include "CachedScaler.h"

#include <utility>

extern "C" {
#include <libswscale/swscale.h>
}

namespace decoder_ffmpeg {

bool Conversion::operator==(const Conversion& other) const {
  return sourceWidth == other.sourceWidth && sourceHeight == other.sourceHeight &&
         sourceFormat == other.sourceFormat && targetWidth == other.targetWidth &&
         targetHeight == other.targetHeight && targetFormat == other.targetFormat &&
         flags == other.flags;
}

CachedScaler::~CachedScaler() { sws_freeContext(context_); }

CachedScaler::CachedScaler(CachedScaler&& other) noexcept
    : context_(std::exchange(other.context_, nullptr)), made_(other.made_) {}

CachedScaler& CachedScaler::operator=(CachedScaler&& other) noexcept {
  if (this != &other) {
    sws_freeContext(context_);
    context_ = std::exchange(other.context_, nullptr);
    made_ = other.made_;
  }
  return *this;
}

SwsContext* CachedScaler::For(const Conversion& conversion) {
  if (context_ != nullptr && conversion == made_) return context_;
  sws_freeContext(context_);
  context_ =
      sws_getContext(conversion.sourceWidth, conversion.sourceHeight, conversion.sourceFormat,
                     conversion.targetWidth, conversion.targetHeight, conversion.targetFormat,
                     conversion.flags, nullptr, nullptr, nullptr);
  made_ = conversion;
  return context_;
}

}  // namespace decoder_ffmpeg
