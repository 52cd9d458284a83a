#include "GridLayout.h"

#include <gtest/gtest.h>

namespace demo_viewer {
namespace {

bool Overlap(const TileRect& a, const TileRect& b) {
  return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

TEST(GridLayoutTest, OffersSquareGridsOnly) {
  for (int count : {1, 4, 9, 16, 25, 36}) EXPECT_TRUE(IsSupportedTileCount(count)) << count;
  for (int count : {0, 2, 3, 5, 8, 32, 49, -4}) EXPECT_FALSE(IsSupportedTileCount(count)) << count;
  EXPECT_EQ(GridColumns(1), 1);
  EXPECT_EQ(GridColumns(4), 2);
  EXPECT_EQ(GridColumns(9), 3);
  EXPECT_EQ(GridColumns(16), 4);
  EXPECT_EQ(GridColumns(36), 6);
}

TEST(GridLayoutTest, PreferredWindowShowsCifTilesWhenTheScreenHasRoom) {
  const WindowSize window = PreferredWindowSize(4, {1280, 1024});
  for (const TileRect& tile : LayoutTiles(4, window)) {
    EXPECT_EQ(tile.width, 352);
    EXPECT_EQ(tile.height, 288);
  }
  const TileRect single = LayoutTiles(1, PreferredWindowSize(1, {1920, 1080}))[0];
  EXPECT_EQ(single.width, 704);
  EXPECT_EQ(single.height, 576);
}

TEST(GridLayoutTest, EveryGridFitsAXvfbScreenWithoutOverlap) {
  const WindowSize screen{1280, 984};
  for (int count : {1, 4, 9, 16, 25, 36}) {
    const WindowSize window = PreferredWindowSize(count, screen);
    EXPECT_LE(window.width, screen.width) << count;
    EXPECT_LE(window.height, screen.height) << count;
    const std::vector<TileRect> tiles = LayoutTiles(count, window);
    ASSERT_EQ(tiles.size(), static_cast<size_t>(count));
    for (size_t i = 0; i < tiles.size(); ++i) {
      EXPECT_GE(tiles[i].x, kTileGap);
      EXPECT_LE(tiles[i].x + tiles[i].width, window.width) << count << " tile " << i;
      EXPECT_LE(tiles[i].y + tiles[i].height + kCaptionHeight, window.height)
          << count << " tile " << i;
      for (size_t j = i + 1; j < tiles.size(); ++j) {
        EXPECT_FALSE(Overlap(tiles[i], tiles[j])) << count << ": " << i << " and " << j;
      }
    }
  }
}

TEST(GridLayoutTest, TilesFollowRowsAndKeepAtLeastOnePixel) {
  const std::vector<TileRect> tiles = LayoutTiles(4, {1000, 800});
  EXPECT_EQ(tiles[0].y, tiles[1].y);
  EXPECT_LT(tiles[0].x, tiles[1].x);
  EXPECT_EQ(tiles[0].x, tiles[2].x);
  EXPECT_LT(tiles[1].y, tiles[2].y);
  for (const TileRect& tile : LayoutTiles(16, {10, 10})) {
    EXPECT_GE(tile.width, 1);
    EXPECT_GE(tile.height, 1);
  }
}

TEST(GridLayoutTest, ClicksFindTheTileOrItsCaptionButNotTheGap) {
  const std::vector<TileRect> tiles = LayoutTiles(4, {1000, 800});
  const TileRect& last = tiles[3];
  EXPECT_EQ(TileAt(tiles, last.x, last.y), 3);
  EXPECT_EQ(TileAt(tiles, last.x + last.width - 1, last.y + last.height + kCaptionHeight - 1), 3);
  EXPECT_EQ(TileAt(tiles, last.x + last.width, last.y), -1);
  EXPECT_EQ(TileAt(tiles, 0, 0), -1);
}

}  // namespace
}  // namespace demo_viewer
