#include "HeldPictures.h"

#include <cstring>

namespace decoder_ffmpeg {
namespace {

constexpr uint8_t kNalType = 0x1F;
constexpr uint8_t kSlice = 1;
constexpr uint8_t kKeySlice = 5;
// In a whole stream the decoder gives a picture out for each it takes once
// its first is out (a picture of two fields begins twice); this many more,
// and it holds them.
constexpr int kSlackPictures = 2;

struct PictureStarts {
  int count = 0;
  bool key = false;
};

// Slices whose first macroblock is the picture's first (coded 1 bit, set).
PictureStarts FindPictureStarts(const uint8_t* data, size_t size) {
  PictureStarts starts;
  const uint8_t* const end = data + size;
  for (const uint8_t* at = data + 2; at + 2 < end; ++at) {
    at = static_cast<const uint8_t*>(std::memchr(at, 1, static_cast<size_t>(end - 2 - at)));
    if (at == nullptr) break;
    if (at[-1] != 0 || at[-2] != 0) continue;
    const uint8_t type = at[1] & kNalType;
    if ((type == kSlice || type == kKeySlice) && (at[2] & 0x80) != 0) {
      ++starts.count;
      starts.key = starts.key || type == kKeySlice;
    }
  }
  return starts;
}

}  // namespace

bool HeldPictures::Taking(const uint8_t* data, size_t size) {
  const PictureStarts starts = FindPictureStarts(data, size);
  takenSinceOut_ += starts.count;
  return released_ && starts.key;
}

void HeldPictures::GaveOut() {
  gaveAny_ = true;
  takenSinceOut_ = 0;
  released_ = false;
  restarted_ = false;
}

bool HeldPictures::Holding(int reorderDepth) const {
  return gaveAny_ && !released_ && !restarted_ && takenSinceOut_ > reorderDepth + kSlackPictures;
}

void HeldPictures::Released() { released_ = true; }

void HeldPictures::Restarted() {
  released_ = false;
  restarted_ = true;
}

}  // namespace decoder_ffmpeg
