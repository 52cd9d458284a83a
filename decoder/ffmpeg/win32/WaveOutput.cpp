#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <array>
#include <vector>

#include "AudioOutput.h"

namespace decoder_ffmpeg {
namespace {

// Program streams may carry sound well ahead of the pictures it goes with:
// half a second in flight, in buffers of 50 ms.
constexpr size_t kBufferFrames = kOutputRate / 20;
constexpr size_t kBufferCount = 10;

class WaveOutput final : public AudioOutput {
 public:
  WaveOutput() {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = kOutputChannels;
    format.nSamplesPerSec = kOutputRate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = kOutputChannels * sizeof(int16_t);
    format.nAvgBytesPerSec = kOutputRate * format.nBlockAlign;
    if (waveOutOpen(&device_, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
      device_ = nullptr;
      return;
    }
    for (size_t i = 0; i < kBufferCount; ++i) {
      samples_[i].resize(kBufferFrames * kOutputChannels);
      headers_[i].lpData = reinterpret_cast<LPSTR>(samples_[i].data());
      headers_[i].dwBufferLength = 0;
      // Free until first written: done, as the device leaves a played one.
      headers_[i].dwFlags = WHDR_DONE;
    }
  }
  ~WaveOutput() override {
    if (device_ == nullptr) return;
    waveOutReset(device_);  // returns every queued buffer
    for (WAVEHDR& header : headers_) {
      if ((header.dwFlags & WHDR_PREPARED) != 0) {
        waveOutUnprepareHeader(device_, &header, sizeof header);
      }
    }
    waveOutClose(device_);
  }

  void Write(const int16_t* interleaved, size_t frames) override {
    if (device_ == nullptr) return;
    while (frames > 0) {
      WAVEHDR* header = FreeHeader();
      if (header == nullptr) return;  // the device is full: dropped
      const size_t taken = std::min(frames, kBufferFrames);
      const size_t values = taken * kOutputChannels;
      std::copy(interleaved, interleaved + values, reinterpret_cast<int16_t*>(header->lpData));
      if ((header->dwFlags & WHDR_PREPARED) != 0) {
        waveOutUnprepareHeader(device_, header, sizeof *header);
      }
      header->dwBufferLength = static_cast<DWORD>(values * sizeof(int16_t));
      header->dwFlags = 0;
      if (waveOutPrepareHeader(device_, header, sizeof *header) != MMSYSERR_NOERROR ||
          waveOutWrite(device_, header, sizeof *header) != MMSYSERR_NOERROR) {
        header->dwFlags |= WHDR_DONE;
        return;
      }
      interleaved += values;
      frames -= taken;
    }
  }

 private:
  // The device sets WHDR_DONE from its own thread once it has played a buffer.
  WAVEHDR* FreeHeader() {
    for (WAVEHDR& header : headers_) {
      if ((static_cast<volatile DWORD&>(header.dwFlags) & WHDR_DONE) != 0) return &header;
    }
    return nullptr;
  }

  HWAVEOUT device_ = nullptr;
  std::array<WAVEHDR, kBufferCount> headers_{};
  std::array<std::vector<int16_t>, kBufferCount> samples_;
};

}  // namespace

std::unique_ptr<AudioOutput> MakeDeviceOutput() { return std::make_unique<WaveOutput>(); }

}  // namespace decoder_ffmpeg
