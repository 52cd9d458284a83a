// The caption under a tile, shortened to the tile's width. Kept free of any
// window system so that every viewer fits its labels the same way.
#ifndef KELO_DEMO_VIEWER_TILE_LABEL_H
#define KELO_DEMO_VIEWER_TILE_LABEL_H

#include <string>

namespace demo_viewer {

// Pixels left free between a tile's edges and its caption text, on each side.
constexpr int kLabelInset = 2;

struct TileLabel {
  std::string channel;  // "ch2": always shown
  std::string name;     // the stream: shortened first, in the middle
  std::string state;    // "playing  vol 50": shortened last, by whole words
};

// The label as a whole line: "ch2 name  state".
std::string LabelText(const TileLabel& label);

// The label in at most |tileWidth| pixels (less the inset on both sides) of
// a font whose characters are |charWidth| pixels wide: whole if it fits;
// else the name elided in the middle ("mand...s.kst"), or left out; then the
// state's last words dropped (back to the end of a clause where one fits),
// and cut inside a word only when not even its first word fits.
std::string FitLabel(const TileLabel& label, int tileWidth, int charWidth);

}  // namespace demo_viewer

#endif  // KELO_DEMO_VIEWER_TILE_LABEL_H
