#include "ViewerOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "GridLayout.h"

namespace demo_viewer {

namespace {

bool ParseSeconds(const std::string& text, double* seconds) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const double value = std::strtod(text.c_str(), &end);
  if (errno != 0 || *end != '\0' || !std::isfinite(value) || value < 0) return false;
  *seconds = value;
  return true;
}

bool ParseTileCount(const std::string& text, int* tileCount) {
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || !IsSupportedTileCount(static_cast<int>(value))) {
    return false;
  }
  *tileCount = static_cast<int>(value);
  return true;
}

}  // namespace

bool ParseViewerOptions(int argc, const char* const* argv, ViewerOptions* options,
                        std::string* error) {
  ViewerOptions parsed;
  for (int index = 1; index < argc; ++index) {
    const std::string argument = argv[index];
    if (argument == "--help" || argument == "-h") {
      parsed.showHelp = true;
      continue;
    }
    if (argument == "--version") {
      parsed.showVersion = true;
      continue;
    }
    if (argument.size() < 2 || argument.compare(0, 2, "--") != 0) {
      parsed.streams.push_back(argument);
      continue;
    }
    if (index + 1 >= argc) {
      *error = argument + " needs a value";
      return false;
    }
    const std::string value = argv[++index];
    bool valid = true;
    if (argument == "--grid") {
      valid = ParseTileCount(value, &parsed.tileCount);
    } else if (argument == "--seconds") {
      valid = ParseSeconds(value, &parsed.seconds);
    } else if (argument == "--capture-at") {
      valid = ParseSeconds(value, &parsed.captureAt);
    } else if (argument == "--screenshot-at") {
      valid = ParseSeconds(value, &parsed.screenshotAt);
    } else if (argument == "--screenshot") {
      valid = !value.empty();
      parsed.screenshotPath = value;
    } else if (argument == "--quality") {
      valid = value == "fast" || value == "full";
      parsed.picQuality = value == "fast" ? 0 : 1;
    } else if (argument == "--out") {
      valid = !value.empty();
      parsed.outputDirectory = value;
    } else {
      *error = "unknown option " + argument;
      return false;
    }
    if (!valid) {
      *error = "bad value '" + value + "' for " + argument;
      return false;
    }
  }
  *options = parsed;
  return true;
}

std::string ViewerUsage(const std::string& programName) {
  return "usage: " + programName +
         " [options] [STREAM...]\n"
         "Plays one stream per tile through the Kelo820 PlaySDK.\n"
         "STREAM is a stream file (.kst: stream header + payload, as m4stream\n"
         "writes it), a media file, which m4stream converts into DIR/streams, or\n"
         "a live source: udp://HOST:PORT or tcp://HOST:PORT carrying an MPEG\n"
         "transport stream, or rtsp://...;\n"
         "without streams the build's sample streams play.\n"
         "  --grid N           tiles: 1, 4, 9, 16, 25 or 36 (default 4; the SDK plays 32)\n"
         "  --seconds S        quit after S seconds (headless default 10)\n"
         "  --capture-at S     capture every tile to BMP at S seconds\n"
         "  --screenshot FILE  write the window's picture (PPM on X11, BMP on\n"
         "                     Windows) ...\n"
         "  --screenshot-at S  ... at S seconds (default 3)\n"
         "  --out DIR          captures go to DIR/captures (default demo-out)\n"
         "  --quality Q        full (default) or fast: decoding without the loop\n"
         "                     filter, for a wall of small tiles\n"
         "  --version          print the SDK's version and quit\n" +
         ViewerKeyHelp();
}

std::string ViewerKeyHelp() {
  return "Keys: p play, space pause/resume, f faster, s slower, n step one frame,\n"
         "      + / - volume, c capture BMP, z zoom into a quarter (again: back),\n"
         "      o overlay of each tile's figures, Tab or click: choose a tile (or all),\n"
         "      q or Esc quit.\n";
}

}  // namespace demo_viewer
