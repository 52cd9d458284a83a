// A descriptor that poll() can wait on beside others (the X connection), so
// that the presenter sleeps in one place for its deadline, new pictures,
// commands and window events alike.
#ifndef M4_FFMPEG_WAKEUP_H
#define M4_FFMPEG_WAKEUP_H

namespace m4 {

class Wakeup {
 public:
  Wakeup();
  ~Wakeup();
  Wakeup(const Wakeup&) = delete;
  Wakeup& operator=(const Wakeup&) = delete;

  bool Valid() const { return fd_ >= 0; }
  void Signal();
  void Drain();
  int Descriptor() const { return fd_; }

 private:
  int fd_;
};

}  // namespace m4

#endif
