#include "X11Output.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstdlib>

extern "C" {
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include "FrameFormat.h"
#include "X11ErrorGuard.h"

namespace m4 {
namespace {

// The pictures are scaled into 32-bit pixels B, G, R, unused: what a 24-bit
// TrueColor visual on a little-endian machine takes.
bool TakesBgr0(const XImage& image) {
  return image.bits_per_pixel == 32 && image.byte_order == LSBFirst && image.red_mask == 0xFF0000 &&
         image.green_mask == 0x00FF00 && image.blue_mask == 0x0000FF;
}

// The planes of |frame| from |rect| on, for planar 8-bit formats, whose
// chroma planes are subsampled by the format's shifts. The rectangle is
// clipped to the picture and aligned to the chroma grid.
bool CropPlanes(const AVFrame& frame, const RECT& rect, const uint8_t* planes[4], int* width,
                int* height) {
  const AVPixFmtDescriptor* format = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame.format));
  if (format == nullptr || !(format->flags & AV_PIX_FMT_FLAG_PLANAR) ||
      format->comp[0].depth != 8) {
    return false;
  }
  const int alignX = 1 << format->log2_chroma_w;
  const int alignY = 1 << format->log2_chroma_h;
  const int left = std::min(rect.left, frame.width - 1) / alignX * alignX;
  const int top = std::min(rect.top, frame.height - 1) / alignY * alignY;
  const int right = std::min<int>(rect.right, frame.width);
  const int bottom = std::min<int>(rect.bottom, frame.height);
  if (right <= left || bottom <= top) return false;
  for (int i = 0; i < 4; ++i) {
    planes[i] = frame.data[i];
    if (planes[i] == nullptr) continue;
    const bool chroma = i == 1 || i == 2;
    const int x = chroma ? left >> format->log2_chroma_w : left;
    const int y = chroma ? top >> format->log2_chroma_h : top;
    planes[i] += static_cast<ptrdiff_t>(y) * frame.linesize[i] + x;
  }
  *width = right - left;
  *height = bottom - top;
  return true;
}

}  // namespace

X11Output::~X11Output() {
  Detach(main_);
  Detach(region_);
  CloseGuardedDisplay(display_);
}

bool X11Output::Connect() {
  if (display_ != nullptr) return true;
  display_ = OpenGuardedDisplay();
  if (display_ == nullptr) return false;
  shmAvailable_ = XShmQueryExtension(display_) == True;
  return true;
}

void X11Output::SetMainWindow(uint64_t window) {
  if (window == main_.window) return;
  Detach(main_);
  if (window != 0 && Connect()) Attach(main_, static_cast<Window>(window));
}

void X11Output::SetRegion(const RECT& rect, uint64_t window, bool enable) {
  if (!enable || window == 0) {
    Detach(region_);
    return;
  }
  if (window != region_.window) {
    Detach(region_);
    if (!Connect()) return;
    Attach(region_, static_cast<Window>(window));
  }
  region_.cropped = true;
  region_.crop = rect;
}

int X11Output::EventDescriptor() const {
  return display_ != nullptr ? ConnectionNumber(display_) : -1;
}

bool X11Output::TakeExposures() {
  if (display_ == nullptr) return false;
  bool exposed = false;
  while (XPending(display_) > 0) {
    XEvent event;
    XNextEvent(display_, &event);
    for (Target* target : {&main_, &region_}) {
      if (event.xany.window == target->window) target->attributesKnown = false;
    }
    if ((event.type == Expose && event.xexpose.count == 0) || event.type == ConfigureNotify) {
      exposed = true;
    }
  }
  return exposed;
}

bool X11Output::HasQueuedEvents() const {
  return display_ != nullptr && XEventsQueued(display_, QueuedAlready) > 0;
}

void X11Output::Draw(const AVFrame& frame) {
  // A region shown in the main window replaces the whole picture there.
  if (main_.window != 0 && main_.window != region_.window) DrawInto(main_, frame);
  if (region_.window != 0) DrawInto(region_, frame);
}

void X11Output::Attach(Target& target, Window window) {
  target.window = window;
  target.gc = XCreateGC(display_, window, 0, nullptr);
  XSelectInput(display_, window, ExposureMask | StructureNotifyMask);
}

void X11Output::Detach(Target& target) {
  if (target.window == 0) return;
  ReleaseImage(target);
  XSelectInput(display_, target.window, NoEventMask);
  if (target.gc != nullptr) XFreeGC(display_, target.gc);
  target = Target{};
  XSync(display_, False);
}

void X11Output::DrawInto(Target& target, const AVFrame& frame) {
  if (!target.attributesKnown) {
    if (XGetWindowAttributes(display_, target.window, &target.attributes) == 0) return;
    target.attributesKnown = true;
  }
  if (target.attributes.map_state != IsViewable || !PrepareImage(target, target.attributes)) {
    return;
  }
  const uint8_t* planes[4] = {frame.data[0], frame.data[1], frame.data[2], frame.data[3]};
  int width = frame.width;
  int height = frame.height;
  if (target.cropped && !CropPlanes(frame, target.crop, planes, &width, &height)) return;
  XImage& image = *target.image;
  // Shrinking, a bilinear filter widens with the ratio and costs the more the
  // smaller the window (a tile of a wall); two taps keep it cheap.
  const int filter =
      image.width < width || image.height < height ? SWS_FAST_BILINEAR : SWS_BILINEAR;
  SwsContext* scaler = target.scaler.For({width, height, static_cast<AVPixelFormat>(frame.format),
                                          image.width, image.height, AV_PIX_FMT_BGR0, filter});
  if (scaler == nullptr) return;
  uint8_t* const targets[4] = {reinterpret_cast<uint8_t*>(image.data), nullptr, nullptr, nullptr};
  const int strides[4] = {image.bytes_per_line, 0, 0, 0};
  sws_scale(scaler, planes, frame.linesize, 0, height, targets, strides);
  if (target.usesShm) {
    XShmPutImage(display_, target.window, target.gc, &image, 0, 0, 0, 0,
                 static_cast<unsigned>(image.width), static_cast<unsigned>(image.height), False);
  } else {
    XPutImage(display_, target.window, target.gc, &image, 0, 0, 0, 0,
              static_cast<unsigned>(image.width), static_cast<unsigned>(image.height));
  }
  // The image is written again for the next picture only once the server
  // has read this one.
  XSync(display_, False);
}

bool X11Output::PrepareImage(Target& target, const XWindowAttributes& attributes) {
  if (target.image != nullptr && target.image->width == attributes.width &&
      target.image->height == attributes.height) {
    return true;
  }
  ReleaseImage(target);
  const auto width = static_cast<unsigned>(attributes.width);
  const auto height = static_cast<unsigned>(attributes.height);
  if (shmAvailable_) {
    target.image =
        XShmCreateImage(display_, attributes.visual, static_cast<unsigned>(attributes.depth),
                        ZPixmap, nullptr, &target.shm, width, height);
    if (target.image != nullptr) {
      const size_t bytes =
          static_cast<size_t>(target.image->bytes_per_line) * height + kScalerSlack;
      target.shm.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
      void* memory = target.shm.shmid >= 0 ? shmat(target.shm.shmid, nullptr, 0) : nullptr;
      const unsigned long errorsBefore = GuardedErrorCount(display_);
      if (memory != nullptr && memory != reinterpret_cast<void*>(-1)) {
        target.shm.shmaddr = target.image->data = static_cast<char*>(memory);
        target.shm.readOnly = False;
        XShmAttach(display_, &target.shm);
        XSync(display_, False);
        target.usesShm = GuardedErrorCount(display_) == errorsBefore;
      }
      // Gone once both sides have detached.
      if (target.shm.shmid >= 0) shmctl(target.shm.shmid, IPC_RMID, nullptr);
      if (!target.usesShm) {
        // A remote server cannot share our memory: plain images from now on.
        shmAvailable_ = false;
        ReleaseImage(target);
      }
    }
  }
  if (target.image == nullptr) {
    target.image =
        XCreateImage(display_, attributes.visual, static_cast<unsigned>(attributes.depth), ZPixmap,
                     0, nullptr, width, height, 32, 0);
    if (target.image == nullptr) return false;
    target.image->data = static_cast<char*>(
        std::malloc(static_cast<size_t>(target.image->bytes_per_line) * height + kScalerSlack));
    if (target.image->data == nullptr) {
      ReleaseImage(target);
      return false;
    }
  }
  if (!TakesBgr0(*target.image)) {
    ReleaseImage(target);
    return false;
  }
  return true;
}

void X11Output::ReleaseImage(Target& target) {
  if (target.image == nullptr) return;
  if (target.usesShm) {
    XShmDetach(display_, &target.shm);
    XSync(display_, False);
    target.image->data = nullptr;
    XDestroyImage(target.image);
    shmdt(target.shm.shmaddr);
  } else if (target.shm.shmaddr != nullptr) {
    // A segment whose attachment the server refused.
    target.image->data = nullptr;
    XDestroyImage(target.image);
    shmdt(target.shm.shmaddr);
  } else {
    XDestroyImage(target.image);  // frees the data too
  }
  target.image = nullptr;
  target.usesShm = false;
  target.shm = XShmSegmentInfo{};
}

}  // namespace m4
