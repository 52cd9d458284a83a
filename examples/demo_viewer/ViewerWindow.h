// The viewer's X11 window: a top-level window with one child window per tile
// (the decoder draws into the children) and a caption strip under each tile.
#ifndef KELO_DEMO_VIEWER_VIEWER_WINDOW_H
#define KELO_DEMO_VIEWER_VIEWER_WINDOW_H

#include <X11/Xlib.h>

#include <string>
#include <vector>

#include "GridLayout.h"
#include "ViewerCommands.h"

namespace demo {

struct WindowEvent {
  ViewerCommand command = ViewerCommand::kNone;
  int clickedTile = -1;  // a tile the user clicked, else -1
};

class ViewerWindow {
 public:
  // Opens the window on |display| (owned by the caller) with |tileCount| tiles.
  ViewerWindow(Display* display, int tileCount, const std::string& title);
  ~ViewerWindow();
  ViewerWindow(const ViewerWindow&) = delete;
  ViewerWindow& operator=(const ViewerWindow&) = delete;

  Window TopWindow() const { return top_; }
  Window TileWindow(int tile) const { return tiles_[static_cast<size_t>(tile)]; }

  // Replaces the captions and the highlighted tile (-1: all tiles) and
  // redraws them.
  void SetCaptions(const std::vector<std::string>& captions, int selectedTile);

  // Handles the X events that arrived, waiting at most |timeoutMs| for the
  // first; returns the user's requests in order.
  std::vector<WindowEvent> PollEvents(int timeoutMs);

  // Writes the window as it is on screen (tiles included) to a binary PPM.
  bool SaveScreenshot(const std::string& path) const;

 private:
  void ApplyLayout();
  void DrawCaptions();

  Display* display_;
  Window top_ = 0;
  std::vector<Window> tiles_;
  std::vector<TileRect> layout_;
  WindowSize size_{};
  GC gc_ = nullptr;
  XFontStruct* font_ = nullptr;
  Atom deleteWindow_ = 0;
  unsigned long background_ = 0;
  unsigned long text_ = 0;
  unsigned long highlight_ = 0;
  std::vector<std::string> captions_;
  int selectedTile_ = -1;
};

}  // namespace demo

#endif  // KELO_DEMO_VIEWER_VIEWER_WINDOW_H
