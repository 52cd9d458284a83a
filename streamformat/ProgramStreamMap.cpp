#include "ProgramStreamMap.h"

#include <algorithm>
#include <string>

extern "C" {
#include <libavutil/crc.h>
}

namespace streamformat {
namespace {

struct StreamType {
  const char* codec;
  uint8_t type;
};

// The stream_type values of the MPEG systems layer.
constexpr StreamType kVideoTypes[] = {
    {"mpeg1video", 0x01}, {"mpeg2video", 0x02}, {"mpeg4", 0x10}, {"h264", 0x1B}, {"hevc", 0x24}};
constexpr StreamType kAudioTypes[] = {{"mp3", 0x03}, {"aac", 0x0F}, {"ac3", 0x81}};

// How many stream ids video and audio elementary streams have.
constexpr uint8_t kVideoIds = kLastVideoId - kFirstVideoId + 1;
constexpr uint8_t kAudioIds = kLastAudioId - kFirstAudioId + 1;
// The stream types cameras give G.711 in their maps.
constexpr uint8_t kALawType = 0x90;
constexpr uint8_t kMuLawType = 0x91;

template <size_t N>
uint8_t TypeOf(const std::string& codec, const StreamType (&types)[N]) {
  for (const StreamType& known : types) {
    if (codec == known.codec) return known.type;
  }
  return 0;
}

void PutU16(std::vector<uint8_t>* out, size_t value) {
  out->push_back(static_cast<uint8_t>(value >> 8));
  out->push_back(static_cast<uint8_t>(value));
}

void AddEntries(std::vector<uint8_t>* map, uint8_t type, uint8_t firstId, uint8_t count) {
  if (type == 0) return;
  for (uint8_t id = 0; id < count; ++id) {
    map->insert(map->end(), {type, static_cast<uint8_t>(firstId + id), 0, 0});
  }
}

}  // namespace

std::vector<uint8_t> ProgramStreamMapFor(const StreamHeader& header) {
  if (header.container != "mpeg") return {};
  std::vector<uint8_t> entries;
  AddEntries(&entries, TypeOf(header.videoCodec, kVideoTypes), kFirstVideoId, kVideoIds);
  AddEntries(&entries, TypeOf(header.audioCodec, kAudioTypes), kFirstAudioId, kAudioIds);
  if (entries.empty()) return {};

  std::vector<uint8_t> map = {0x00, 0x00, 0x01, 0xBC};
  // Flags, version and info length (6 bytes), the entries, the CRC.
  PutU16(&map, 6 + entries.size() + 4);
  map.insert(map.end(), {0x80, 0x01, 0x00, 0x00});  // current, version 0, marker; no info
  PutU16(&map, entries.size());
  map.insert(map.end(), entries.begin(), entries.end());
  const uint32_t crc = av_crc(av_crc_get_table(AV_CRC_32_IEEE), UINT32_MAX, map.data(), map.size());
  for (int shift = 24; shift >= 0; shift -= 8) map.push_back(static_cast<uint8_t>(crc >> shift));
  return map;
}

void G711Map::Read(const uint8_t* packet, size_t size) {
  // Length, flags and version, marker; then the info, then the entries.
  size_t at = 8;
  if (at + 2 > size) return;
  at += 2 + SystemsU16(packet + at);
  if (at + 2 > size) return;
  const size_t end = std::min(size - 4, at + 2 + SystemsU16(packet + at));  // the CRC follows
  at += 2;
  std::array<G711Law, kAudioIds> laws{};
  std::array<bool, kAudioIds> listed{};
  for (; at + 4 <= end; at += 4 + SystemsU16(packet + at + 2)) {
    const uint8_t type = packet[at];
    const uint8_t id = packet[at + 1];
    if (id < kFirstAudioId || id > kLastAudioId) continue;
    listed[id - kFirstAudioId] = true;
    laws[id - kFirstAudioId] = type == kALawType    ? G711Law::kALaw
                               : type == kMuLawType ? G711Law::kMuLaw
                                                    : G711Law::kNone;
  }
  laws_ = laws;
  listed_ = listed;
}

G711Law G711Map::LawOf(uint8_t id, G711Law unlisted) const {
  if (id < kFirstAudioId || id > kLastAudioId) return G711Law::kNone;
  const size_t index = id - kFirstAudioId;
  return listed_[index] ? laws_[index] : unlisted;
}

void G711Map::Clear() {
  laws_.fill(G711Law::kNone);
  listed_.fill(false);
}

}  // namespace streamformat
