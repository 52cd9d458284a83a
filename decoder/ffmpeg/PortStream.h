// Everything a port has while a stream is open: its source buffer, picture
// queue, clock, and the decoder and presenter threads. Destroying it stops
// both threads: the source and the queue are closed so that neither can stay
// blocked, whatever it was waiting for.
#ifndef M4_FFMPEG_PORT_STREAM_H
#define M4_FFMPEG_PORT_STREAM_H

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <thread>

#include "AudioRenderer.h"
#include "Clock.h"
#include "DecoderSettings.h"
#include "PictureQueue.h"
#include "Presenter.h"
#include "SourceBuffer.h"
#include "StreamDecoder.h"
#include "StreamFormat.h"
#include "WindowOutput.h"

namespace decoder_ffmpeg {

class DisplayCallbackSlot;

struct StreamOptions {
  int32_t port = 0;
  bool live = true;
  std::optional<streamformat::StreamHeader> header;
  uint32_t bufferSize = 0;
};

class PortStream {
 public:
  // Throws std::system_error when a thread cannot be started.
  PortStream(const StreamOptions& options, const DecoderSettings& settings,
             DisplayCallbackSlot& callback, const std::atomic<bool>& soundOn,
             const std::atomic<uint16_t>& volume);
  ~PortStream();
  PortStream(const PortStream&) = delete;
  PortStream& operator=(const PortStream&) = delete;

  SourceBuffer& Source() { return source_; }
  Presenter& Presentation() { return presenter_; }
  const PictureSizeRecord& PictureSize() const { return pictureSize_; }

  // Empties the source buffer; decoding starts afresh at the next data.
  void ResetSource();
  // True on the port's own threads, from which it cannot be closed.
  bool OnOwnThread() const;

 private:
  std::unique_ptr<Clock> clock_;
  // The presenter's, which the queue wakes it through.
  std::unique_ptr<WindowOutput> output_;
  SourceBuffer source_;
  PictureQueue pictures_;
  PictureSizeRecord pictureSize_;
  AudioRenderer audio_;
  StreamDecoder decoder_;
  Presenter presenter_;
  uint64_t generation_ = 0;
  std::thread decoderThread_;
  std::thread presenterThread_;
};

}  // namespace decoder_ffmpeg

#endif
