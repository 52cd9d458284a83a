#include "GridLayout.h"

#include <algorithm>

namespace demo_viewer {

namespace {

constexpr int kNaturalTileWidth = 352;
constexpr int kNaturalTileHeight = 288;

int GridExtent(int columns, int tileExtent, int perTileExtra) {
  return columns * (tileExtent + perTileExtra) + kTileGap;
}

}  // namespace

bool IsSupportedTileCount(int tileCount) {
  return tileCount == 1 || tileCount == 4 || tileCount == 9 || tileCount == 16 || tileCount == 25 ||
         tileCount == 36;
}

int GridColumns(int tileCount) {
  int columns = 1;
  while (columns * columns < tileCount) ++columns;
  return columns;
}

WindowSize PreferredWindowSize(int tileCount, WindowSize screen) {
  const int columns = GridColumns(tileCount);
  // Scale CIF down in steps of 1/8 until the grid fits the screen, keeping
  // its 11:9 shape; a single tile gets twice the size when there is room.
  int eighths = tileCount == 1 ? 16 : 8;
  for (; eighths > 1; --eighths) {
    const int tileWidth = kNaturalTileWidth * eighths / 8;
    const int tileHeight = kNaturalTileHeight * eighths / 8;
    if (GridExtent(columns, tileWidth, kTileGap) <= screen.width &&
        GridExtent(columns, tileHeight, kTileGap + kCaptionHeight) <= screen.height) {
      break;
    }
  }
  return {GridExtent(columns, kNaturalTileWidth * eighths / 8, kTileGap),
          GridExtent(columns, kNaturalTileHeight * eighths / 8, kTileGap + kCaptionHeight)};
}

std::vector<TileRect> LayoutTiles(int tileCount, WindowSize window) {
  const int columns = GridColumns(tileCount);
  const int rows = (tileCount + columns - 1) / columns;
  const int tileWidth = std::max(1, (window.width - kTileGap) / columns - kTileGap);
  const int tileHeight = std::max(1, (window.height - kTileGap) / rows - kTileGap - kCaptionHeight);
  std::vector<TileRect> tiles;
  tiles.reserve(static_cast<size_t>(tileCount));
  for (int index = 0; index < tileCount; ++index) {
    const int column = index % columns;
    const int row = index / columns;
    tiles.push_back({kTileGap + column * (tileWidth + kTileGap),
                     kTileGap + row * (tileHeight + kTileGap + kCaptionHeight), tileWidth,
                     tileHeight});
  }
  return tiles;
}

int TileAt(const std::vector<TileRect>& tiles, int x, int y) {
  for (size_t index = 0; index < tiles.size(); ++index) {
    const TileRect& tile = tiles[index];
    if (x >= tile.x && x < tile.x + tile.width && y >= tile.y &&
        y < tile.y + tile.height + kCaptionHeight) {
      return static_cast<int>(index);
    }
  }
  return -1;
}

}  // namespace demo_viewer
