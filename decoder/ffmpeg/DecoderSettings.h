// What the client has asked of a port's decoding; read by the decoder thread
// before every packet, so changes apply from the next picture on.
#ifndef M4_FFMPEG_DECODER_SETTINGS_H
#define M4_FFMPEG_DECODER_SETTINGS_H

#include <atomic>
#include <cstdint>

namespace decoder_ffmpeg {

// PlayM4_ThrowBFrameNum: 0 decode all, 1 skip non-reference pictures,
// 2 skip every bidirectionally predicted picture.
constexpr uint32_t kMaxThrowLevel = 2;
// PlayM4_SetPicQuality: 0 fast (no loop filter, fast decoder shortcuts),
// 1 and above full quality.
constexpr int32_t kFastQuality = 0;
constexpr int32_t kDefaultQuality = 1;

struct DecoderSettings {
  std::atomic<uint32_t> throwLevel{0};
  std::atomic<int32_t> quality{kDefaultQuality};
};

}  // namespace decoder_ffmpeg

#endif
