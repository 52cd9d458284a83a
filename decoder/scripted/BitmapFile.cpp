#include "BitmapFile.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace scripted {

namespace {

void AppendLittleEndian(std::vector<unsigned char>& bytes, uint32_t value, int width) {
  for (int i = 0; i < width; ++i) {
    bytes.push_back(static_cast<unsigned char>(value >> (8 * i)));
  }
}

}  // namespace

bool WriteOnePixelBitmap(const char* path, uint8_t grey) {
  constexpr uint32_t kHeadersSize = 14 + 40;
  constexpr uint32_t kRowSize = 4;  // 3 colour bytes padded to 4
  std::vector<unsigned char> bytes = {'B', 'M'};
  AppendLittleEndian(bytes, kHeadersSize + kRowSize, 4);  // file size
  AppendLittleEndian(bytes, 0, 4);                        // reserved
  AppendLittleEndian(bytes, kHeadersSize, 4);             // pixel offset
  AppendLittleEndian(bytes, 40, 4);                       // info header size
  AppendLittleEndian(bytes, 1, 4);                        // width
  AppendLittleEndian(bytes, 1, 4);                        // height
  AppendLittleEndian(bytes, 1, 2);                        // planes
  AppendLittleEndian(bytes, 24, 2);                       // bits per pixel
  AppendLittleEndian(bytes, 0, 4);                        // no compression
  AppendLittleEndian(bytes, kRowSize, 4);                 // image size
  AppendLittleEndian(bytes, 2835, 4);                     // 72 dpi
  AppendLittleEndian(bytes, 2835, 4);
  AppendLittleEndian(bytes, 0, 4);  // palette colours
  AppendLittleEndian(bytes, 0, 4);  // important colours
  bytes.insert(bytes.end(), {grey, grey, grey, 0x00});

  std::FILE* file = std::fopen(path, "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const bool closed = std::fclose(file) == 0;
  return written && closed;
}

}  // namespace scripted
