// The picture number that the latency benchmark's camera draws into each
// picture and its screen reader reads back: a row of dark and bright cells,
// one per bit, above a row of the same cells inverted, on a mid-grey picture.
// The cells are large (a 24th of the picture's width, three sixteenths of its
// height) so that they survive H.264 at a camera's bit rate and any scaling
// of the picture; the inverted row and a check nibble make a torn picture
// (half the old number, half the new) or anything else on the screen read as
// no number rather than a wrong one.
#ifndef KELO_BENCH_LATENCY_NUMBER_PATTERN_H
#define KELO_BENCH_LATENCY_NUMBER_PATTERN_H

#include <cstdint>
#include <optional>

namespace latency {

// Pictures 0 to kMaxNumber: 11.6 hours at 25 a second.
constexpr uint32_t kNumberBits = 20;
constexpr uint32_t kMaxNumber = (1u << kNumberBits) - 1;

// Draws |number| and a background that moves with it (so that the encoder has
// a camera's work to do) into the luma plane of a |width| x |height| picture;
// the caller sets the chroma planes to grey.
void DrawPicture(uint32_t number, uint8_t* luma, int stride, int width, int height);

struct Rect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// A screen image as the X server gives it: 32 bits a pixel, of which the
// first three bytes are the colour (in whichever order: only grey is read).
struct ScreenImage {
  const uint8_t* pixels = nullptr;
  int bytesPerLine = 0;
  int width = 0;
  int height = 0;
};

// Where a picture lies within |area| of |image|: the smallest rectangle that
// holds every pixel brighter than the black around it (the picture has no
// dark pixel at its edges). None when |area| is all dark.
std::optional<Rect> PictureBounds(const ScreenImage& image, Rect area);

// The number drawn in the picture that fills |picture| of |image|, scaled to
// any size; none when a cell is neither clearly bright nor clearly dark
// against its inverse, or the check does not match.
std::optional<uint32_t> ReadNumber(const ScreenImage& image, Rect picture);

// The part of a picture that ReadNumber looks at, in |picture|'s coordinates
// (the reader grabs only that much of the screen for each drawing).
Rect NumberBand(Rect picture);

}  // namespace latency

#endif  // KELO_BENCH_LATENCY_NUMBER_PATTERN_H
