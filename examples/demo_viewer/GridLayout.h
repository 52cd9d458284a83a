// Where the tiles of the viewer's grid sit inside its window.
#ifndef KELO_DEMO_VIEWER_GRID_LAYOUT_H
#define KELO_DEMO_VIEWER_GRID_LAYOUT_H

#include <vector>

namespace demo_viewer {

struct TileRect {
  int x;
  int y;
  int width;
  int height;
};

struct WindowSize {
  int width;
  int height;
};

// Pixels between tiles and around the grid, and the strip under each tile
// that holds its caption (the decoder owns everything inside a tile).
constexpr int kTileGap = 6;
constexpr int kCaptionHeight = 16;

// True for the grid sizes the viewer offers: 1, 4, 9, 16, 25 and 36 tiles.
bool IsSupportedTileCount(int tileCount);
// Tiles per row of a square grid of |tileCount| tiles.
int GridColumns(int tileCount);

// The window that holds |tileCount| tiles of the stream's natural size
// (CIF, 352 x 288) as far as that fits on a |screen| of the given size, and
// smaller tiles of the same shape otherwise.
WindowSize PreferredWindowSize(int tileCount, WindowSize screen);

// The tiles of a |tileCount| grid laid row by row into a window of |window|
// size. Tiles never shrink below 1 x 1, so a tiny window still gets
// |tileCount| usable rectangles.
std::vector<TileRect> LayoutTiles(int tileCount, WindowSize window);

// Index of the tile whose picture or caption lies under the window point
// (x, y), or -1 for a gap.
int TileAt(const std::vector<TileRect>& tiles, int x, int y);

}  // namespace demo_viewer

#endif  // KELO_DEMO_VIEWER_GRID_LAYOUT_H
