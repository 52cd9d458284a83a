// The latency benchmark's camera: numbered pictures encoded as an IP camera
// encodes them for live viewing (H.264 without B-frames, a key picture every
// second, x264's zero-latency tuning: each picture's packet comes out as the
// picture goes in). Shared by the sender and the screen reader's self-check,
// so that the check reads what the benchmark sends.
#ifndef KELO_BENCH_LATENCY_CAMERA_ENCODER_H
#define KELO_BENCH_LATENCY_CAMERA_ENCODER_H

#include <cstdint>
#include <string>

#include "FfmpegOwners.h"

struct AVFrame;
struct AVPacket;

namespace latency {

struct CameraSettings {
  int width = 704;
  int height = 576;
  int rate = 25;  // pictures a second, as the time stamps say
  int64_t bitRate = 2000000;
};

class CameraEncoder {
 public:
  // Throws std::runtime_error when libavcodec has no H.264 encoder.
  explicit CameraEncoder(const CameraSettings& settings);
  ~CameraEncoder();
  CameraEncoder(const CameraEncoder&) = delete;
  CameraEncoder& operator=(const CameraEncoder&) = delete;

  // Fills |packet| with picture |number| encoded (its time stamp: |number|
  // picture intervals, in the context's time base); the caller unreferences
  // it. False, with |error| said, when the encoder fails.
  bool Encode(uint32_t number, AVPacket* packet, std::string* error);

  const AVCodecContext* Context() const { return codec_.get(); }

 private:
  decoder_ffmpeg::CodecContextOwner codec_;
  AVFrame* frame_ = nullptr;
};

}  // namespace latency

#endif  // KELO_BENCH_LATENCY_CAMERA_ENCODER_H
