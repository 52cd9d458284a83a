#include "G711Separator.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "PictureEnds.h"

namespace decoder_ffmpeg {

G711Separator::G711Separator(streamformat::G711Law headerLaw, Sink sink, PictureEnds* pictureEnds)
    : headerLaw_(headerLaw), sink_(std::move(sink)), pictureEnds_(pictureEnds) {}

void G711Separator::Add(const uint8_t* data, size_t size) {
  pending_.insert(pending_.end(), data, data + size);
  Scan();
}

size_t G711Separator::Take(uint8_t* out, size_t room) {
  const size_t count = std::min(room, scanned_);
  if (count == 0) return 0;  // an empty |pending_| may have no storage to copy from
  std::memcpy(out, pending_.data(), count);
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<ptrdiff_t>(count));
  scanned_ -= count;
  return count;
}

void G711Separator::Reset() {
  map_.Clear();
  pending_.clear();
  scanned_ = 0;
  passThrough_ = 0;
  passingVideo_ = false;
  if (pictureEnds_ != nullptr) pictureEnds_->Reset();
}

void G711Separator::Insert(const std::vector<uint8_t>& bytes) {
  pending_.insert(pending_.begin() + static_cast<ptrdiff_t>(scanned_), bytes.begin(), bytes.end());
  scanned_ += bytes.size();
}

void G711Separator::Scan() {
  for (;;) {
    if (passThrough_ > 0) {
      const size_t count = std::min(passThrough_, pending_.size() - scanned_);
      if (passingVideo_) {
        const size_t header = std::min(count, videoHeaderLeft_);
        videoHeaderLeft_ -= header;
        pictureEnds_->VideoPayload(pending_.data() + scanned_ + header, count - header);
      }
      scanned_ += count;
      passThrough_ -= count;
      if (passThrough_ > 0) return;
      if (passingVideo_) {
        passingVideo_ = false;
        Insert(pictureEnds_->VideoPesEnded());
      }
    }
    if (pending_.size() - scanned_ < 4) return;
    uint8_t* packet = pending_.data() + scanned_;
    // Out of step (damaged data, or the middle of a packet after a join):
    // the next start code of a systems packet resynchronises.
    if (packet[0] != 0 || packet[1] != 0 || packet[2] != 1 || packet[3] < streamformat::kEndCode) {
      ++scanned_;
      continue;
    }
    size_t size = 0;
    if (!streamformat::SystemsPacketSize(packet, pending_.size() - scanned_, &size)) return;
    const uint8_t id = packet[3];
    if (pictureEnds_ != nullptr &&
        (id == streamformat::kPrivateId ||
         (id >= streamformat::kFirstAudioId && id <= streamformat::kLastAudioId))) {
      const std::vector<uint8_t> before = pictureEnds_->OtherPesBegins();
      if (!before.empty()) {
        Insert(before);
        continue;
      }
    }
    if (pictureEnds_ != nullptr && id >= streamformat::kFirstVideoId &&
        id <= streamformat::kLastVideoId) {
      const size_t have = pending_.size() - scanned_;
      if (have < 9) return;
      const size_t header = std::min(size, 9 + size_t{packet[8]});
      if (have < header) return;
      pictureEnds_->VideoPesBegins(packet, header, size);
      passingVideo_ = true;
      videoHeaderLeft_ = header;
      passThrough_ = size;
      continue;
    }
    const streamformat::G711Law law = map_.LawOf(id, headerLaw_);
    if (id == streamformat::kMapId || law != streamformat::G711Law::kNone) {
      if (size > streamformat::kLongestSmallPacket) {
        // The header becomes an empty padding packet, and what follows is
        // passed over up to the next start code, by the demuxer too.
        packet[3] = streamformat::kPaddingId;
        packet[4] = packet[5] = 0;
        scanned_ += 6;
        continue;
      }
      // Small packets, read whole.
      if (pending_.size() - scanned_ < size) return;
      if (id == streamformat::kMapId) {
        map_.Read(packet, size);
      } else {
        Separate(packet, size, law);
      }
      scanned_ += size;
      continue;
    }
    passThrough_ = size;
  }
}

void G711Separator::Separate(uint8_t* packet, size_t size, streamformat::G711Law law) {
  const size_t payload = streamformat::PesPayloadOffset(packet, size);
  if (payload < size) sink_(law, packet + payload, size - payload);
  packet[3] = streamformat::kPaddingId;
}

}  // namespace decoder_ffmpeg
