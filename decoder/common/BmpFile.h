// 24-bit BMP files: the one layout that every decoder of ours writes its
// snapshots in, kept to the C++ library so that it builds on every target.
#ifndef M4_COMMON_BMP_FILE_H
#define M4_COMMON_BMP_FILE_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace decoder_common {

// The 14-byte file header and the 40-byte info header come before the pixels.
constexpr size_t kPixelOffset = 14 + 40;

// One stored row: blue, green, red for each pixel, padded to four bytes.
size_t RowBytes(int width);

// The whole file of a |width| x |height| picture (both positive): headers
// filled in, pixels black, rows stored bottom-up, so that the picture's top
// row is the last one in the file.
std::vector<uint8_t> NewImage(int width, int height);

// Writes |bytes| to |file| and closes it, whatever happens; false when either
// fails. The caller opens the file, so that it decides where the bytes go
// (the target itself, or a temporary name it renames afterwards).
bool WriteAndClose(std::FILE* file, const std::vector<uint8_t>& bytes);

}  // namespace decoder_common

#endif  // M4_COMMON_BMP_FILE_H
