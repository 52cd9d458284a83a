#include "EventFdWakeup.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace decoder_ffmpeg {

EventFdWakeup::EventFdWakeup() : fd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

bool EventFdWakeup::Valid() const { return fd_ >= 0; }

EventFdWakeup::~EventFdWakeup() {
  if (fd_ >= 0) close(fd_);
}

void EventFdWakeup::Signal() {
  const uint64_t one = 1;
  // A full counter already means "wake up".
  [[maybe_unused]] const ssize_t written = write(fd_, &one, sizeof one);
}

void EventFdWakeup::Drain() {
  uint64_t count = 0;
  [[maybe_unused]] const ssize_t got = read(fd_, &count, sizeof count);
}

}  // namespace decoder_ffmpeg
