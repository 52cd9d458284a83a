// kelo_latency_reader: the latency benchmark's eye on the screen. Watches the
// X server (DAMAGE on the root window: every drawing anywhere), finds the
// numbered picture of kelo_latency_sender among the windows shown (in
// whichever player, at whatever size), and after each drawing reads the
// number back from the screen's pixels. Logs each number the first time it
// is seen, with the moment the drawing was reported, in microseconds of
// CLOCK_MONOTONIC (the sender's clock):
//
//   # number seen_us
//   12 81234612345
//
//   kelo_latency_reader LOG [--seconds S]    (on $DISPLAY, until SIGTERM or S s)
//   kelo_latency_reader --self-check         (SelfCheck.h; no display needed)
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xdamage.h>
#include <poll.h>
#include <signal.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "NumberPattern.h"
#include "SelfCheck.h"

namespace {

volatile sig_atomic_t stopRequested = 0;
void RequestStop(int) { stopRequested = 1; }

int64_t NowMicros() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

// Windows come and go while they are walked: an error about one that is
// gone is no reason to stop reading.
int IgnoreError(Display*, XErrorEvent*) { return 0; }

// Grabs one rectangle of the screen at a time through shared memory, the
// cheapest way to read the X server's pixels.
class ShmGrabber {
 public:
  explicit ShmGrabber(Display* display) : display_(display) {}
  ~ShmGrabber() { Release(); }
  ShmGrabber(const ShmGrabber&) = delete;
  ShmGrabber& operator=(const ShmGrabber&) = delete;

  // The pixels of |area| of the root window (the screen as shown); none when
  // the server refuses.
  std::optional<latency::ScreenImage> Grab(latency::Rect area) {
    if (image_ == nullptr || image_->width != area.width || image_->height != area.height) {
      Release();
      if (!Allocate(area)) return std::nullopt;
    }
    if (!XShmGetImage(display_, DefaultRootWindow(display_), image_, area.x, area.y, AllPlanes)) {
      return std::nullopt;
    }
    return latency::ScreenImage{reinterpret_cast<const uint8_t*>(image_->data),
                                image_->bytes_per_line, image_->width, image_->height};
  }

 private:
  bool Allocate(latency::Rect area) {
    const int screen = DefaultScreen(display_);
    image_ = XShmCreateImage(display_, DefaultVisual(display_, screen),
                             static_cast<unsigned>(DefaultDepth(display_, screen)), ZPixmap,
                             nullptr, &segment_, static_cast<unsigned>(area.width),
                             static_cast<unsigned>(area.height));
    if (image_ == nullptr || image_->bits_per_pixel != 32) {
      std::fprintf(stderr, "kelo_latency_reader: the screen must have 32 bits a pixel\n");
      std::exit(1);
    }
    segment_.shmid = shmget(IPC_PRIVATE, static_cast<size_t>(image_->bytes_per_line) * area.height,
                            IPC_CREAT | 0600);
    segment_.shmaddr = image_->data = static_cast<char*>(shmat(segment_.shmid, nullptr, 0));
    segment_.readOnly = False;
    const bool attached = XShmAttach(display_, &segment_) != 0;
    XSync(display_, False);
    // Gone from the system once both sides have detached.
    shmctl(segment_.shmid, IPC_RMID, nullptr);
    return attached;
  }
  void Release() {
    if (image_ == nullptr) return;
    XShmDetach(display_, &segment_);
    XDestroyImage(image_);
    shmdt(segment_.shmaddr);
    image_ = nullptr;
  }

  Display* display_;
  XImage* image_ = nullptr;
  XShmSegmentInfo segment_{};
};

// The whole screen, then the rectangle of every window shown on it.
std::vector<latency::Rect> ShownAreas(Display* display) {
  const int screen = DefaultScreen(display);
  std::vector<latency::Rect> areas{
      {0, 0, DisplayWidth(display, screen), DisplayHeight(display, screen)}};
  std::vector<Window> pending{DefaultRootWindow(display)};
  while (!pending.empty()) {
    const Window parent = pending.back();
    pending.pop_back();
    Window root = 0;
    Window up = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, parent, &root, &up, &children, &count)) continue;
    for (unsigned index = 0; index < count; ++index) {
      XWindowAttributes attributes;
      if (!XGetWindowAttributes(display, children[index], &attributes) ||
          attributes.map_state != IsViewable) {
        continue;
      }
      int x = 0;
      int y = 0;
      Window child = 0;
      XTranslateCoordinates(display, children[index], root, 0, 0, &x, &y, &child);
      areas.push_back({x, y, attributes.width, attributes.height});
      pending.push_back(children[index]);
    }
    if (children != nullptr) XFree(children);
  }
  return areas;
}

// The picture on the screen: of the shown areas whose bright part reads as
// a number, the smallest (a player's window may hold more than the picture,
// such as our viewer's labels under its tiles).
std::optional<latency::Rect> FindPicture(Display* display, ShmGrabber* grabber) {
  const std::vector<latency::Rect> areas = ShownAreas(display);
  const std::optional<latency::ScreenImage> screen = grabber->Grab(areas.front());
  if (!screen) return std::nullopt;
  std::optional<latency::Rect> found;
  for (const latency::Rect& area : areas) {
    const std::optional<latency::Rect> picture = latency::PictureBounds(*screen, area);
    if (picture && picture->width >= 64 && picture->height >= 48 &&
        latency::ReadNumber(*screen, *picture) &&
        (!found || picture->width * picture->height < found->width * found->height)) {
      found = picture;
    }
  }
  return found;
}

// Reads the screen until SIGTERM or |end|, logging each number the first
// time it is seen; says what it saw on stderr.
void Watch(Display* display, int damageEvents, FILE* log, int64_t end) {
  const Damage damage = XDamageCreate(display, DefaultRootWindow(display), XDamageReportNonEmpty);
  ShmGrabber findGrabber(display);
  ShmGrabber bandGrabber(display);
  std::optional<latency::Rect> picture;
  std::vector<bool> seen(latency::kMaxNumber + 1, false);
  uint64_t drawings = 0;
  uint64_t numbers = 0;
  uint64_t unreadable = 0;
  // Readings that failed in a row since the last good one, and when the
  // first of them was: a picture moved or gone is looked for again.
  int failedInRow = 0;
  int64_t failingSince = 0;
  int64_t lastSearch = 0;
  while (stopRequested == 0 && NowMicros() < end) {
    if (XPending(display) == 0) {
      pollfd connection{ConnectionNumber(display), POLLIN, 0};
      poll(&connection, 1, 50);
    }
    bool drawn = false;
    int64_t drawnAt = 0;
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == damageEvents + XDamageNotify) {
        if (!drawn) drawnAt = NowMicros();
        drawn = true;
      }
    }
    if (drawn) {
      // Emptied before the grab: a drawing after it is reported again.
      XDamageSubtract(display, damage, None, None);
      ++drawings;
    }
    if (!picture) {
      // Searched for at most 20 times a second, drawn or not.
      if (NowMicros() - lastSearch < 50000) continue;
      lastSearch = NowMicros();
      picture = FindPicture(display, &findGrabber);
      if (!picture) continue;
      std::fprintf(stderr, "kelo_latency_reader: picture found at %dx%d+%d+%d\n", picture->width,
                   picture->height, picture->x, picture->y);
      drawn = true;
      drawnAt = NowMicros();
      failedInRow = 0;
    }
    if (!drawn) continue;
    const latency::Rect band = latency::NumberBand(*picture);
    const std::optional<latency::ScreenImage> pixels = bandGrabber.Grab(band);
    const std::optional<uint32_t> number =
        pixels ? latency::ReadNumber(*pixels,
                                     {0, picture->y - band.y, picture->width, picture->height})
               : std::nullopt;
    if (!number) {
      ++unreadable;
      if (failedInRow++ == 0) failingSince = drawnAt;
      if (failedInRow >= 3 && drawnAt - failingSince >= 100000) picture.reset();
      continue;
    }
    failedInRow = 0;
    if (seen[*number]) continue;
    seen[*number] = true;
    ++numbers;
    std::fprintf(log, "%u %lld\n", *number, static_cast<long long>(drawnAt));
    std::fflush(log);
  }
  XDamageDestroy(display, damage);
  std::fprintf(stderr,
               "kelo_latency_reader: %llu drawings, %llu numbers read, %llu drawings unreadable\n",
               static_cast<unsigned long long>(drawings), static_cast<unsigned long long>(numbers),
               static_cast<unsigned long long>(unreadable));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--self-check") {
    av_log_set_level(AV_LOG_ERROR);
    return latency::PatternReadsBack() ? 0 : 1;
  }
  double seconds = 0;
  if (argc == 4 && std::string(argv[2]) == "--seconds") {
    seconds = std::atof(argv[3]);
  } else if (argc != 2) {
    std::fprintf(stderr, "usage: kelo_latency_reader LOG [--seconds S] | --self-check\n");
    return 2;
  }
  struct sigaction stop {};
  stop.sa_handler = RequestStop;
  sigaction(SIGTERM, &stop, nullptr);
  sigaction(SIGINT, &stop, nullptr);
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "kelo_latency_reader: no X display\n");
    return 1;
  }
  XSetErrorHandler(IgnoreError);
  int damageEvents = 0;
  int damageErrors = 0;
  if (!XDamageQueryExtension(display, &damageEvents, &damageErrors) ||
      !XShmQueryExtension(display)) {
    std::fprintf(stderr, "kelo_latency_reader: the X server lacks DAMAGE or MIT-SHM\n");
    return 1;
  }
  FILE* log = std::fopen(argv[1], "w");
  if (log == nullptr) {
    std::fprintf(stderr, "kelo_latency_reader: cannot write %s\n", argv[1]);
    return 1;
  }
  std::fprintf(log, "# number seen_us\n");
  Watch(display, damageEvents, log,
        seconds > 0 ? NowMicros() + static_cast<int64_t>(seconds * 1e6) : INT64_MAX);
  std::fclose(log);
  XCloseDisplay(display);
  return 0;
}
