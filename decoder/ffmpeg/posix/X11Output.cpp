// The window output on X11, on a connection of our own.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstdlib>
#include <initializer_list>

#include "CachedScaler.h"
#include "EventFdWakeup.h"
#include "FrameFormat.h"
#include "WindowOutput.h"
#include "WindowPicture.h"
#include "X11ErrorGuard.h"

namespace decoder_ffmpeg {
namespace {

// XShm when the server offers it, plain XPutImage otherwise. The window
// events it waits for beside the presenter's wake-ups are exposures and
// resizes.
class X11Output final : public WindowOutput {
 public:
  X11Output() = default;
  ~X11Output() override;
  X11Output(const X11Output&) = delete;
  X11Output& operator=(const X11Output&) = delete;

  bool Valid() const { return wakeup_.Valid(); }

  void SetMainWindow(uint64_t window) override;
  void SetRegion(const RECT& rect, uint64_t window, bool enable) override;
  void Draw(const AVFrame& frame) override;
  void Wake() override { wakeup_.Signal(); }
  void Wait(int timeoutMillis) override;
  bool TakeRedrawRequest() override;

 private:
  struct Target {
    Window window = 0;
    bool cropped = false;
    RECT crop{};
    GC gc = nullptr;
    XImage* image = nullptr;
    XShmSegmentInfo shm{};
    bool usesShm = false;
    CachedScaler scaler;
    // The window's size and state, asked once and again after each event
    // on it: asking before every picture is a round trip to the server.
    bool attributesKnown = false;
    XWindowAttributes attributes{};
  };

  bool Connect();
  // Events already read from the connection, which a wait would not see.
  bool EventsWaiting() const;
  void Attach(Target& target, Window window);
  void Detach(Target& target);
  void DrawInto(Target& target, const AVFrame& frame);
  bool PrepareImage(Target& target, const XWindowAttributes& attributes);
  void ReleaseImage(Target& target);

  EventFdWakeup wakeup_;
  Display* display_ = nullptr;
  bool shmAvailable_ = false;
  bool eventsArrived_ = false;  // the connection had data at the last wake
  Target main_;
  Target region_;
};

// The pictures are scaled into 32-bit pixels B, G, R, unused: what a 24-bit
// TrueColor visual on a little-endian machine takes.
bool TakesBgr0(const XImage& image) {
  return image.bits_per_pixel == 32 && image.byte_order == LSBFirst && image.red_mask == 0xFF0000 &&
         image.green_mask == 0x00FF00 && image.blue_mask == 0x0000FF;
}

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

bool X11Output::EventsWaiting() const {
  return display_ != nullptr && XEventsQueued(display_, QueuedAlready) > 0;
}

void X11Output::Wait(int timeoutMillis) {
  if (EventsWaiting()) return;
  pollfd descriptors[2] = {{wakeup_.Descriptor(), POLLIN, 0},
                           {display_ != nullptr ? ConnectionNumber(display_) : -1, POLLIN, 0}};
  poll(descriptors, descriptors[1].fd >= 0 ? 2 : 1, timeoutMillis);
  // A signal left unread keeps the next poll from waiting: it is read here,
  // once it has woken us, rather than on every turn.
  if ((descriptors[0].revents & POLLIN) != 0) wakeup_.Drain();
  eventsArrived_ = (descriptors[1].revents & POLLIN) != 0;
}

// The connection is read only when it has something: asking costs a read
// from the server's socket per picture.
bool X11Output::TakeRedrawRequest() {
  const bool read = eventsArrived_ || EventsWaiting();
  eventsArrived_ = false;
  if (!read || display_ == nullptr) return false;
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
  XImage& image = *target.image;
  const WindowPixels pixels{reinterpret_cast<uint8_t*>(image.data), image.bytes_per_line,
                            image.width, image.height};
  if (!ScaleForWindow(frame, target.cropped ? &target.crop : nullptr, target.scaler, pixels)) {
    return;
  }
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

}  // namespace

std::unique_ptr<WindowOutput> MakeWindowOutput() {
  auto output = std::make_unique<X11Output>();
  if (!output->Valid()) return nullptr;
  return output;
}

}  // namespace decoder_ffmpeg
