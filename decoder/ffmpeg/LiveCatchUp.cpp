#include "LiveCatchUp.h"

namespace decoder_ffmpeg {

bool StartsKeyPicture(AVCodecID codec, uint8_t unit) {
  switch (codec) {
    case AV_CODEC_ID_H264: {
      const int type = unit & 0x1F;
      return type == 5 || type == 7;  // an IDR slice, a sequence parameter set
    }
    case AV_CODEC_ID_HEVC: {
      const int type = (unit >> 1) & 0x3F;
      return type == 19 || type == 20 || (type >= 32 && type <= 34);  // IDR, VPS/SPS/PPS
    }
    case AV_CODEC_ID_MPEG1VIDEO:
    case AV_CODEC_ID_MPEG2VIDEO:
      return unit == 0xB3 || unit == 0xB8;  // sequence header, group of pictures
    case AV_CODEC_ID_MPEG4:
      return unit == 0xB0 || unit == 0xB3;  // visual object sequence, group of VOPs
    default:
      return false;
  }
}

bool HoldsKeyPictureStart(AVCodecID codec, const uint8_t* data, size_t size) {
  for (size_t i = 3; i < size; ++i) {
    if (data[i - 1] == 1 && data[i - 2] == 0 && data[i - 3] == 0 &&
        StartsKeyPicture(codec, data[i]))
      return true;
  }
  return false;
}

bool LiveCatchUp::Skips(AVCodecID codec, const uint8_t* data, size_t size, int64_t ageMicros,
                        const std::function<bool()>& keyWaiting) {
  if (!skipping_ && ageMicros <= kBehindMicros) return false;
  if (HoldsKeyPictureStart(codec, data, size)) {
    skipping_ = false;
    return false;
  }
  if (!skipping_) skipping_ = ageMicros > kFarBehindMicros || keyWaiting();
  return skipping_;
}

}  // namespace decoder_ffmpeg
