// What the presenter sleeps on, so that it sleeps in one place for its
// deadline, new pictures, commands and window events alike: an eventfd that
// poll() waits on beside the X connection on Linux (WakeupPosix.cpp), a
// word waited on with WaitOnAddress on Windows, or an auto-reset event
// where that is missing (WakeupWin32.cpp).
#ifndef M4_FFMPEG_WAKEUP_H
#define M4_FFMPEG_WAKEUP_H

#if defined(_WIN32)
#include <atomic>
#include <cstdint>
#endif

namespace m4 {

class Wakeup {
 public:
  Wakeup();
  ~Wakeup();
  Wakeup(const Wakeup&) = delete;
  Wakeup& operator=(const Wakeup&) = delete;

  bool Valid() const;
  void Signal();
#if defined(_WIN32)
  // Sleeps until signalled or |timeoutMillis| pass (-1: no limit). The
  // signal is used up by the wait it ends.
  void Wait(int timeoutMillis);

 private:
  std::atomic<uint32_t> signalled_{0};
  void* event_;  // only without WaitOnAddress
#else
  void Drain();
  int Descriptor() const { return fd_; }

 private:
  int fd_;
#endif
};

}  // namespace m4

#endif
