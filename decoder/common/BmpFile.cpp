#include "BmpFile.h"

namespace decoder_common {
namespace {

constexpr uint32_t kInfoHeaderBytes = 40;
constexpr uint32_t kPixelsPerMetre = 2835;  // 72 dpi

void PutU16(std::vector<uint8_t>& out, size_t at, uint32_t value) {
  out[at] = static_cast<uint8_t>(value);
  out[at + 1] = static_cast<uint8_t>(value >> 8);
}

void PutU32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
  PutU16(out, at, value & 0xFFFF);
  PutU16(out, at + 2, value >> 16);
}

}  // namespace

size_t RowBytes(int width) { return (static_cast<size_t>(width) * 3 + 3) & ~size_t{3}; }

std::vector<uint8_t> NewImage(int width, int height) {
  const size_t pixelBytes = RowBytes(width) * static_cast<size_t>(height);
  // Zero-filled, so compression, palette size and the reserved words read 0.
  std::vector<uint8_t> out(kPixelOffset + pixelBytes, 0);
  out[0] = 'B';
  out[1] = 'M';
  PutU32(out, 2, static_cast<uint32_t>(out.size()));
  PutU32(out, 10, static_cast<uint32_t>(kPixelOffset));
  PutU32(out, 14, kInfoHeaderBytes);
  PutU32(out, 18, static_cast<uint32_t>(width));
  PutU32(out, 22, static_cast<uint32_t>(height));  // positive: bottom-up
  PutU16(out, 26, 1);                              // planes
  PutU16(out, 28, 24);                             // bits per pixel
  PutU32(out, 34, static_cast<uint32_t>(pixelBytes));
  PutU32(out, 38, kPixelsPerMetre);
  PutU32(out, 42, kPixelsPerMetre);
  return out;
}

bool WriteAndClose(std::FILE* file, const std::vector<uint8_t>& bytes) {
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  // fclose flushes what fwrite buffered, so its failure is a failed write too.
  const bool closed = std::fclose(file) == 0;
  return written && closed;
}

}  // namespace decoder_common
