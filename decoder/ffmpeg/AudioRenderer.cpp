#include "AudioRenderer.h"

#include <algorithm>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include "AudioOutput.h"

namespace decoder_ffmpeg {

void ScaleSamples(int16_t* samples, size_t count, uint16_t volume) {
  if (volume == UINT16_MAX) return;
  for (size_t i = 0; i < count; ++i) {
    samples[i] = static_cast<int16_t>((static_cast<int32_t>(samples[i]) * volume) / UINT16_MAX);
  }
}

AudioRenderer::AudioRenderer(const std::atomic<bool>& soundOn, const std::atomic<uint16_t>& volume)
    : soundOn_(soundOn), volume_(volume) {}

AudioRenderer::~AudioRenderer() { swr_free(&resampler_); }

void AudioRenderer::Render(const AVFrame& samples) {
  const uint64_t layoutKey = samples.ch_layout.order == AV_CHANNEL_ORDER_NATIVE
                                 ? samples.ch_layout.u.mask
                                 : static_cast<uint64_t>(samples.ch_layout.nb_channels);
  if (resampler_ == nullptr || resamplerRate_ != samples.sample_rate ||
      resamplerFormat_ != samples.format || resamplerLayout_ != layoutKey) {
    swr_free(&resampler_);
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    AVChannelLayout input{};
    if (av_channel_layout_copy(&input, &samples.ch_layout) < 0) return;
    if (swr_alloc_set_opts2(&resampler_, &stereo, AV_SAMPLE_FMT_S16, kOutputRate, &input,
                            static_cast<AVSampleFormat>(samples.format), samples.sample_rate, 0,
                            nullptr) < 0 ||
        swr_init(resampler_) < 0) {
      av_channel_layout_uninit(&input);
      swr_free(&resampler_);
      return;
    }
    av_channel_layout_uninit(&input);
    resamplerRate_ = samples.sample_rate;
    resamplerFormat_ = samples.format;
    resamplerLayout_ = layoutKey;
  }
  const int capacity = swr_get_out_samples(resampler_, samples.nb_samples);
  if (capacity <= 0) return;
  converted_.resize(static_cast<size_t>(capacity) * kOutputChannels);
  auto* out = reinterpret_cast<uint8_t*>(converted_.data());
  const int frames =
      swr_convert(resampler_, &out, capacity, const_cast<const uint8_t**>(samples.extended_data),
                  samples.nb_samples);
  if (frames <= 0) return;
  const size_t count = static_cast<size_t>(frames) * kOutputChannels;
  ScaleSamples(converted_.data(), count, volume_.load());
  if (!output_) output_ = MakeAudioOutput();
  output_->Write(converted_.data(), static_cast<size_t>(frames));
}

}  // namespace decoder_ffmpeg
