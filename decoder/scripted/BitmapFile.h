// The file the scripted decoder writes for a snapshot.
#ifndef SCRIPTED_BITMAP_FILE_H
#define SCRIPTED_BITMAP_FILE_H

#include <cstdint>

namespace scripted {

// Writes a valid 24-bit bitmap of one pixel of |grey| at |path|; false when the
// file cannot be written.
bool WriteOnePixelBitmap(const char* path, uint8_t grey);

}  // namespace scripted

#endif  // SCRIPTED_BITMAP_FILE_H
