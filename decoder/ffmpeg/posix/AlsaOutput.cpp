#include "AudioOutput.h"

#include <alsa/asoundlib.h>

namespace decoder_ffmpeg {
namespace {

// Program streams may carry sound well ahead of the pictures it goes with.
constexpr unsigned kDeviceLatencyMicros = 500000;

class AlsaOutput final : public AudioOutput {
 public:
  AlsaOutput() {
    if (snd_pcm_open(&pcm_, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) {
      pcm_ = nullptr;
      return;
    }
    if (snd_pcm_set_params(pcm_, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED,
                           kOutputChannels, kOutputRate, 1, kDeviceLatencyMicros) < 0) {
      snd_pcm_close(pcm_);
      pcm_ = nullptr;
    }
  }
  ~AlsaOutput() override {
    if (pcm_ != nullptr) snd_pcm_close(pcm_);
  }

  void Write(const int16_t* interleaved, size_t frames) override {
    if (pcm_ == nullptr) return;
    const snd_pcm_sframes_t written = snd_pcm_writei(pcm_, interleaved, frames);
    // An underrun leaves the device stopped until prepared again.
    if (written == -EPIPE || written == -ESTRPIPE)
      snd_pcm_recover(pcm_, static_cast<int>(written), 1);
  }

 private:
  snd_pcm_t* pcm_ = nullptr;
};

// ALSA reports a missing device on stderr; a headless machine is normal here.
void SilenceAlsaErrors(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

std::unique_ptr<AudioOutput> MakeDeviceOutput() {
  snd_lib_error_set_handler(&SilenceAlsaErrors);
  return std::make_unique<AlsaOutput>();
}

}  // namespace decoder_ffmpeg
