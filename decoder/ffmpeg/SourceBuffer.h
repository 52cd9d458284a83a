// The bytes a port has been given and not yet demultiplexed: a ring of
// exactly the size given to PlayM4_OpenStream. The sender never waits; the
// decoder thread waits for data here and is woken by a reset or a close.
//
// A block nearly as large as the ring would otherwise wait until the ring
// is all but empty, which at a low rate outlasts a sender's retries. While
// the stream plays, a block that does not fit has what the ring holds handed
// over to the demuxer's side at once (kept in storage beside the ring, and no
// longer counted as remaining) as long as that side has room for it; the
// block then fits. A paused stream's ring fills up and stays full.
//
// With a clock, it notes when each block arrived, so that the decoder can
// tell how long the data it reads has waited (a live stream that decoding
// cannot keep up with).
#ifndef M4_FFMPEG_SOURCE_BUFFER_H
#define M4_FFMPEG_SOURCE_BUFFER_H

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace decoder_ffmpeg {

class Clock;

class SourceBuffer {
 public:
  enum class ReadStatus {
    kData,         // bytes were copied
    kEndOfStream,  // the end-of-stream marker was reached (and skipped)
    kIdle,         // nothing arrived within the idle timeout
    kInterrupted,  // reset or closed since the reader's generation
  };
  struct ReadResult {
    ReadStatus status;
    size_t bytes;
  };

  // The demuxer's side holds up to the larger of the capacity and 1 MiB:
  // many seconds of a low-rate stream at the player's buffer size, no more
  // than the ring's own size for a large buffer.
  explicit SourceBuffer(size_t capacity, Clock* clock = nullptr);
  SourceBuffer(size_t capacity, size_t handOverLimit, Clock* clock = nullptr);

  // Takes the block whole, or refuses it when it does not fit (after a hand
  // over, if |handOver|) or the stream has been found unrecognisable.
  bool Write(const uint8_t* data, size_t size, bool handOver = false);
  // The bytes in the ring, not yet handed to the demuxer.
  size_t Remain() const;
  // Every byte not yet read.
  size_t Unread() const;
  size_t Capacity() const { return capacity_; }

  // Copies what is there, up to |size| bytes; waits while nothing is. A
  // negative |idleTimeout| waits for ever.
  ReadResult Read(uint8_t* out, size_t size, uint64_t generation,
                  std::chrono::milliseconds idleTimeout);

  // How long the oldest byte not yet read has waited (0 when all are read,
  // or without a clock).
  int64_t UnreadAgeMicros() const;
  // Whether a start code (00 00 01) among the bytes not yet read is followed
  // by a byte that |wanted| accepts.
  bool UnreadHoldsUnit(const std::function<bool(uint8_t)>& wanted) const;

  // Empties the buffer and interrupts the reader: |generation| starts.
  void Reset(uint64_t generation);
  // The data of |generation| holds no stream that can be decoded: blocks
  // are refused until the next reset.
  void MarkUnrecognised(uint64_t generation);
  bool Unrecognised() const;
  // Interrupts the reader for good; writes are refused from now on.
  void Close();
  bool Closed() const;
  uint64_t Generation() const;

 private:
  struct EndMark {
    uint64_t endAt;     // reading stops here...
    uint64_t resumeAt;  // ...and goes on here, past the marker
  };

  // Where a block ended, and when it arrived.
  struct Arrival {
    uint64_t end;
    int64_t micros;
  };

  void NoteTail(const uint8_t* data, size_t size);
  void NoteArrival();

  mutable std::mutex mutex_;
  std::condition_variable dataArrived_;
  const size_t capacity_;
  const size_t handOverLimit_;
  // The ring and the handed-over bytes; pages never written cost nothing.
  const size_t storageSize_;
  std::unique_ptr<uint8_t[]> storage_;
  uint64_t written_ = 0;  // bytes ever written, in this generation
  uint64_t read_ = 0;
  uint64_t handedOver_ = 0;  // unread bytes at the front that left the ring
  uint64_t generation_ = 0;
  bool closed_ = false;
  bool unrecognised_ = false;
  std::deque<EndMark> endMarks_;
  std::array<uint8_t, 16> tail_{};  // the last bytes written, for the marker
  size_t tailLength_ = 0;
  Clock* const clock_;
  std::deque<Arrival> arrivals_;  // of the blocks not yet read whole
};

}  // namespace decoder_ffmpeg

#endif
