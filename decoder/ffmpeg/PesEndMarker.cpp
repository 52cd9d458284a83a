#include "PesEndMarker.h"

#include <algorithm>
#include <cstring>

namespace decoder_ffmpeg {
namespace {

constexpr uint8_t kSyncByte = 0x47;
constexpr uint8_t kUnitStart = 0x40;
constexpr uint8_t kHasAdaptation = 0x20;
constexpr uint8_t kHasPayload = 0x10;
constexpr uint8_t kDiscontinuity = 0x80;
constexpr uint8_t kStuffingByte = 0xFF;
constexpr size_t kHeaderSize = 4;

int PidOf(const uint8_t* packet) { return (packet[1] & 0x1F) << 8 | packet[2]; }

// The bytes of an adaptation field that its flags account for; the rest of
// its length is stuffing.
size_t FlaggedBytes(const uint8_t* field, size_t length) {
  if (length == 0) return 0;
  const uint8_t flags = field[0];
  size_t used = 1;
  if ((flags & 0x10) != 0) used += 6;                                 // PCR
  if ((flags & 0x08) != 0) used += 6;                                 // OPCR
  if ((flags & 0x04) != 0) used += 1;                                 // splice countdown
  if ((flags & 0x02) != 0 && used < length) used += 1 + field[used];  // private data
  if ((flags & 0x01) != 0 && used < length) used += 1 + field[used];  // extension
  return used;
}

}  // namespace

void PesEndMarker::Add(const uint8_t* data, size_t size) {
  // What was handed on goes; what waits stays ahead of the new bytes.
  waiting_.erase(waiting_.begin(), waiting_.begin() + static_cast<std::ptrdiff_t>(waitingRead_));
  waitingRead_ = 0;
  waiting_.insert(waiting_.end(), data, data + size);
}

size_t PesEndMarker::Take(uint8_t* out, size_t room) {
  const size_t count = std::min(room, waiting_.size() - waitingRead_);
  if (count == 0) return 0;
  std::memcpy(out, waiting_.data() + waitingRead_, count);
  const size_t now = Scan(out, count);
  waitingRead_ += now;
  if (markerMade_) {
    WaitBehindMarker(waiting_.data() + waitingRead_, waiting_.data() + waiting_.size());
  }
  return now;
}

void PesEndMarker::WaitBehindMarker(const uint8_t* first, const uint8_t* last) {
  std::vector<uint8_t> next(marker_.begin(), marker_.end());
  next.insert(next.end(), first, last);
  waiting_.swap(next);
  waitingRead_ = 0;
  markerMade_ = false;
}

void PesEndMarker::Reset() {
  partialSize_ = 0;
  videoPids_.reset();
  markerMade_ = false;
  waiting_.clear();
  waitingRead_ = 0;
}

size_t PesEndMarker::Scan(const uint8_t* data, size_t size) {
  size_t at = 0;
  while (at < size) {
    // Out of step (damaged data): the next sync byte starts a packet.
    if (partialSize_ == 0 && data[at] != kSyncByte) {
      ++at;
      continue;
    }
    const size_t take = std::min(kPacketSize - partialSize_, size - at);
    const uint8_t* packet = data + at;
    if (partialSize_ > 0 || take < kPacketSize) {
      std::memcpy(partial_.data() + partialSize_, data + at, take);
      partialSize_ += take;
      at += take;
      if (partialSize_ < kPacketSize) continue;
      packet = partial_.data();
    } else {
      at += take;
    }
    partialSize_ = 0;
    if (EndsVideoPes(packet)) {
      MakeMarkerAfter(packet);
      return at;
    }
  }
  return size;
}

bool PesEndMarker::EndsVideoPes(const uint8_t* packet) {
  const int pid = PidOf(packet);
  const uint8_t control = packet[3];
  if ((control & kHasPayload) == 0) return false;
  size_t payloadAt = kHeaderSize;
  bool stuffed = false;
  if ((control & kHasAdaptation) != 0) {
    const size_t length = packet[4];
    if (length > kPacketSize - kHeaderSize - 2) return false;  // no room for a payload
    // An empty field is itself one byte of stuffing, and so is a field that
    // carries nothing (two bytes of it). A field whose flags claim more than
    // its length is damage, not stuffing.
    stuffed = length == 0 || packet[5] == 0 || FlaggedBytes(packet + 5, length) < length;
    payloadAt += 1 + length;
  }
  if ((packet[1] & kUnitStart) != 0) {
    // A unit's start tells what the PID carries: a video PES, or anything
    // else (the marker itself among them).
    const uint8_t* payload = packet + payloadAt;
    const bool video = kPacketSize - payloadAt >= 4 && payload[0] == 0 && payload[1] == 0 &&
                       payload[2] == 1 && (payload[3] & 0xF0) == 0xE0;
    videoPids_[pid] = video;
  }
  return stuffed && videoPids_[pid];
}

void PesEndMarker::MakeMarkerAfter(const uint8_t* packet) {
  constexpr size_t kPayloadSize = 6;  // a PES start's worth, none of it a start code
  marker_.fill(kStuffingByte);
  marker_[0] = kSyncByte;
  marker_[1] = static_cast<uint8_t>(kUnitStart | (packet[1] & 0x1F));
  marker_[2] = packet[2];
  // The same continuity count as the packet before: with the discontinuity
  // flag the demuxer takes it, and expects the next real packet's count.
  marker_[3] = static_cast<uint8_t>(kHasAdaptation | kHasPayload | (packet[3] & 0x0F));
  marker_[4] = static_cast<uint8_t>(kPacketSize - kHeaderSize - 1 - kPayloadSize);
  marker_[5] = kDiscontinuity;
  markerMade_ = true;
}

}  // namespace decoder_ffmpeg
