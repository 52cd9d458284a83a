// The X11 output's wake-up for the presenter: an eventfd that poll() waits
// on beside the X connection, so that the presenter sleeps in one place for
// its deadline, new pictures, commands and window events alike.
#ifndef M4_FFMPEG_POSIX_EVENT_FD_WAKEUP_H
#define M4_FFMPEG_POSIX_EVENT_FD_WAKEUP_H

namespace decoder_ffmpeg {

class EventFdWakeup {
 public:
  EventFdWakeup();
  ~EventFdWakeup();
  EventFdWakeup(const EventFdWakeup&) = delete;
  EventFdWakeup& operator=(const EventFdWakeup&) = delete;

  bool Valid() const;
  // Makes the descriptor readable until drained; from any thread.
  void Signal();
  // Uses up the signals so far.
  void Drain();
  int Descriptor() const { return fd_; }

 private:
  int fd_;
};

}  // namespace decoder_ffmpeg

#endif
