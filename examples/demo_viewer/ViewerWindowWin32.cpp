// The viewer's Win32 window. The decoder draws into the tiles with GDI from
// its own thread. Windows tells a window's owner, not the decoder, when a
// tile must be drawn again: the tile's WM_PAINT asks the SDK to redraw its
// channel (Play_RefreshPlay). Windows has no event for drawing that another
// thread does into a window, so the tiles count the message our decoder posts
// to a window after each picture it drew into it (docs/decoder.md); with
// another decoder none arrives and the pictures drawn are not known.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "GridLayout.h"
#include "KeyTranslation.h"
#include "ViewerWindow.h"
#include "m4playerApi.h"

namespace demo_viewer {

namespace {

// The registered message our decoder posts to a window after each picture.
constexpr wchar_t kPictureDrawnMessage[] = M4_PICTURE_DRAWN_MESSAGE;

constexpr wchar_t kTopClass[] = L"KeloDemoViewer";
constexpr wchar_t kTileClass[] = L"KeloDemoViewerTile";
constexpr wchar_t kOverlayClass[] = L"KeloDemoViewerOverlay";

// The X11 window's colours: gray15, gray85 and gold.
constexpr COLORREF kBackground = RGB(38, 38, 38);
constexpr COLORREF kText = RGB(217, 217, 217);
constexpr COLORREF kHighlight = RGB(255, 215, 0);

std::wstring Wide(const std::string& text) {
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
  if (length <= 1) return std::wstring();
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), length);
  wide.resize(static_cast<size_t>(length - 1));
  return wide;
}

class ViewerWindowWin32 : public ViewerWindow {
 public:
  ViewerWindowWin32(int tileCount, const std::string& title);
  ~ViewerWindowWin32() override;
  ViewerWindowWin32(const ViewerWindowWin32&) = delete;
  ViewerWindowWin32& operator=(const ViewerWindowWin32&) = delete;

  bool Created() const { return top_ != nullptr; }

  std::string Description() const override;
  WindowHandle TopWindow() const override { return top_; }
  WindowHandle TileWindow(int tile) const override { return tiles_[static_cast<size_t>(tile)]; }
  void SetCaptions(const std::vector<TileLabel>& captions, int selectedTile) override;
  std::vector<WindowEvent> PollEvents(int timeoutMs) override;
  // False until the decoder has told of a picture: another decoder never does.
  bool PicturesDrawn(int tile, uint64_t* count) const override;
  void ToggleOverlay() override;
  void SetOverlay(const std::vector<std::string>& lines) override;
  // A 24-bit BMP of the window's client area, read back from the screen.
  bool SaveScreenshot(const std::string& path) const override;

 private:
  static LRESULT CALLBACK TopProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK TileProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK OverlayProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // The window object and the tile a window stands for (its control id).
  static ViewerWindowWin32* Owner(HWND window);
  static int TileOf(HWND window);

  void ApplyLayout();
  void PaintTop();
  void PaintOverlay(HWND overlay);
  void Push(WindowEvent event) { events_.push_back(event); }

  HINSTANCE instance_ = GetModuleHandleW(nullptr);
  UINT pictureDrawn_ = 0;
  HWND top_ = nullptr;
  std::vector<HWND> tiles_;
  std::vector<HWND> overlays_;
  std::vector<TileRect> layout_;
  WindowSize size_{};
  HFONT font_ = static_cast<HFONT>(GetStockObject(ANSI_FIXED_FONT));
  HBRUSH background_ = CreateSolidBrush(kBackground);
  std::vector<uint64_t> picturesDrawn_;
  bool drawingReported_ = false;
  std::vector<TileLabel> captions_;
  std::vector<std::string> overlayLines_;
  bool overlayShown_ = false;
  int selectedTile_ = -1;
  // What the window procedures heard, for PollEvents to return.
  std::vector<WindowEvent> events_;
};

ViewerWindowWin32::ViewerWindowWin32(int tileCount, const std::string& title) {
  pictureDrawn_ = RegisterWindowMessageW(kPictureDrawnMessage);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.hInstance = instance_;
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.lpfnWndProc = TopProcedure;
  windowClass.lpszClassName = kTopClass;
  RegisterClassExW(&windowClass);
  windowClass.lpfnWndProc = TileProcedure;
  windowClass.lpszClassName = kTileClass;
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  RegisterClassExW(&windowClass);
  windowClass.lpfnWndProc = OverlayProcedure;
  windowClass.lpszClassName = kOverlayClass;
  windowClass.hbrBackground = nullptr;
  RegisterClassExW(&windowClass);

  // The client area holds the grid; the frame and title bar come on top.
  constexpr DWORD kTopStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  RECT frame{0, 0, 0, 0};
  AdjustWindowRect(&frame, kTopStyle, FALSE);
  const int frameWidth = frame.right - frame.left;
  const int frameHeight = frame.bottom - frame.top;
  RECT workArea{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
  size_ = PreferredWindowSize(tileCount, {workArea.right - workArea.left - frameWidth,
                                          workArea.bottom - workArea.top - frameHeight});
  layout_ = LayoutTiles(tileCount, size_);
  picturesDrawn_.assign(static_cast<size_t>(tileCount), 0);
  top_ = CreateWindowExW(0, kTopClass, Wide(title).c_str(), kTopStyle, workArea.left, workArea.top,
                         size_.width + frameWidth, size_.height + frameHeight, nullptr, nullptr,
                         instance_, nullptr);
  if (top_ == nullptr) return;
  SetWindowLongPtrW(top_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  // Siblings clip each other, so that the decoder's drawing into a tile
  // stays out of the overlay above it. The control id is the tile's index
  // plus one.
  for (int tile = 0; tile < tileCount; ++tile) {
    const TileRect& rect = layout_[static_cast<size_t>(tile)];
    const auto id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(tile + 1));
    tiles_.push_back(CreateWindowExW(0, kTileClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                                     rect.x, rect.y, rect.width, rect.height, top_, id, instance_,
                                     nullptr));
    SetWindowLongPtrW(tiles_.back(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    // Asks our decoder to post its message after each picture it draws here.
    SetPropW(tiles_.back(), kPictureDrawnMessage, reinterpret_cast<HANDLE>(1));
  }
  for (int tile = 0; tile < tileCount; ++tile) {
    const auto id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(tile + 1));
    overlays_.push_back(CreateWindowExW(0, kOverlayClass, L"", WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 1,
                                        1, top_, id, instance_, nullptr));
    SetWindowLongPtrW(overlays_.back(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ApplyLayout();
  ShowWindow(top_, SW_SHOW);
  SetForegroundWindow(top_);
  SetFocus(top_);
  UpdateWindow(top_);
}

ViewerWindowWin32::~ViewerWindowWin32() {
  // A window's properties are its owner's to remove before it goes.
  for (HWND tile : tiles_) RemovePropW(tile, kPictureDrawnMessage);
  if (top_ != nullptr) DestroyWindow(top_);
  DeleteObject(background_);
}

std::string ViewerWindowWin32::Description() const {
  std::ostringstream text;
  text << "window 0x" << std::hex << reinterpret_cast<uintptr_t>(top_) << std::dec
       << " on the Windows desktop";
  return text.str();
}

ViewerWindowWin32* ViewerWindowWin32::Owner(HWND window) {
  return reinterpret_cast<ViewerWindowWin32*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

int ViewerWindowWin32::TileOf(HWND window) {
  return static_cast<int>(GetWindowLongPtrW(window, GWLP_ID)) - 1;
}

void ViewerWindowWin32::SetCaptions(const std::vector<TileLabel>& captions, int selectedTile) {
  captions_ = captions;
  selectedTile_ = selectedTile;
  // The tiles clip themselves out of the top window's painting.
  InvalidateRect(top_, nullptr, FALSE);
}

bool ViewerWindowWin32::PicturesDrawn(int tile, uint64_t* count) const {
  if (!drawingReported_) return false;
  *count = picturesDrawn_[static_cast<size_t>(tile)];
  return true;
}

void ViewerWindowWin32::ApplyLayout() {
  layout_ = LayoutTiles(static_cast<int>(tiles_.size()), size_);
  for (size_t index = 0; index < tiles_.size(); ++index) {
    const TileRect& tile = layout_[index];
    MoveWindow(tiles_[index], tile.x, tile.y, tile.width, tile.height, TRUE);
    MoveWindow(overlays_[index], tile.x, tile.y, tile.width, std::min(tile.height, kCaptionHeight),
               TRUE);
  }
  InvalidateRect(top_, nullptr, FALSE);
}

void ViewerWindowWin32::ToggleOverlay() {
  overlayShown_ = !overlayShown_;
  for (HWND overlay : overlays_) {
    SetWindowPos(overlay, HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | (overlayShown_ ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
  }
}

void ViewerWindowWin32::SetOverlay(const std::vector<std::string>& lines) {
  overlayLines_ = lines;
  if (!overlayShown_) return;
  for (HWND overlay : overlays_) InvalidateRect(overlay, nullptr, FALSE);
}

void ViewerWindowWin32::PaintTop() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(top_, &paint);
  FillRect(dc, &paint.rcPaint, background_);
  SelectObject(dc, font_);
  SetBkMode(dc, TRANSPARENT);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  for (size_t index = 0; index < layout_.size(); ++index) {
    const TileRect& tile = layout_[index];
    const bool selected = selectedTile_ < 0 || selectedTile_ == static_cast<int>(index);
    // Frame the chosen tiles in the gap around them, which the decoder never paints.
    if (selected) {
      HBRUSH highlight = CreateSolidBrush(kHighlight);
      const RECT frame{tile.x - 2, tile.y - 2, tile.x + tile.width + 2, tile.y + tile.height + 2};
      FrameRect(dc, &frame, highlight);
      DeleteObject(highlight);
    }
    if (index >= captions_.size()) continue;
    SetTextColor(dc, selected ? kHighlight : kText);
    const std::wstring caption =
        Wide(FitLabel(captions_[index], tile.width, std::max<int>(1, metrics.tmAveCharWidth)));
    TextOutW(dc, tile.x + kLabelInset, tile.y + tile.height + 2, caption.c_str(),
             static_cast<int>(caption.size()));
  }
  EndPaint(top_, &paint);
}

void ViewerWindowWin32::PaintOverlay(HWND overlay) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(overlay, &paint);
  RECT client;
  GetClientRect(overlay, &client);
  FillRect(dc, &client, background_);
  const size_t tile = static_cast<size_t>(TileOf(overlay));
  if (tile < overlayLines_.size()) {
    SelectObject(dc, font_);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kHighlight);
    const std::wstring line = Wide(overlayLines_[tile]);
    TextOutW(dc, 2, 1, line.c_str(), static_cast<int>(line.size()));
  }
  EndPaint(overlay, &paint);
}

LRESULT CALLBACK ViewerWindowWin32::TopProcedure(HWND window, UINT message, WPARAM wParam,
                                                 LPARAM lParam) {
  ViewerWindowWin32* self = Owner(window);
  if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  switch (message) {
    case WM_PAINT:
      self->PaintTop();
      return 0;
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT fills the background
    case WM_SIZE: {
      const WindowSize size{LOWORD(lParam), HIWORD(lParam)};
      if (wParam != SIZE_MINIMIZED &&
          (size.width != self->size_.width || size.height != self->size_.height)) {
        self->size_ = size;
        self->ApplyLayout();
      }
      return 0;
    }
    case WM_KEYDOWN: {
      // Keys that type a character the viewer knows come as WM_CHAR.
      const ViewerKey key = KeyFromSystemCode(static_cast<unsigned long>(wParam));
      if (key != ViewerKey::kOther) self->Push({CommandForKey('\0', key), -1});
      return 0;
    }
    case WM_CHAR: {
      const ViewerCommand command =
          CommandForKey(wParam < 0x80 ? static_cast<char>(wParam) : '\0', ViewerKey::kOther);
      if (command != ViewerCommand::kNone) self->Push({command, -1});
      return 0;
    }
    case WM_LBUTTONDOWN: {
      // A caption belongs to the tile above it.
      const int tile = TileAt(self->layout_, static_cast<short>(LOWORD(lParam)),
                              static_cast<short>(HIWORD(lParam)));
      if (tile >= 0) self->Push({ViewerCommand::kNone, tile});
      return 0;
    }
    case WM_CLOSE:
      // The viewer quits, closes its channels and then destroys the window.
      self->Push({ViewerCommand::kQuit, -1});
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

LRESULT CALLBACK ViewerWindowWin32::TileProcedure(HWND window, UINT message, WPARAM wParam,
                                                  LPARAM lParam) {
  ViewerWindowWin32* self = Owner(window);
  if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  const int tile = TileOf(window);
  if (message == self->pictureDrawn_) {
    self->drawingReported_ = true;
    ++self->picturesDrawn_[static_cast<size_t>(tile)];
    if (self->drawingObserver_) self->drawingObserver_(tile);
    return 0;
  }
  switch (message) {
    case WM_PAINT: {
      // Cleared to black, then the channel's last picture drawn again.
      PAINTSTRUCT paint;
      BeginPaint(window, &paint);
      EndPaint(window, &paint);
      if (self->redrawObserver_) self->redrawObserver_(tile);
      return 0;
    }
    case WM_LBUTTONDOWN:
      self->Push({ViewerCommand::kNone, tile});
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

LRESULT CALLBACK ViewerWindowWin32::OverlayProcedure(HWND window, UINT message, WPARAM wParam,
                                                     LPARAM lParam) {
  ViewerWindowWin32* self = Owner(window);
  if (self == nullptr || message != WM_PAINT) {
    return DefWindowProcW(window, message, wParam, lParam);
  }
  self->PaintOverlay(window);
  return 0;
}

std::vector<WindowEvent> ViewerWindowWin32::PollEvents(int timeoutMs) {
  MSG message;
  if (!PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE)) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(timeoutMs), QS_ALLINPUT);
  }
  // The decoder posts a message for every picture it draws, from threads of
  // its own: on a busy machine they can come as fast as this thread handles
  // them, so it stops after |timeoutMs| and leaves the rest for the next call
  // rather than never returning to the caller's clock.
  const ULONGLONG until = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
    if (GetTickCount64() >= until) break;
  }
  std::vector<WindowEvent> events;
  events.swap(events_);
  return events;
}

bool ViewerWindowWin32::SaveScreenshot(const std::string& path) const {
  // Read back from the screen, where the tiles hold what the decoder drew.
  RECT client;
  GetClientRect(top_, &client);
  POINT origin{0, 0};
  ClientToScreen(top_, &origin);
  const int width = client.right;
  const int height = client.bottom;
  if (width <= 0 || height <= 0) return false;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY | CAPTUREBLT);
  SelectObject(memory, previous);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom row first, as BMP files store it
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  const size_t rowBytes = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
  std::vector<unsigned char> pixels(rowBytes * static_cast<size_t>(height));
  const int rows =
      GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  if (rows != height) return false;

  BITMAPFILEHEADER header{};
  header.bfType = 0x4d42;  // "BM"
  header.bfOffBits = sizeof header + sizeof info.bmiHeader;
  header.bfSize = static_cast<DWORD>(header.bfOffBits + pixels.size());
  info.bmiHeader.biSizeImage = static_cast<DWORD>(pixels.size());
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
  if (!file) return false;
  return std::fwrite(&header, sizeof header, 1, file.get()) == 1 &&
         std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, file.get()) == 1 &&
         std::fwrite(pixels.data(), 1, pixels.size(), file.get()) == pixels.size();
}

}  // namespace

std::unique_ptr<ViewerWindow> OpenViewerWindow(int tileCount, const std::string& title) {
  auto window = std::make_unique<ViewerWindowWin32>(tileCount, title);
  if (!window->Created()) return nullptr;
  return window;
}

}  // namespace demo_viewer
