#include "ProgramStream.h"

#include <algorithm>
#include <cstring>

#include "ProgramStreamMap.h"

namespace streamformat {
namespace {}  // namespace

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

bool SystemsPacketSize(const uint8_t* packet, size_t have, size_t* size) {
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
  *size = 6 + SystemsU16(packet + 4);
  return true;
}

size_t PesPayloadOffset(const uint8_t* packet, size_t size) {
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

G711Law FirstG711Law(const uint8_t* bytes, size_t size) {
  G711Map map;
  size_t at = 0;
  while (size - at >= 4) {
    const uint8_t* packet = bytes + at;
    // Out of step: the next start code of a systems packet resynchronises.
    if (packet[0] != 0 || packet[1] != 0 || packet[2] != 1 || packet[3] < kEndCode) {
      ++at;
      continue;
    }
    size_t length = 0;
    if (!SystemsPacketSize(packet, size - at, &length)) break;
    const G711Law law = map.LawOf(packet[3], G711Law::kNone);
    if (packet[3] == kMapId || law != G711Law::kNone) {
      if (length > kLongestSmallPacket) {  // damage: only its header is passed over
        at += 6;
        continue;
      }
      if (size - at < length) break;
      if (law != G711Law::kNone) return law;
      map.Read(packet, length);
    }
    at += length;
  }
  return G711Law::kNone;
}

}  // namespace streamformat
