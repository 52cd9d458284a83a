// The sound device: 16-bit interleaved stereo at 48 kHz. The system's
// device normally (ALSA's "default" in AlsaOutput.cpp, the wave mapper in
// WaveOutput.cpp); the file named by KELO_M4_AUDIO_FILE instead when that
// variable is set (raw samples appended, for checking what would be heard).
// Without a device the samples are dropped. Writing never blocks: what the
// device cannot take at once is dropped too, so sound never holds up video.
#ifndef M4_FFMPEG_AUDIO_OUTPUT_H
#define M4_FFMPEG_AUDIO_OUTPUT_H

#include <cstddef>
#include <cstdint>
#include <memory>

namespace m4 {

constexpr int kOutputRate = 48000;
constexpr int kOutputChannels = 2;

class AudioOutput {
 public:
  virtual ~AudioOutput() = default;
  virtual void Write(const int16_t* interleaved, size_t frames) = 0;
};

std::unique_ptr<AudioOutput> MakeAudioOutput();
// The system's device, which drops the samples when there is none.
std::unique_ptr<AudioOutput> MakeDeviceOutput();

}  // namespace m4

#endif
