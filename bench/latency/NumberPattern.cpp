#include "NumberPattern.h"

#include <algorithm>

namespace latency {

namespace {

constexpr uint32_t kCheckBits = 4;
constexpr uint32_t kCells = kNumberBits + kCheckBits;
// Luma (video range) of the cells and the background; the screen shows the
// dark cells at about 19 and the background at about 130 out of 255.
constexpr uint8_t kDark = 32;
constexpr uint8_t kBright = 224;
constexpr uint8_t kGrey = 128;
// Brightness (0-255, as the screen shows it) above which a pixel belongs to
// the picture rather than to the black around it.
constexpr int kBlackLimit = 48;
// A cell reads as a bit when it and its inverse differ at least this much.
constexpr int kContrast = 64;

// The band of cells, as fractions of the picture: 1/16 to 15/16 across, the
// bits from 1/8 to 5/16 down, their inverses from 5/16 to 1/2.
constexpr double kBandLeft = 1.0 / 16;
constexpr double kBandRight = 15.0 / 16;
constexpr double kBitsTop = 1.0 / 8;
constexpr double kInverseTop = 5.0 / 16;
constexpr double kBandBottom = 1.0 / 2;

uint32_t CheckNibble(uint32_t number) {
  uint32_t sum = 0;
  for (uint32_t shift = 0; shift < kNumberBits; shift += 4) sum += (number >> shift) & 15;
  return sum & 15;
}

// The number with its check nibble above it: one bit per cell.
uint32_t CellBits(uint32_t number) { return number | (CheckNibble(number) << kNumberBits); }

int At(int extent, double fraction) { return static_cast<int>(extent * fraction); }

int Brightness(const ScreenImage& image, int x, int y) {
  const uint8_t* pixel = image.pixels + static_cast<long>(y) * image.bytesPerLine + x * 4;
  return (pixel[0] + pixel[1] + pixel[2]) / 3;
}

// The mean brightness of the middle of the cell that spans |left| to |right|
// and |top| to |bottom| (fractions of |picture|); -1 when it lies outside
// |image|.
int CellBrightness(const ScreenImage& image, Rect picture, double left, double right, double top,
                   double bottom) {
  constexpr int kSamples = 4;
  int sum = 0;
  for (int row = 0; row < kSamples; ++row) {
    // The middle half of the cell: away from edges that compression blurs.
    const double down = top + (bottom - top) * (0.3 + 0.4 * row / (kSamples - 1));
    const int y = picture.y + At(picture.height, down);
    for (int column = 0; column < kSamples; ++column) {
      const double across = left + (right - left) * (0.3 + 0.4 * column / (kSamples - 1));
      const int x = picture.x + At(picture.width, across);
      if (x < 0 || y < 0 || x >= image.width || y >= image.height) return -1;
      sum += Brightness(image, x, y);
    }
  }
  return sum / (kSamples * kSamples);
}

double CellLeft(uint32_t cell) { return kBandLeft + (kBandRight - kBandLeft) * cell / kCells; }

}  // namespace

void DrawPicture(uint32_t number, uint8_t* luma, int stride, int width, int height) {
  const uint32_t bits = CellBits(number & kMaxNumber);
  const int bitsTop = At(height, kBitsTop);
  const int inverseTop = At(height, kInverseTop);
  const int bandBottom = At(height, kBandBottom);
  for (int y = 0; y < height; ++y) {
    uint8_t* line = luma + static_cast<long>(y) * stride;
    if (y >= bandBottom) {
      // A diagonal ramp under a grain, both scrolling four pixels a
      // picture: detail to encode, as a camera's scene has.
      const int shift = 4 * static_cast<int>(number % 1024);
      for (int x = 0; x < width; ++x) {
        const uint32_t grain = (static_cast<uint32_t>((x + shift) / 2) * 73856093u) ^
                               (static_cast<uint32_t>(y / 2) * 19349663u);
        line[x] = static_cast<uint8_t>(96 + (x + y + shift) % 80 + ((grain >> 13) & 31));
      }
      continue;
    }
    std::fill(line, line + width, kGrey);
    if (y < bitsTop) continue;
    const bool inverse = y >= inverseTop;
    for (uint32_t cell = 0; cell < kCells; ++cell) {
      const bool bright = (((bits >> cell) & 1) != 0) != inverse;
      std::fill(line + At(width, CellLeft(cell)), line + At(width, CellLeft(cell + 1)),
                bright ? kBright : kDark);
    }
  }
}

std::optional<Rect> PictureBounds(const ScreenImage& image, Rect area) {
  int left = area.x + area.width;
  int right = area.x - 1;
  int top = area.y + area.height;
  int bottom = area.y - 1;
  for (int y = std::max(0, area.y); y < std::min(image.height, area.y + area.height); ++y) {
    for (int x = std::max(0, area.x); x < std::min(image.width, area.x + area.width); ++x) {
      if (Brightness(image, x, y) <= kBlackLimit) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  if (right < left) return std::nullopt;
  return Rect{left, top, right - left + 1, bottom - top + 1};
}

std::optional<uint32_t> ReadNumber(const ScreenImage& image, Rect picture) {
  uint32_t bits = 0;
  for (uint32_t cell = 0; cell < kCells; ++cell) {
    const double left = CellLeft(cell);
    const double right = CellLeft(cell + 1);
    const int value = CellBrightness(image, picture, left, right, kBitsTop, kInverseTop);
    const int inverse = CellBrightness(image, picture, left, right, kInverseTop, kBandBottom);
    if (value < 0 || inverse < 0) return std::nullopt;
    if (value - inverse >= kContrast) {
      bits |= 1u << cell;
    } else if (inverse - value < kContrast) {
      return std::nullopt;
    }
  }
  const uint32_t number = bits & kMaxNumber;
  if ((bits >> kNumberBits) != CheckNibble(number)) return std::nullopt;
  return number;
}

Rect NumberBand(Rect picture) {
  const int top = picture.y + At(picture.height, kBitsTop);
  const int bottom = picture.y + At(picture.height, kBandBottom) + 1;
  return {picture.x, top, picture.width, bottom - top};
}

}  // namespace latency
