#include "TileLabel.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace demo_viewer {
namespace {

// The "fixed" font the Linux viewer draws with.
constexpr int kCharWidth = 6;

// A tile whose caption has room for |columns| characters.
int TileFor(int columns) { return 2 * kLabelInset + columns * kCharWidth; }

struct FitCase {
  const char* why;
  TileLabel label;
  int tileWidth;
  const char* expected;
};

TEST(TileLabelTest, KeepsChannelAndStateElidesTheNameAndNeverOverrunsTheTile) {
  const TileLabel longName{"ch2", "mandelbrot-h264-ts.kst", "playing"};
  const TileLabel notPlayed{"ch32", "", "not played: the player has 32 channels"};
  const FitCase cases[] = {
      {"fits whole",
       {"ch0", "bars-mpeg2-ps.kst", "playing  vol 50"},
       352,
       "ch0 bars-mpeg2-ps.kst  playing  vol 50"},
      {"exactly fits", longName, TileFor(35), "ch2 mandelbrot-h264-ts.kst  playing"},
      {"name elided in the middle", longName, TileFor(32), "ch2 mandelbr...4-ts.kst  playing"},
      {"shortest elided name", longName, TileFor(20), "ch2 ma...st  playing"},
      {"no room for a useful name: left out", longName, TileFor(19), "ch2 playing"},
      {"state cut at the end of a clause", notPlayed, TileFor(21), "ch32 not played"},
      {"state's trailing colon dropped", notPlayed, TileFor(16), "ch32 not played"},
      {"state cut back to its first clause, name gone",
       {"ch5", "udp://127.0.0.1:5000", "unreachable: cannot reach it (Connection refused)"},
       TileFor(30),
       "ch5 unreachable"},
      {"no clause fits: whole words",
       {"ch5", "x", "stalled 1.4 s, retrying"},
       TileFor(16),
       "ch5 stalled 1.4"},
      {"a clause fits", {"ch5", "x", "stalled 1.4 s, retrying"}, TileFor(17), "ch5 stalled 1.4 s"},
      {"first word too long: cut inside it",
       {"ch5", "x", "unreachable"},
       TileFor(10),
       "ch5 unreac"},
      {"channel and a space only", {"ch5", "x", "playing"}, TileFor(4), "ch5"},
      {"narrower than the channel number", longName, TileFor(2), "ch"},
      {"no room at all", longName, 2 * kLabelInset, ""},
      {"no tile", longName, 0, ""},
  };
  for (const FitCase& test : cases) {
    const std::string fitted = FitLabel(test.label, test.tileWidth, kCharWidth);
    EXPECT_EQ(fitted, test.expected) << test.why;
    EXPECT_LE(static_cast<int>(fitted.size()) * kCharWidth,
              std::max(0, test.tileWidth - 2 * kLabelInset))
        << test.why;
  }
}

TEST(TileLabelTest, EveryWidthKeepsTheChannelNumberOnceItFits) {
  const TileLabel label{"ch17", "testsrc2-mpeg2-ts.kst", "stalled 1.4 s, retrying  vol 50"};
  for (int columns = 4; columns < 80; ++columns) {
    const std::string fitted = FitLabel(label, TileFor(columns), kCharWidth);
    EXPECT_EQ(fitted.rfind("ch17", 0), 0u) << columns << ": " << fitted;
    EXPECT_LE(fitted.size(), static_cast<size_t>(columns)) << fitted;
    if (columns >= 12) {
      EXPECT_NE(fitted.find("stalled"), std::string::npos) << fitted;
    }
  }
}

}  // namespace
}  // namespace demo_viewer
