// The viewer's X11 window: a top-level window with one child window per tile
// (the decoder draws into the children) and a caption strip under each tile.
// The SDK tells its client nothing about the frames it shows, so the window
// watches the tiles through the X server's DAMAGE extension and counts the
// pictures drawn into each.
#ifndef KELO_DEMO_VIEWER_VIEWER_WINDOW_H
#define KELO_DEMO_VIEWER_VIEWER_WINDOW_H

#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "GridLayout.h"
#include "TileLabel.h"
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
  // redraws them, each shortened to its tile's width.
  void SetCaptions(const std::vector<TileLabel>& captions, int selectedTile);

  // Handles the X events that arrived, waiting at most |timeoutMs| for the
  // first; returns the user's requests in order.
  std::vector<WindowEvent> PollEvents(int timeoutMs);

  // Pictures drawn into |tile| so far, as the X server saw them; false when
  // the server has no DAMAGE extension to count them with.
  bool PicturesDrawn(int tile, uint64_t* count) const;
  // Called from PollEvents for every picture drawn into a tile, as it is told.
  void SetDrawingObserver(std::function<void(int tile)> observer) {
    drawingObserver_ = std::move(observer);
  }

  // Shows or hides a line of text over the top of each tile (in a window of
  // its own above the tile, so that the decoder's drawing leaves it alone),
  // and replaces the lines.
  void ToggleOverlay();
  void SetOverlay(const std::vector<std::string>& lines);

  // Writes the window as it is on screen (tiles included) to a binary PPM.
  bool SaveScreenshot(const std::string& path) const;

 private:
  void ApplyLayout();
  void DrawCaptions();
  void DrawOverlay();
  void PlaceOverlays();
  void CountDrawing(const XDamageNotifyEvent& event);

  Display* display_;
  Window top_ = 0;
  std::vector<Window> tiles_;
  // One damage record per tile; its NonEmpty reports arrive once per drawing
  // after each subtraction, so one report is one picture drawn.
  bool damageAvailable_ = false;
  int damageEventBase_ = 0;
  std::vector<Damage> damages_;
  std::vector<uint64_t> picturesDrawn_;
  std::vector<bool> creationReported_;
  std::vector<TileRect> layout_;
  WindowSize size_{};
  GC gc_ = nullptr;
  XFontStruct* font_ = nullptr;
  Atom deleteWindow_ = 0;
  unsigned long background_ = 0;
  unsigned long text_ = 0;
  unsigned long highlight_ = 0;
  std::vector<TileLabel> captions_;
  std::function<void(int tile)> drawingObserver_;
  std::vector<Window> overlays_;
  std::vector<std::string> overlayLines_;
  bool overlayShown_ = false;
  int selectedTile_ = -1;
};

}  // namespace demo

#endif  // KELO_DEMO_VIEWER_VIEWER_WINDOW_H
