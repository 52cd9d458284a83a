// The viewer's window, whatever the window system: a top-level window with
// one child window per tile (the decoder draws into the children), a caption
// strip under each tile and an overlay line above it. Each window system has
// its own implementation (ViewerWindowX11.cpp, ViewerWindowWin32.cpp); the
// viewer sees only this interface.
#ifndef KELO_DEMO_VIEWER_VIEWER_WINDOW_H
#define KELO_DEMO_VIEWER_VIEWER_WINDOW_H

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Kelo820_PlaySDKTypes.h"
#include "TileLabel.h"
#include "ViewerCommands.h"

namespace demo_viewer {

struct WindowEvent {
  ViewerCommand command = ViewerCommand::kNone;
  int clickedTile = -1;  // a tile the user clicked, else -1
};

class ViewerWindow {
 public:
  virtual ~ViewerWindow() = default;

  // "window 0x... on display :0": for the terminal.
  virtual std::string Description() const = 0;
  // The handles the SDK takes: the top window for Play_InitDDraw, a tile's
  // for the channel that plays in it.
  virtual WindowHandle TopWindow() const = 0;
  virtual WindowHandle TileWindow(int tile) const = 0;

  // Replaces the captions and the highlighted tile (-1: all tiles) and
  // redraws them, each shortened to its tile's width.
  virtual void SetCaptions(const std::vector<TileLabel>& captions, int selectedTile) = 0;

  // Handles the window system's events that arrived, waiting at most
  // |timeoutMs| for the first; returns the user's requests in order.
  virtual std::vector<WindowEvent> PollEvents(int timeoutMs) = 0;

  // Pictures drawn into |tile| so far, as far as the window system lets the
  // viewer see them; false when it cannot count them.
  virtual bool PicturesDrawn(int tile, uint64_t* count) const = 0;
  // Called from PollEvents for every picture drawn into a tile, as it is told.
  void SetDrawingObserver(std::function<void(int tile)> observer) {
    drawingObserver_ = std::move(observer);
  }
  // Called from PollEvents when a tile must be drawn again (uncovered or
  // resized) and the window system leaves that to the window's owner: the
  // viewer asks the SDK to redraw the channel's last picture.
  void SetRedrawObserver(std::function<void(int tile)> observer) {
    redrawObserver_ = std::move(observer);
  }

  // Shows or hides a line of text over the top of each tile (in a window of
  // its own above the tile, so that the decoder's drawing leaves it alone),
  // and replaces the lines.
  virtual void ToggleOverlay() = 0;
  virtual void SetOverlay(const std::vector<std::string>& lines) = 0;

  // Writes the window as it is on screen (tiles included) to |path|: a PPM
  // on X11, a BMP on Windows.
  virtual bool SaveScreenshot(const std::string& path) const = 0;

 protected:
  std::function<void(int tile)> drawingObserver_;
  std::function<void(int tile)> redrawObserver_;
};

// Opens the viewer's window with |tileCount| tiles, or returns null when
// there is no display to open it on.
std::unique_ptr<ViewerWindow> OpenViewerWindow(int tileCount, const std::string& title);

}  // namespace demo_viewer

#endif  // KELO_DEMO_VIEWER_VIEWER_WINDOW_H
