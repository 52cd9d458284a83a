// Where a port's decoded sound goes: converted to 16-bit stereo at 48 kHz,
// scaled by the volume and written to the audio output, while the port's
// sound is on (PlayM4_PlaySound selects one port; PlayM4_StopSound none).
#ifndef M4_FFMPEG_AUDIO_RENDERER_H
#define M4_FFMPEG_AUDIO_RENDERER_H

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

extern "C" {
#include <libavutil/frame.h>
}

struct SwrContext;

namespace decoder_ffmpeg {

class AudioOutput;

// Linear: 65535 passes samples unchanged, 32767 halves them.
void ScaleSamples(int16_t* samples, size_t count, uint16_t volume);

class AudioRenderer {
 public:
  AudioRenderer(const std::atomic<bool>& soundOn, const std::atomic<uint16_t>& volume);
  ~AudioRenderer();
  AudioRenderer(const AudioRenderer&) = delete;
  AudioRenderer& operator=(const AudioRenderer&) = delete;

  bool Active() const { return soundOn_.load(); }
  // Called on the decoder thread only.
  void Render(const AVFrame& samples);

 private:
  const std::atomic<bool>& soundOn_;
  const std::atomic<uint16_t>& volume_;
  SwrContext* resampler_ = nullptr;
  int resamplerRate_ = 0;
  int resamplerFormat_ = -1;
  uint64_t resamplerLayout_ = 0;
  std::vector<int16_t> converted_;
  std::unique_ptr<AudioOutput> output_;
};

}  // namespace decoder_ffmpeg

#endif
