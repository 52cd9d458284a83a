// The viewer's command line.
#ifndef KELO_DEMO_VIEWER_VIEWER_OPTIONS_H
#define KELO_DEMO_VIEWER_VIEWER_OPTIONS_H

#include <cstdint>
#include <string>
#include <vector>

namespace demo_viewer {

struct ViewerOptions {
  int tileCount = 4;
  // Seconds until the viewer quits by itself; 0 means "when the user quits"
  // (and the headless default when there is no display).
  double seconds = 0;
  // When every tile is captured to BMP once; negative means never.
  double captureAt = -1;
  // File that receives the window's picture (PPM on X11, BMP on Windows) at
  // |screenshotAt|; empty means no screenshot.
  std::string screenshotPath;
  double screenshotAt = 3;
  // Captures go to |outputDirectory|/captures.
  std::string outputDirectory = "demo-out";
  // The picture quality every channel decodes at: 1 full, 0 fast (no loop
  // filter; a wall of small tiles costs less CPU).
  int32_t picQuality = 1;
  // Streams for the tiles, in tile order; repeated when there are more tiles.
  std::vector<std::string> streams;
  bool showHelp = false;
  bool showVersion = false;
};

// Parses argv[1..argc-1]. On a bad command line returns false and says why in
// |error|.
bool ParseViewerOptions(int argc, const char* const* argv, ViewerOptions* options,
                        std::string* error);

// The usage text, for --help and after a bad command line; it ends with the
// key help.
std::string ViewerUsage(const std::string& programName);
// What each key does.
std::string ViewerKeyHelp();

}  // namespace demo_viewer

#endif  // KELO_DEMO_VIEWER_VIEWER_OPTIONS_H
