// The stream header that PlayM4_OpenStream takes, and the end-of-stream
// marker that may close the payload. Both are this library's own format; see
// docs/decoder.md.
//
// Header, 64 bytes, little-endian:
//   0  "KM4H"            magic
//   4  u16 version       1
//   6  u16 length        64
//   8  char[16]          container (FFmpeg demuxer name: "mpeg", "mpegts", ...)
//  24  char[16]          video codec (FFmpeg decoder name, "" when none)
//  40  char[16]          audio codec ("" when none)
//  56  u16 width, u16 height (0 when unknown)
//  60  u16 frame rate numerator, u16 denominator (0 when unknown)
#ifndef M4_STREAM_FORMAT_H
#define M4_STREAM_FORMAT_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace streamformat {

constexpr uint32_t kStreamHeaderLength = 64;
constexpr size_t kStreamHeaderNameLength = 16;

struct StreamHeader {
  std::string container;
  std::string videoCodec;
  std::string audioCodec;
  uint16_t width = 0;
  uint16_t height = 0;
  uint16_t frameRateNum = 0;
  uint16_t frameRateDen = 0;
};

enum class HeaderKind {
  kHeader,       // a well-formed header record
  kStreamStart,  // no record, but the bytes begin a program or transport stream
  kMalformed,    // neither
};

// Names longer than 15 characters do not fit and make encoding fail.
bool EncodeStreamHeader(const StreamHeader& header,
                        std::array<uint8_t, kStreamHeaderLength>* record);
HeaderKind DecodeStreamHeader(const uint8_t* bytes, size_t size, StreamHeader* header);

// Sixteen bytes that a sender may append after the last block of a stream so
// that its last pictures are shown at once instead of after the idle delay.
constexpr std::array<uint8_t, 16> kEndOfStreamMarker = {
    'K', 'M', '4', 'E', 'O', 'S', 0xFF, 0xFE, 0x9A, 0x5C, 0x11, 0xE7, 'E', 'N', 'D', '!'};

}  // namespace streamformat

#endif
