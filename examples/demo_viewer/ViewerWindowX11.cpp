// The viewer's X11 window. The SDK tells its client nothing about the frames
// it shows, so the window watches the tiles through the X server's DAMAGE
// extension and counts the pictures drawn into each. The decoder redraws a
// tile after an expose by itself.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>
#include <poll.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <sstream>

#include "GridLayout.h"
#include "KeyTranslation.h"
#include "ViewerWindow.h"

namespace demo_viewer {

namespace {

class ViewerWindowX11 : public ViewerWindow {
 public:
  // Opens the window on |display| (owned by it from now on) with |tileCount|
  // tiles.
  ViewerWindowX11(Display* display, int tileCount, const std::string& title);
  ~ViewerWindowX11() override;
  ViewerWindowX11(const ViewerWindowX11&) = delete;
  ViewerWindowX11& operator=(const ViewerWindowX11&) = delete;

  std::string Description() const override;
  WindowHandle TopWindow() const override { return ToHandle(top_); }
  WindowHandle TileWindow(int tile) const override {
    return ToHandle(tiles_[static_cast<size_t>(tile)]);
  }
  void SetCaptions(const std::vector<TileLabel>& captions, int selectedTile) override;
  std::vector<WindowEvent> PollEvents(int timeoutMs) override;
  // False when the server has no DAMAGE extension to count them with.
  bool PicturesDrawn(int tile, uint64_t* count) const override;
  void ToggleOverlay() override;
  void SetOverlay(const std::vector<std::string>& lines) override;
  // A binary PPM.
  bool SaveScreenshot(const std::string& path) const override;

 private:
  // The SDK takes an X window id in its window handle.
  static WindowHandle ToHandle(Window window) { return reinterpret_cast<WindowHandle>(window); }
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
  std::vector<Window> overlays_;
  std::vector<std::string> overlayLines_;
  bool overlayShown_ = false;
  int selectedTile_ = -1;
};

unsigned long NamedColour(Display* display, const char* name, unsigned long fallback) {
  XColor exact;
  XColor screen;
  const Colormap map = DefaultColormap(display, DefaultScreen(display));
  return XAllocNamedColor(display, map, name, &screen, &exact) ? screen.pixel : fallback;
}

// The 8-bit value of the channel that |mask| selects in |pixel|.
unsigned ChannelValue(unsigned long pixel, unsigned long mask) {
  if (mask == 0) return 0;
  int shift = 0;
  while (((mask >> shift) & 1) == 0) ++shift;
  const unsigned long maximum = mask >> shift;
  return static_cast<unsigned>(((pixel & mask) >> shift) * 255 / maximum);
}

}  // namespace

ViewerWindowX11::ViewerWindowX11(Display* display, int tileCount, const std::string& title)
    : display_(display) {
  const int screen = DefaultScreen(display);
  size_ = PreferredWindowSize(tileCount,
                              {DisplayWidth(display, screen), DisplayHeight(display, screen) - 40});
  background_ = NamedColour(display, "gray15", BlackPixel(display, screen));
  text_ = NamedColour(display, "gray85", WhitePixel(display, screen));
  highlight_ = NamedColour(display, "gold", WhitePixel(display, screen));
  top_ = XCreateSimpleWindow(
      display, RootWindow(display, screen), 0, 0, static_cast<unsigned>(size_.width),
      static_cast<unsigned>(size_.height), 0, BlackPixel(display, screen), background_);
  XStoreName(display, top_, title.c_str());
  XSelectInput(display, top_, ExposureMask | KeyPressMask | ButtonPressMask | StructureNotifyMask);
  deleteWindow_ = XInternAtom(display, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(display, top_, &deleteWindow_, 1);

  // The tiles select no input: key presses and clicks reach the top window,
  // and the decoder is free to select what it needs on them.
  layout_ = LayoutTiles(tileCount, size_);
  for (const TileRect& tile : layout_) {
    tiles_.push_back(XCreateSimpleWindow(display, top_, tile.x, tile.y,
                                         static_cast<unsigned>(tile.width),
                                         static_cast<unsigned>(tile.height), 0,
                                         BlackPixel(display, screen), BlackPixel(display, screen)));
  }
  for (size_t index = 0; index < tiles_.size(); ++index) {
    overlays_.push_back(
        XCreateSimpleWindow(display, top_, 0, 0, 1, 1, 0, background_, background_));
    XSelectInput(display, overlays_.back(), ExposureMask);
  }
  PlaceOverlays();
  gc_ = XCreateGC(display, top_, 0, nullptr);
  font_ = XLoadQueryFont(display, "fixed");
  if (font_ != nullptr) XSetFont(display, gc_, font_->fid);
  for (Window tile : tiles_) XMapWindow(display, tile);
  XMapWindow(display, top_);
  XSync(display, False);
  int damageErrorBase = 0;
  damageAvailable_ = XDamageQueryExtension(display, &damageEventBase_, &damageErrorBase) != 0;
  picturesDrawn_.assign(tiles_.size(), 0);
  creationReported_.assign(tiles_.size(), false);
  if (damageAvailable_) {
    for (Window tile : tiles_) {
      damages_.push_back(XDamageCreate(display, tile, XDamageReportNonEmpty));
    }
  }
}

ViewerWindowX11::~ViewerWindowX11() {
  for (Damage damage : damages_) XDamageDestroy(display_, damage);
  if (font_ != nullptr) XFreeFont(display_, font_);
  XFreeGC(display_, gc_);
  XDestroyWindow(display_, top_);
  XSync(display_, False);
  XCloseDisplay(display_);
}

std::string ViewerWindowX11::Description() const {
  std::ostringstream text;
  text << "window 0x" << std::hex << top_ << std::dec << " on display " << DisplayString(display_);
  return text.str();
}

void ViewerWindowX11::SetCaptions(const std::vector<TileLabel>& captions, int selectedTile) {
  captions_ = captions;
  selectedTile_ = selectedTile;
  DrawCaptions();
}

bool ViewerWindowX11::PicturesDrawn(int tile, uint64_t* count) const {
  if (!damageAvailable_) return false;
  *count = picturesDrawn_[static_cast<size_t>(tile)];
  return true;
}

void ViewerWindowX11::CountDrawing(const XDamageNotifyEvent& event) {
  for (size_t index = 0; index < damages_.size(); ++index) {
    if (damages_[index] != event.damage) continue;
    // The server reports the whole tile once when the record is created;
    // only the reports after that are drawings.
    if (creationReported_[index]) {
      ++picturesDrawn_[index];
      if (drawingObserver_) drawingObserver_(static_cast<int>(index));
    } else {
      creationReported_[index] = true;
    }
    // Emptying the damage re-arms the report for the next drawing.
    XDamageSubtract(display_, event.damage, None, None);
    return;
  }
}

void ViewerWindowX11::ApplyLayout() {
  layout_ = LayoutTiles(static_cast<int>(tiles_.size()), size_);
  for (size_t index = 0; index < tiles_.size(); ++index) {
    const TileRect& tile = layout_[index];
    XMoveResizeWindow(display_, tiles_[index], tile.x, tile.y, static_cast<unsigned>(tile.width),
                      static_cast<unsigned>(tile.height));
  }
  PlaceOverlays();
  XClearWindow(display_, top_);
  DrawCaptions();
}

void ViewerWindowX11::PlaceOverlays() {
  for (size_t index = 0; index < overlays_.size(); ++index) {
    const TileRect& tile = layout_[index];
    XMoveResizeWindow(display_, overlays_[index], tile.x, tile.y, static_cast<unsigned>(tile.width),
                      static_cast<unsigned>(std::min(tile.height, kCaptionHeight)));
  }
}

void ViewerWindowX11::ToggleOverlay() {
  overlayShown_ = !overlayShown_;
  for (Window overlay : overlays_) {
    if (overlayShown_) {
      XMapRaised(display_, overlay);
    } else {
      XUnmapWindow(display_, overlay);
    }
  }
  DrawOverlay();
}

void ViewerWindowX11::SetOverlay(const std::vector<std::string>& lines) {
  overlayLines_ = lines;
  DrawOverlay();
}

void ViewerWindowX11::DrawOverlay() {
  if (!overlayShown_) return;
  const int ascent = font_ != nullptr ? font_->ascent : 10;
  XSetForeground(display_, gc_, highlight_);
  for (size_t index = 0; index < overlays_.size() && index < overlayLines_.size(); ++index) {
    XClearWindow(display_, overlays_[index]);
    const std::string& line = overlayLines_[index];
    XDrawString(display_, overlays_[index], gc_, 2, 1 + ascent, line.c_str(),
                static_cast<int>(line.size()));
  }
  XFlush(display_);
}

void ViewerWindowX11::DrawCaptions() {
  const int ascent = font_ != nullptr ? font_->ascent : 10;
  for (size_t index = 0; index < layout_.size(); ++index) {
    const TileRect& tile = layout_[index];
    const bool selected = selectedTile_ < 0 || selectedTile_ == static_cast<int>(index);
    // Frame the chosen tiles in the gap around them, which the decoder never paints.
    XSetForeground(display_, gc_, selected ? highlight_ : background_);
    XDrawRectangle(display_, top_, gc_, tile.x - 2, tile.y - 2,
                   static_cast<unsigned>(tile.width + 3), static_cast<unsigned>(tile.height + 3));
    XSetForeground(display_, gc_, background_);
    XFillRectangle(display_, top_, gc_, tile.x, tile.y + tile.height + 2,
                   static_cast<unsigned>(tile.width), kCaptionHeight - 2);
    if (index >= captions_.size()) continue;
    XSetForeground(display_, gc_, selected ? highlight_ : text_);
    // "fixed" is a fixed-width font; without it, X's default font is 6 wide.
    const int charWidth = font_ != nullptr ? font_->max_bounds.width : 6;
    const std::string caption = FitLabel(captions_[index], tile.width, charWidth);
    XDrawString(display_, top_, gc_, tile.x + kLabelInset, tile.y + tile.height + 2 + ascent,
                caption.c_str(), static_cast<int>(caption.size()));
  }
  XFlush(display_);
}

std::vector<WindowEvent> ViewerWindowX11::PollEvents(int timeoutMs) {
  std::vector<WindowEvent> events;
  if (XPending(display_) == 0) {
    pollfd connection{ConnectionNumber(display_), POLLIN, 0};
    poll(&connection, 1, timeoutMs);
  }
  while (XPending(display_) > 0) {
    XEvent event;
    XNextEvent(display_, &event);
    if (damageAvailable_ && event.type == damageEventBase_ + XDamageNotify) {
      CountDrawing(reinterpret_cast<const XDamageNotifyEvent&>(event));
      continue;
    }
    switch (event.type) {
      case Expose:
        if (event.xexpose.count == 0) {
          DrawCaptions();
          DrawOverlay();
        }
        break;
      case ConfigureNotify:
        if (event.xconfigure.width != size_.width || event.xconfigure.height != size_.height) {
          size_ = {event.xconfigure.width, event.xconfigure.height};
          ApplyLayout();
        }
        break;
      case KeyPress: {
        char typed[8] = {};
        KeySym keysym = NoSymbol;
        const int length = XLookupString(&event.xkey, typed, sizeof(typed), &keysym, nullptr);
        WindowEvent request;
        request.command = CommandForKey(length == 1 ? typed[0] : '\0', KeyFromSystemCode(keysym));
        if (request.command != ViewerCommand::kNone) events.push_back(request);
        break;
      }
      case ButtonPress: {
        // A click inside a tile arrives with the tile as subwindow and
        // coordinates relative to the top window.
        WindowEvent request;
        request.clickedTile = TileAt(layout_, event.xbutton.x, event.xbutton.y);
        events.push_back(request);
        break;
      }
      case ClientMessage:
        if (static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow_) {
          events.push_back({ViewerCommand::kQuit, -1});
        }
        break;
      default:
        break;
    }
  }
  return events;
}

bool ViewerWindowX11::SaveScreenshot(const std::string& path) const {
  XSync(display_, False);
  // XDestroyImage is a macro, so it cannot serve as the deleter itself.
  auto destroy = [](XImage* image) { XDestroyImage(image); };
  std::unique_ptr<XImage, decltype(destroy)> image(
      XGetImage(display_, top_, 0, 0, static_cast<unsigned>(size_.width),
                static_cast<unsigned>(size_.height), AllPlanes, ZPixmap),
      destroy);
  if (!image) return false;
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
  if (!file) return false;
  std::fprintf(file.get(), "P6\n%d %d\n255\n", image->width, image->height);
  std::vector<unsigned char> row(static_cast<size_t>(image->width) * 3);
  for (int y = 0; y < image->height; ++y) {
    for (int x = 0; x < image->width; ++x) {
      const unsigned long pixel = XGetPixel(image.get(), x, y);
      unsigned char* rgb = &row[static_cast<size_t>(x) * 3];
      rgb[0] = static_cast<unsigned char>(ChannelValue(pixel, image->red_mask));
      rgb[1] = static_cast<unsigned char>(ChannelValue(pixel, image->green_mask));
      rgb[2] = static_cast<unsigned char>(ChannelValue(pixel, image->blue_mask));
    }
    if (std::fwrite(row.data(), 1, row.size(), file.get()) != row.size()) return false;
  }
  return true;
}

std::unique_ptr<ViewerWindow> OpenViewerWindow(int tileCount, const std::string& title) {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return nullptr;
  return std::make_unique<ViewerWindowX11>(display, tileCount, title);
}

}  // namespace demo_viewer
