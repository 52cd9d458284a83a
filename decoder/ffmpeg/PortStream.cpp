#include "PortStream.h"

#include <system_error>

namespace decoder_ffmpeg {
namespace {

// Live streams keep latency low: a picture is decoded as soon as there is
// room. Files smooth out decoding time, and are decoded four pictures at a
// time.
constexpr size_t kLiveQueuedPictures = 2;
constexpr size_t kLiveRefillAt = kLiveQueuedPictures - 1;
constexpr size_t kFileQueuedPictures = 6;
constexpr size_t kFileRefillAt = 2;

// An exception (memory exhausted) must not leave a thread of ours: it would
// end the client's process. The port stops decoding or showing instead.
template <typename Body>
void Guarded(Body&& body) {
  try {
    body();
  } catch (...) {
  }
}

std::unique_ptr<WindowOutput> MadeWindowOutput() {
  std::unique_ptr<WindowOutput> output = MakeWindowOutput();
  if (!output) {
    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again),
                            "wakeup");
  }
  return output;
}

}  // namespace

PortStream::PortStream(const StreamOptions& options, const DecoderSettings& settings,
                       DisplayCallbackSlot& callback, const std::atomic<bool>& soundOn,
                       const std::atomic<uint16_t>& volume)
    : clock_(MakeClockFromEnvironment()),
      output_(MadeWindowOutput()),
      source_(options.bufferSize, clock_.get()),
      pictures_(options.live ? kLiveQueuedPictures : kFileQueuedPictures,
                options.live ? kLiveRefillAt : kFileRefillAt,
                [this, live = options.live](bool wasEmpty) {
                  // A live picture may make the one waiting to be shown
                  // late, to be dropped. A file's presenter, holding its
                  // next picture until its time, waits only for a picture
                  // into an empty queue.
                  if (live || wasEmpty) output_->Wake();
                }),
      audio_(soundOn, volume),
      decoder_(
          source_, pictures_, settings, options.header, options.live, pictureSize_, audio_,
          [this] { return presenter_.Showing(); }, [this] { return presenter_.CatchingUp(); }),
      presenter_(
          options.port, options.live, pictures_, [this] { return source_.Unread() > 0; }, *clock_,
          *output_, callback) {
  decoderThread_ = std::thread([this] { Guarded([this] { decoder_.Run(); }); });
  try {
    presenterThread_ = std::thread([this] { Guarded([this] { presenter_.Run(); }); });
  } catch (...) {
    source_.Close();
    pictures_.Close();
    decoderThread_.join();
    throw;
  }
}

PortStream::~PortStream() {
  source_.Close();
  pictures_.Close();
  presenter_.Quit();
  decoderThread_.join();
  presenterThread_.join();
}

void PortStream::ResetSource() {
  ++generation_;
  // The queue first: a picture decoded from old data can then no longer
  // get in once the decoder starts on the new generation.
  pictures_.Clear(generation_);
  source_.Reset(generation_);
  presenter_.Reset(generation_);
}

bool PortStream::OnOwnThread() const {
  const std::thread::id self = std::this_thread::get_id();
  return self == decoderThread_.get_id() || self == presenterThread_.get_id();
}

}  // namespace decoder_ffmpeg
