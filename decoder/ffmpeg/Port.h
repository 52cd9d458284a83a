// One of the ports (PortCount.h): its settings, which outlive streams, and the stream
// open on it. Each operation answers kNoError or the error code to record.
//
// Locking: stateMutex_ guards stream_ and is held only briefly, never while
// waiting for the port's threads, so that a display callback may call back
// into the library. lifecycleMutex_ serialises opening and closing and is
// held while a closing stream's threads finish.
#ifndef M4_FFMPEG_PORT_H
#define M4_FFMPEG_PORT_H

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "DecoderSettings.h"
#include "DisplayCallbackSlot.h"
#include "m4playerApi.h"

namespace decoder_ffmpeg {

class PortStream;

class Port {
 public:
  Port();
  ~Port();
  Port(const Port&) = delete;
  Port& operator=(const Port&) = delete;

  void SetNumber(int32_t number) { number_ = number; }

  int32_t SetOpenMode(int32_t mode);
  int32_t Open(const uint8_t* header, uint32_t headerSize, uint32_t bufferSize);
  int32_t Play(WindowHandle window);
  int32_t Input(const uint8_t* data, uint32_t size);
  int32_t Stop();
  int32_t Close();
  int32_t Pause(uint32_t pause);
  int32_t ChangeSpeed(int step);
  int32_t Step();
  int32_t SetDisplayCallback(M4DisplayCallback callback);
  int32_t Refresh();
  int32_t SetDisplayRegion(uint32_t region, const RECT* rect, WindowHandle window, int enable);
  int32_t GetPictureSize(int32_t* width, int32_t* height);
  int32_t SetQuality(int32_t quality);
  int32_t SetThrowLevel(uint32_t level);
  int32_t ResetSource();
  int32_t SourceRemain(uint32_t* bytes);

  void SetSoundOn(bool on) { soundOn_.store(on); }
  void SetVolume(uint16_t volume) { volume_.store(volume); }

 private:
  // Runs |action| on the open stream under the state lock, or answers
  // kWrongOrder when none is open.
  template <typename Action>
  int32_t WithStream(Action&& action);
  // The same, for a stream that has been started with Play.
  template <typename Action>
  int32_t WithPlayingStream(Action&& action);

  int32_t number_ = 0;
  std::mutex lifecycleMutex_;
  std::mutex stateMutex_;
  std::unique_ptr<PortStream> stream_;
  bool closing_ = false;  // a stream's threads are being waited for
  int32_t openMode_ = 0;
  DecoderSettings settings_;
  DisplayCallbackSlot callback_;
  std::atomic<bool> soundOn_{false};
  std::atomic<uint16_t> volume_{UINT16_MAX};
};

}  // namespace decoder_ffmpeg

#endif
