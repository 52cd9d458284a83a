#include "SourceBuffer.h"

#include <algorithm>
#include <cstring>

#include "Clock.h"
#include "StreamFormat.h"

namespace decoder_ffmpeg {

namespace {

constexpr size_t kMinHandOverBytes = 1u << 20;
// A client writing byte by byte would otherwise note an arrival per byte;
// beyond this many, a block's arrival counts for the block before it too.
constexpr size_t kMaxArrivals = 1024;

}  // namespace

SourceBuffer::SourceBuffer(size_t capacity, Clock* clock)
    : SourceBuffer(capacity, std::max(capacity, kMinHandOverBytes), clock) {}

SourceBuffer::SourceBuffer(size_t capacity, size_t handOverLimit, Clock* clock)
    : capacity_(capacity),
      handOverLimit_(handOverLimit),
      storageSize_(capacity + handOverLimit),
      storage_(new uint8_t[storageSize_]),
      clock_(clock) {}

bool SourceBuffer::Write(const uint8_t* data, size_t size, bool handOver) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_ || unrecognised_ || size > capacity_) return false;
    const uint64_t inRing = written_ - read_ - handedOver_;
    if (size > capacity_ - inRing) {
      if (!handOver || handedOver_ + inRing > handOverLimit_) return false;
      handedOver_ += inRing;
    }
    const size_t offset = static_cast<size_t>(written_ % storageSize_);
    const size_t first = std::min(size, storageSize_ - offset);
    std::memcpy(storage_.get() + offset, data, first);
    std::memcpy(storage_.get(), data + first, size - first);
    written_ += size;
    NoteTail(data, size);
    NoteArrival();
  }
  dataArrived_.notify_all();
  return true;
}

// The marker may arrive split over several blocks, and its first bytes may
// already have been read as stream data by then; the demuxer skips such
// stray bytes as it would any garbage.
void SourceBuffer::NoteTail(const uint8_t* data, size_t size) {
  const size_t keep = tail_.size();
  if (size >= keep) {
    std::memcpy(tail_.data(), data + size - keep, keep);
    tailLength_ = keep;
  } else {
    const size_t shift = std::min(tailLength_ + size, keep) - size;
    std::memmove(tail_.data(), tail_.data() + tailLength_ - shift, shift);
    std::memcpy(tail_.data() + shift, data, size);
    tailLength_ = shift + size;
  }
  if (tailLength_ == keep &&
      std::equal(tail_.begin(), tail_.end(), streamformat::kEndOfStreamMarker.begin())) {
    endMarks_.push_back(EndMark{std::max(written_ - keep, read_), written_});
    tailLength_ = 0;
  }
}

void SourceBuffer::NoteArrival() {
  if (clock_ == nullptr) return;
  const int64_t now = clock_->NowMicros();
  if (arrivals_.size() >= kMaxArrivals) {
    arrivals_.back() = Arrival{written_, now};
  } else {
    arrivals_.push_back(Arrival{written_, now});
  }
}

int64_t SourceBuffer::UnreadAgeMicros() const {
  std::lock_guard<std::mutex> lock(mutex_);
  // The block holding byte read_ is the first that ends after it.
  for (const Arrival& arrival : arrivals_) {
    if (arrival.end > read_) return clock_->NowMicros() - arrival.micros;
  }
  return 0;
}

bool SourceBuffer::UnreadHoldsUnit(const std::function<bool(uint8_t)>& wanted) const {
  std::lock_guard<std::mutex> lock(mutex_);
  uint32_t last3 = 0xFFFFFF;  // the three bytes before, as they come
  uint64_t at = read_;
  while (at < written_) {
    const size_t offset = static_cast<size_t>(at % storageSize_);
    const size_t span =
        static_cast<size_t>(std::min<uint64_t>(written_ - at, storageSize_ - offset));
    const uint8_t* bytes = storage_.get() + offset;
    for (size_t i = 0; i < span; ++i) {
      if (last3 == 0x000001 && wanted(bytes[i])) return true;
      last3 = ((last3 << 8) | bytes[i]) & 0xFFFFFF;
    }
    at += span;
  }
  return false;
}

size_t SourceBuffer::Remain() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<size_t>(written_ - read_ - handedOver_);
}

size_t SourceBuffer::Unread() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<size_t>(written_ - read_);
}

SourceBuffer::ReadResult SourceBuffer::Read(uint8_t* out, size_t size, uint64_t generation,
                                            std::chrono::milliseconds idleTimeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  auto ready = [&] {
    return closed_ || generation_ != generation || written_ != read_ || !endMarks_.empty();
  };
  if (idleTimeout.count() < 0) {
    dataArrived_.wait(lock, ready);
  } else if (!dataArrived_.wait_for(lock, idleTimeout, ready)) {
    return ReadResult{ReadStatus::kIdle, 0};
  }
  if (closed_ || generation_ != generation) return ReadResult{ReadStatus::kInterrupted, 0};

  uint64_t readable = written_;
  if (!endMarks_.empty()) {
    if (endMarks_.front().endAt == read_) {
      handedOver_ -= std::min(handedOver_, endMarks_.front().resumeAt - read_);
      read_ = endMarks_.front().resumeAt;
      endMarks_.pop_front();
      return ReadResult{ReadStatus::kEndOfStream, 0};
    }
    readable = endMarks_.front().endAt;
  }
  const size_t count = static_cast<size_t>(std::min<uint64_t>(size, readable - read_));
  const size_t offset = static_cast<size_t>(read_ % storageSize_);
  const size_t first = std::min(count, storageSize_ - offset);
  std::memcpy(out, storage_.get() + offset, first);
  std::memcpy(out + first, storage_.get(), count - first);
  read_ += count;
  handedOver_ -= std::min<uint64_t>(handedOver_, count);
  while (!arrivals_.empty() && arrivals_.front().end <= read_) arrivals_.pop_front();
  return ReadResult{ReadStatus::kData, count};
}

void SourceBuffer::Reset(uint64_t generation) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    written_ = 0;
    read_ = 0;
    handedOver_ = 0;
    endMarks_.clear();
    tailLength_ = 0;
    unrecognised_ = false;
    arrivals_.clear();
    generation_ = generation;
  }
  dataArrived_.notify_all();
}

void SourceBuffer::MarkUnrecognised(uint64_t generation) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (generation == generation_) unrecognised_ = true;
}

bool SourceBuffer::Unrecognised() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return unrecognised_;
}

void SourceBuffer::Close() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
  }
  dataArrived_.notify_all();
}

bool SourceBuffer::Closed() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return closed_;
}

uint64_t SourceBuffer::Generation() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return generation_;
}

}  // namespace decoder_ffmpeg
