#include "G711Separator.h"

#include "PictureEnds.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace m4 {
namespace {

constexpr uint8_t kEndCode = 0xB9;
constexpr uint8_t kPackCode = 0xBA;
constexpr uint8_t kMapId = 0xBC;
constexpr uint8_t kPaddingId = 0xBE;
constexpr uint8_t kPrivateId = 0xBD;
constexpr uint8_t kFirstVideoId = 0xE0;
constexpr uint8_t kLastVideoId = 0xEF;
constexpr uint8_t kFirstAudioId = 0xC0;
constexpr uint8_t kLastAudioId = 0xDF;
// The stream types cameras give G.711 in their maps.
constexpr uint8_t kALawType = 0x90;
constexpr uint8_t kMuLawType = 0x91;
// A map, or a picture interval's G.711 (320 bytes at 25 pictures a second),
// takes a few hundred bytes. A length beyond this is damage: trusted, it
// would hold back the video behind it until that many bytes had come, and
// then take them away from it.
constexpr size_t kLongestSmallPacket = 4096;

size_t GetU16(const uint8_t* at) { return static_cast<size_t>(at[0] << 8 | at[1]); }

// Where a PES packet's payload starts (the whole size when it has none).
size_t PayloadOffset(const uint8_t* packet, size_t size) {
  size_t at = 6;
  if (size > 8 && (packet[6] & 0xC0) == 0x80) return std::min(size, 9 + size_t{packet[8]});
  // The MPEG-1 form: stuffing, an optional buffer size, optional stamps.
  while (at < size && packet[at] == 0xFF) ++at;
  if (at < size && (packet[at] & 0xC0) == 0x40) at += 2;
  if (at < size) {
    const uint8_t stamps = packet[at] & 0xF0;
    at += stamps == 0x20 ? 5 : stamps == 0x30 ? 10 : 1;
  }
  return std::min(at, size);
}

}  // namespace

G711Law G711LawOf(const char* decoderName) {
  if (std::strcmp(decoderName, "pcm_alaw") == 0) return G711Law::kALaw;
  if (std::strcmp(decoderName, "pcm_mulaw") == 0) return G711Law::kMuLaw;
  return G711Law::kNone;
}

const char* G711DecoderName(G711Law law) {
  switch (law) {
    case G711Law::kALaw:
      return "pcm_alaw";
    case G711Law::kMuLaw:
      return "pcm_mulaw";
    case G711Law::kNone:
      break;
  }
  return "";
}

G711Separator::G711Separator(G711Law headerLaw, Sink sink, PictureEnds* pictureEnds)
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
  mapLaws_.fill(G711Law::kNone);
  mapped_.fill(false);
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
    if (packet[0] != 0 || packet[1] != 0 || packet[2] != 1 || packet[3] < kEndCode) {
      ++scanned_;
      continue;
    }
    size_t size = 0;
    if (!PacketSize(scanned_, &size)) return;
    const uint8_t id = packet[3];
    if (pictureEnds_ != nullptr &&
        (id == kPrivateId || (id >= kFirstAudioId && id <= kLastAudioId))) {
      const std::vector<uint8_t> before = pictureEnds_->OtherPesBegins();
      if (!before.empty()) {
        Insert(before);
        continue;
      }
    }
    if (pictureEnds_ != nullptr && id >= kFirstVideoId && id <= kLastVideoId) {
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
    const G711Law law = LawOfStream(id);
    if (id == kMapId || law != G711Law::kNone) {
      if (size > kLongestSmallPacket) {
        // The header becomes an empty padding packet, and what follows is
        // passed over up to the next start code, by the demuxer too.
        packet[3] = kPaddingId;
        packet[4] = packet[5] = 0;
        scanned_ += 6;
        continue;
      }
      // Small packets, read whole.
      if (pending_.size() - scanned_ < size) return;
      if (id == kMapId) {
        ReadMap(packet, size);
      } else {
        Separate(packet, size, law);
      }
      scanned_ += size;
      continue;
    }
    passThrough_ = size;
  }
}

bool G711Separator::PacketSize(size_t at, size_t* size) const {
  const uint8_t* packet = pending_.data() + at;
  const size_t have = pending_.size() - at;
  if (packet[3] == kEndCode) {
    *size = 4;
    return true;
  }
  if (packet[3] == kPackCode) {
    if (have < 5) return false;
    if ((packet[4] & 0xC0) != 0x40) {  // MPEG-1
      *size = 12;
      return true;
    }
    if (have < 14) return false;
    *size = 14 + (packet[13] & 0x07);
    return true;
  }
  if (have < 6) return false;
  *size = 6 + GetU16(packet + 4);
  return true;
}

void G711Separator::ReadMap(const uint8_t* packet, size_t size) {
  // Length, flags and version, marker; then the info, then the entries.
  size_t at = 8;
  if (at + 2 > size) return;
  at += 2 + GetU16(packet + at);
  if (at + 2 > size) return;
  const size_t end = std::min(size - 4, at + 2 + GetU16(packet + at));  // the CRC follows
  at += 2;
  std::array<G711Law, 32> laws{};
  std::array<bool, 32> mapped{};
  for (; at + 4 <= end; at += 4 + GetU16(packet + at + 2)) {
    const uint8_t type = packet[at];
    const uint8_t id = packet[at + 1];
    if (id < kFirstAudioId || id > kLastAudioId) continue;
    mapped[id - kFirstAudioId] = true;
    laws[id - kFirstAudioId] = type == kALawType    ? G711Law::kALaw
                               : type == kMuLawType ? G711Law::kMuLaw
                                                    : G711Law::kNone;
  }
  mapLaws_ = laws;
  mapped_ = mapped;
}

G711Law G711Separator::LawOfStream(uint8_t id) const {
  if (id < kFirstAudioId || id > kLastAudioId) return G711Law::kNone;
  const size_t index = id - kFirstAudioId;
  return mapped_[index] ? mapLaws_[index] : headerLaw_;
}

void G711Separator::Separate(uint8_t* packet, size_t size, G711Law law) {
  if (lawSeen_ == G711Law::kNone) lawSeen_ = law;
  const size_t payload = PayloadOffset(packet, size);
  if (payload < size) sink_(law, packet + payload, size - payload);
  packet[3] = kPaddingId;
}

}  // namespace m4
