#include "StreamFormat.h"

#include <cstring>

namespace streamformat {
namespace {

constexpr uint8_t kMagic[4] = {'K', 'M', '4', 'H'};
constexpr uint16_t kVersion = 1;

void PutU16(uint8_t* at, uint16_t value) {
  at[0] = static_cast<uint8_t>(value & 0xFF);
  at[1] = static_cast<uint8_t>(value >> 8);
}

uint16_t GetU16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | (at[1] << 8)); }

bool PutName(uint8_t* at, const std::string& name) {
  if (name.size() >= kStreamHeaderNameLength) return false;
  std::memcpy(at, name.data(), name.size());
  return true;
}

// A name field must be zero-terminated within its 16 bytes and printable.
bool GetName(const uint8_t* at, std::string* name) {
  const void* end = std::memchr(at, 0, kStreamHeaderNameLength);
  if (end == nullptr) return false;
  name->assign(reinterpret_cast<const char*>(at), static_cast<const uint8_t*>(end) - at);
  for (char c : *name) {
    if (c <= ' ' || c > '~') return false;
  }
  return true;
}

// MPEG program/elementary streams begin with a start code, transport streams
// with the sync byte.
bool BeginsStream(const uint8_t* bytes, size_t size) {
  if (size >= 1 && bytes[0] == 0x47) return true;
  return size >= 3 && bytes[0] == 0 && bytes[1] == 0 && bytes[2] == 1;
}

}  // namespace

bool EncodeStreamHeader(const StreamHeader& header,
                        std::array<uint8_t, kStreamHeaderLength>* record) {
  record->fill(0);
  uint8_t* out = record->data();
  std::memcpy(out, kMagic, sizeof kMagic);
  PutU16(out + 4, kVersion);
  PutU16(out + 6, kStreamHeaderLength);
  if (header.container.empty() || !PutName(out + 8, header.container) ||
      !PutName(out + 24, header.videoCodec) || !PutName(out + 40, header.audioCodec)) {
    return false;
  }
  PutU16(out + 56, header.width);
  PutU16(out + 58, header.height);
  PutU16(out + 60, header.frameRateNum);
  PutU16(out + 62, header.frameRateDen);
  return true;
}

HeaderKind DecodeStreamHeader(const uint8_t* bytes, size_t size, StreamHeader* header) {
  if (size < sizeof kMagic || std::memcmp(bytes, kMagic, sizeof kMagic) != 0) {
    return BeginsStream(bytes, size) ? HeaderKind::kStreamStart : HeaderKind::kMalformed;
  }
  if (size < kStreamHeaderLength || GetU16(bytes + 4) != kVersion ||
      GetU16(bytes + 6) != kStreamHeaderLength) {
    return HeaderKind::kMalformed;
  }
  StreamHeader parsed;
  if (!GetName(bytes + 8, &parsed.container) || parsed.container.empty() ||
      !GetName(bytes + 24, &parsed.videoCodec) || !GetName(bytes + 40, &parsed.audioCodec)) {
    return HeaderKind::kMalformed;
  }
  parsed.width = GetU16(bytes + 56);
  parsed.height = GetU16(bytes + 58);
  parsed.frameRateNum = GetU16(bytes + 60);
  parsed.frameRateDen = GetU16(bytes + 62);
  *header = parsed;
  return HeaderKind::kHeader;
}

}  // namespace streamformat
