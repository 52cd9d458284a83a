// The window output on Windows, with GDI.
#include <windows.h>

#include <cstdint>
#include <vector>

#include "CachedScaler.h"
#include "FrameFormat.h"
#include "WindowOutput.h"
#include "WindowPicture.h"
#include "WordWakeup.h"

namespace decoder_ffmpeg {
namespace {

// Windows tells the window's owner, not us, when a window was covered (see
// TakeRedrawRequest), so the only thing to wait for is the wake-up.
class GdiOutput final : public WindowOutput {
 public:
  bool Valid() const { return wakeup_.Valid(); }

  void SetMainWindow(uint64_t window) override;
  void SetRegion(const RECT& rect, uint64_t window, bool enable) override;
  void Draw(const AVFrame& frame) override;
  void Wake() override { wakeup_.Signal(); }
  void Wait(int timeoutMillis) override { wakeup_.Wait(timeoutMillis); }
  bool TakeRedrawRequest() override { return false; }

 private:
  struct Target {
    HWND window = nullptr;
    // Whether the window's owner asked to be told of each picture drawn,
    // read once when the window is given: a property lookup may cost a
    // round trip, a picture's drawing should not.
    bool tellsPictures = false;
    bool cropped = false;
    RECT crop{};
    CachedScaler scaler;
    std::vector<uint8_t> pixels;  // top row first, 32 bits a pixel
  };

  void DrawInto(Target& target, const AVFrame& frame);

  WordWakeup wakeup_;
  Target main_;
  Target region_;
};

HWND ToWindow(uint64_t window) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(window)); }

// Windows tells no one of drawing that another thread does, so a client
// that wants to count the pictures shown gives its window this property
// before handing it over, and is posted this message after each picture
// drawn into it (docs/decoder.md). Other windows' queues get nothing.
constexpr wchar_t kPictureDrawnName[] = M4_PICTURE_DRAWN_MESSAGE;

UINT PictureDrawnMessage() {
  static const UINT message = RegisterWindowMessageW(kPictureDrawnName);
  return message;
}

bool TellsPictures(HWND window) {
  return window != nullptr && GetPropW(window, kPictureDrawnName) != nullptr;
}

void GdiOutput::SetMainWindow(uint64_t window) {
  if (ToWindow(window) == main_.window) return;
  main_ = Target{};
  main_.window = ToWindow(window);
  main_.tellsPictures = TellsPictures(main_.window);
}

void GdiOutput::SetRegion(const RECT& rect, uint64_t window, bool enable) {
  if (!enable || window == 0) {
    region_ = Target{};
    return;
  }
  if (ToWindow(window) != region_.window) {
    region_ = Target{};
    region_.window = ToWindow(window);
    region_.tellsPictures = TellsPictures(region_.window);
  }
  region_.cropped = true;
  region_.crop = rect;
}

void GdiOutput::Draw(const AVFrame& frame) {
  // A region shown in the main window replaces the whole picture there.
  if (main_.window != nullptr && main_.window != region_.window) DrawInto(main_, frame);
  if (region_.window != nullptr) DrawInto(region_, frame);
}

// The client area is asked for before every picture: unlike an X server's
// round trip, it is a call into the window manager of our own process.
void GdiOutput::DrawInto(Target& target, const AVFrame& frame) {
  RECT client{};
  if (!GetClientRect(target.window, &client)) return;  // the window is gone
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  if (width <= 0 || height <= 0) return;
  const int stride = width * 4;
  target.pixels.resize(static_cast<size_t>(stride) * static_cast<size_t>(height) + kScalerSlack);
  const WindowPixels pixels{target.pixels.data(), stride, width, height};
  if (!ScaleForWindow(frame, target.cropped ? &target.crop : nullptr, target.scaler, pixels)) {
    return;
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  HDC dc = GetDC(target.window);
  if (dc == nullptr) return;
  StretchDIBits(dc, 0, 0, width, height, 0, 0, width, height, target.pixels.data(), &info,
                DIB_RGB_COLORS, SRCCOPY);
  ReleaseDC(target.window, dc);
  // On screen before the display callback tells the client of the picture.
  GdiFlush();
  if (target.tellsPictures) PostMessageW(target.window, PictureDrawnMessage(), 0, 0);
}

}  // namespace

std::unique_ptr<WindowOutput> MakeWindowOutput() {
  auto output = std::make_unique<GdiOutput>();
  if (!output->Valid()) return nullptr;
  return output;
}

}  // namespace decoder_ffmpeg
