// The GDI output's wake-up for the presenter: a word waited on with
// WaitOnAddress, or an auto-reset event where that is missing (before
// Windows 8). Windows tells the output of no window events, so this is all
// the presenter sleeps on.
#ifndef M4_FFMPEG_WIN32_WORD_WAKEUP_H
#define M4_FFMPEG_WIN32_WORD_WAKEUP_H

#include <atomic>
#include <cstdint>

namespace decoder_ffmpeg {

class WordWakeup {
 public:
  WordWakeup();
  ~WordWakeup();
  WordWakeup(const WordWakeup&) = delete;
  WordWakeup& operator=(const WordWakeup&) = delete;

  bool Valid() const;
  // From any thread.
  void Signal();
  // Sleeps until signalled or |timeoutMillis| pass (-1: no limit). The
  // signal is used up by the wait it ends.
  void Wait(int timeoutMillis);

 private:
  std::atomic<uint32_t> signalled_{0};
  void* event_;  // only without WaitOnAddress
};

}  // namespace decoder_ffmpeg

#endif
