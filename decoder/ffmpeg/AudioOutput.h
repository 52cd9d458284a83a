// Where a port's sound goes: 16-bit interleaved stereo at 48 kHz. The
// system's device normally; the file named by KELO_M4_AUDIO_FILE instead
// when that variable is set (raw samples appended, for checking what would
// be heard; AudioOutput.cpp). One declaration; one device per system, each
// in its system's folder: posix/AlsaOutput.cpp (ALSA's "default"),
// win32/WaveOutput.cpp (the wave mapper).
//
// Threads: an output is used by one thread at a time (the port's decoder
// thread).
#ifndef M4_FFMPEG_AUDIO_OUTPUT_H
#define M4_FFMPEG_AUDIO_OUTPUT_H

#include <cstddef>
#include <cstdint>
#include <memory>

namespace decoder_ffmpeg {

constexpr int kOutputRate = 48000;
constexpr int kOutputChannels = 2;

class AudioOutput {
 public:
  virtual ~AudioOutput() = default;
  // Plays |frames| frames of kOutputChannels samples each. Never blocks:
  // what the device cannot take at once is dropped, so sound never holds up
  // video; without a device everything is.
  virtual void Write(const int16_t* interleaved, size_t frames) = 0;
};

// The file output when KELO_M4_AUDIO_FILE names one, else the device.
std::unique_ptr<AudioOutput> MakeAudioOutput();
// The system's device, which drops the samples when there is none.
std::unique_ptr<AudioOutput> MakeDeviceOutput();

}  // namespace decoder_ffmpeg

#endif
