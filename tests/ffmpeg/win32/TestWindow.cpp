#include <windows.h>

#include "TestWindow.h"

namespace tests_ffmpeg {
namespace {

// What a client's window procedure does when Windows asks for the picture
// again: PlayM4_RefreshPlay on the port the window shows (kept in the
// window's user data, plus one; 0 for none).
LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_PAINT) return DefWindowProcA(window, message, wParam, lParam);
  PAINTSTRUCT paint;
  BeginPaint(window, &paint);
  EndPaint(window, &paint);
  const LONG_PTR port = GetWindowLongPtrA(window, GWLP_USERDATA);
  if (port > 0) PlayM4_RefreshPlay(static_cast<int32_t>(port - 1));
  return 0;
}

// A borderless window, painted black where Windows erases it.
class Win32TestWindow final : public TestWindow {
 public:
  Win32TestWindow(int width, int height) {
    WNDCLASSA windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = "KeloDecoderTestWindow";
    RegisterClassA(&windowClass);
    window_ =
        CreateWindowExA(0, windowClass.lpszClassName, "decoder test", WS_POPUP | WS_VISIBLE, 0, 0,
                        width, height, nullptr, nullptr, windowClass.hInstance, nullptr);
    UpdateWindow(window_);
  }
  ~Win32TestWindow() override {
    if (window_ != nullptr) DestroyWindow(window_);
  }
  bool Made() const { return window_ != nullptr; }

  WindowHandle Handle() const override { return window_; }

  Rgb Pixel(int x, int y) override {
    HDC dc = GetDC(window_);
    const COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(window_, dc);
    return Rgb{GetRValue(colour), GetGValue(colour), GetBValue(colour)};
  }

  void Clear() override {
    HDC dc = GetDC(window_);
    RECT all{0, 0, 4096, 4096};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    ReleaseDC(window_, dc);
  }

  void Uncover(int32_t port) override {
    SetWindowLongPtrA(window_, GWLP_USERDATA, port + 1);
    InvalidateRect(window_, nullptr, TRUE);
    UpdateWindow(window_);
  }

  void Resize(int width, int height, int32_t port) override {
    SetWindowLongPtrA(window_, GWLP_USERDATA, port + 1);
    SetWindowPos(window_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
    UpdateWindow(window_);
  }

 private:
  HWND window_ = nullptr;
};

}  // namespace

std::unique_ptr<TestWindow> TestWindow::Make(int width, int height) {
  auto window = std::make_unique<Win32TestWindow>(width, height);
  if (!window->Made()) return nullptr;
  return window;
}

}  // namespace tests_ffmpeg
