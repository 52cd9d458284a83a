#include "Port.h"

#include <new>
#include <system_error>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "ErrorCode.h"
#include "PortStream.h"
#include "StreamFormat.h"

namespace decoder_ffmpeg {
namespace {

constexpr uint32_t kMinSourceBuffer = 1024;
constexpr uint32_t kMaxSourceBuffer = 64u << 20;

bool DecoderExists(const std::string& name) {
  return name.empty() || avcodec_find_decoder_by_name(name.c_str()) != nullptr;
}

bool Supported(const streamformat::StreamHeader& header) {
  return av_find_input_format(header.container.c_str()) != nullptr &&
         DecoderExists(header.videoCodec) && DecoderExists(header.audioCodec);
}

}  // namespace

Port::Port() = default;
Port::~Port() = default;

template <typename Action>
int32_t Port::WithStream(Action&& action) {
  std::lock_guard<std::mutex> lock(stateMutex_);
  if (!stream_) return kWrongOrder;
  return action(*stream_);
}

template <typename Action>
int32_t Port::WithPlayingStream(Action&& action) {
  return WithStream([&](PortStream& stream) -> int32_t {
    if (!stream.Presentation().Playing()) return kWrongOrder;
    return action(stream);
  });
}

int32_t Port::SetOpenMode(int32_t mode) {
  if (mode != 0 && mode != 1) return kInvalidArgument;
  std::lock_guard<std::mutex> lock(stateMutex_);
  if (stream_) return kWrongOrder;
  openMode_ = mode;
  return kNoError;
}

int32_t Port::Open(const uint8_t* header, uint32_t headerSize, uint32_t bufferSize) {
  if (headerSize > 0 && header == nullptr) return kInvalidArgument;
  if (bufferSize < kMinSourceBuffer || bufferSize > kMaxSourceBuffer) return kInvalidArgument;
  StreamOptions options;
  options.port = number_;
  options.bufferSize = bufferSize;
  const uint8_t* leading = nullptr;
  uint32_t leadingSize = 0;
  if (headerSize > 0) {
    streamformat::StreamHeader parsed;
    switch (streamformat::DecodeStreamHeader(header, headerSize, &parsed)) {
      case streamformat::HeaderKind::kHeader:
        if (!Supported(parsed)) return kDecoderInitFailed;
        options.header = parsed;
        // Whatever follows the record is the start of the payload.
        leading = header + streamformat::kStreamHeaderLength;
        leadingSize = headerSize - streamformat::kStreamHeaderLength;
        break;
      case streamformat::HeaderKind::kStreamStart:
        leading = header;
        leadingSize = headerSize;
        break;
      case streamformat::HeaderKind::kMalformed:
        return kNoHeader;
    }
  }
  if (leadingSize > bufferSize) return kInvalidArgument;

  {
    // Refused before waiting for a close in progress: the caller may be
    // this port's own callback, whose thread that close is waiting for.
    std::lock_guard<std::mutex> lock(stateMutex_);
    if (stream_ || closing_) return kWrongOrder;
  }
  std::lock_guard<std::mutex> lifecycle(lifecycleMutex_);
  std::lock_guard<std::mutex> lock(stateMutex_);
  if (stream_) return kWrongOrder;
  options.live = openMode_ == 0;
  try {
    stream_ = std::make_unique<PortStream>(options, settings_, callback_, soundOn_, volume_);
  } catch (const std::bad_alloc&) {
    return kOutOfMemory;
  } catch (const std::system_error&) {
    return kThreadCreationFailed;
  }
  if (leadingSize > 0) stream_->Source().Write(leading, leadingSize);
  return kNoError;
}

int32_t Port::Play(WindowHandle window) {
  return WithStream([&](PortStream& stream) {
    stream.Presentation().Play(window);
    return kNoError;
  });
}

int32_t Port::Input(const uint8_t* data, uint32_t size) {
  if (data == nullptr || size == 0) return kInvalidArgument;
  return WithStream([&](PortStream& stream) -> int32_t {
    // A block larger than the whole buffer could never be taken.
    if (size > stream.Source().Capacity()) return kInvalidArgument;
    if (stream.Source().Write(data, size, stream.Presentation().Showing())) return kNoError;
    return stream.Source().Unrecognised() ? kStreamUnrecognised : kBufferFull;
  });
}

int32_t Port::Stop() {
  return WithStream([&](PortStream& stream) {
    stream.Presentation().Stop();
    return kNoError;
  });
}

int32_t Port::Close() {
  {
    std::lock_guard<std::mutex> lock(stateMutex_);
    if (!stream_) return kWrongOrder;
    // Joining our own thread would never end.
    if (stream_->OnOwnThread()) return kWrongOrder;
  }
  std::lock_guard<std::mutex> lifecycle(lifecycleMutex_);
  std::unique_ptr<PortStream> closed;
  {
    std::lock_guard<std::mutex> lock(stateMutex_);
    if (!stream_) return kWrongOrder;
    closed = std::move(stream_);
    closing_ = true;
  }
  closed.reset();
  std::lock_guard<std::mutex> lock(stateMutex_);
  closing_ = false;
  return kNoError;
}

int32_t Port::Pause(uint32_t pause) {
  return WithPlayingStream([&](PortStream& stream) {
    stream.Presentation().Pause(pause != 0);
    return kNoError;
  });
}

int32_t Port::ChangeSpeed(int step) {
  return WithPlayingStream([&](PortStream& stream) {
    stream.Presentation().ChangeSpeed(step);
    return kNoError;
  });
}

int32_t Port::Step() {
  return WithPlayingStream([&](PortStream& stream) {
    stream.Presentation().Step();
    return kNoError;
  });
}

int32_t Port::SetDisplayCallback(M4DisplayCallback callback) {
  if (callback != nullptr) {
    std::lock_guard<std::mutex> lock(stateMutex_);
    if (!stream_) return kWrongOrder;
  }
  // Outside the state lock: this may wait for the callback in flight, which
  // may itself be calling into this port.
  callback_.Set(callback);
  if (callback != nullptr) {
    std::lock_guard<std::mutex> lock(stateMutex_);
    if (stream_) stream_->Presentation().Redeliver();
  }
  return kNoError;
}

int32_t Port::Refresh() {
  return WithStream([&](PortStream& stream) {
    stream.Presentation().Refresh();
    return kNoError;
  });
}

int32_t Port::SetDisplayRegion(uint32_t region, const RECT* rect, WindowHandle window, int enable) {
  if (region != 1) return kInvalidArgument;
  if (enable != 0 && (rect == nullptr || rect->left < 0 || rect->top < 0 ||
                      rect->right <= rect->left || rect->bottom <= rect->top)) {
    return kInvalidArgument;
  }
  return WithStream([&](PortStream& stream) {
    stream.Presentation().SetRegion(enable != 0 ? *rect : RECT{}, window, enable != 0);
    return kNoError;
  });
}

int32_t Port::GetPictureSize(int32_t* width, int32_t* height) {
  if (width == nullptr || height == nullptr) return kInvalidArgument;
  return WithStream([&](PortStream& stream) {
    return stream.PictureSize().Get(width, height) ? kNoError : kWrongOrder;
  });
}

int32_t Port::SetQuality(int32_t quality) {
  if (quality < 0) return kInvalidArgument;
  settings_.quality.store(quality);
  return kNoError;
}

int32_t Port::SetThrowLevel(uint32_t level) {
  if (level > kMaxThrowLevel) return kInvalidArgument;
  settings_.throwLevel.store(level);
  return kNoError;
}

int32_t Port::ResetSource() {
  return WithStream([&](PortStream& stream) {
    stream.ResetSource();
    return kNoError;
  });
}

int32_t Port::SourceRemain(uint32_t* bytes) {
  *bytes = 0;
  return WithStream([&](PortStream& stream) {
    *bytes = static_cast<uint32_t>(stream.Source().Remain());
    return kNoError;
  });
}

}  // namespace decoder_ffmpeg
