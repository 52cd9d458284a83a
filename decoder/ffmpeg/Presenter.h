// The presenter thread of a port: takes decoded pictures when they are due
// and shows them (display callback, window). Commands from the client's
// threads only set flags and wake it; it alone touches the pacing state.
#ifndef M4_FFMPEG_PRESENTER_H
#define M4_FFMPEG_PRESENTER_H

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "DecodedPicture.h"
#include "Pacer.h"
#include "WindowOutput.h"
#include "Yv12Converter.h"
#include "m4playerApi.h"

namespace decoder_ffmpeg {

class Clock;
class DisplayCallbackSlot;
class PictureQueue;

class Presenter {
 public:
  // |dataWaiting| tells whether stream data is still waiting to be decoded,
  // which counts as a backlog when pacing.
  Presenter(int32_t port, bool live, PictureQueue& pictures, std::function<bool()> dataWaiting,
            Clock& clock, WindowOutput& output, DisplayCallbackSlot& callback);

  // The thread body, until Quit().
  void Run();

  // Commands, from any thread.
  // Normal speed, running, drawing into |window| (null: no window).
  void Play(WindowHandle window);
  void Stop();
  void Pause(bool pause);
  void Step();  // pause and show one more picture
  // One step faster (+1) or slower (-1), between 1/16x and 16x.
  void ChangeSpeed(int step);
  void Refresh();
  void SetRegion(const RECT& rect, WindowHandle window, bool enable);
  void Redeliver();  // the last picture once more to a new callback
  void Reset(uint64_t generation);
  void Quit();

  bool Playing() const;
  // Playing and neither paused nor stepping.
  bool Showing() const;
  // A live stream's last picture was dropped as late: what is decoded now
  // belongs to the past, its sound too.
  bool CatchingUp() const { return catchingUp_.load(); }

 private:
  struct Commands {
    bool playing = false;
    bool paused = false;
    int stepCredits = 0;
    int speedLevel = 0;
    bool resume = false;
    bool refresh = false;
    bool redeliver = false;
    uint64_t window = 0;
    bool windowChanged = false;
    RECT region{};
    uint64_t regionWindow = 0;
    bool regionEnabled = false;
    bool regionChanged = false;
    bool reset = false;
    uint64_t generation = 0;
    bool quit = false;
  };

  Commands TakeCommands();
  void ConsumeStep();
  bool TakePending();
  void ApplyDisplayCommands(const Commands& commands);
  void Show(DecodedPicture picture, int64_t now);
  void Deliver(const DecodedPicture& picture);
  void Sleep(int64_t deadline);
  void Signal();

  const int32_t port_;
  const bool live_;
  PictureQueue& pictures_;
  const std::function<bool()> dataWaiting_;
  Clock& clock_;
  // Wake() from any thread, the rest from the presenter thread only.
  WindowOutput& output_;
  DisplayCallbackSlot& callback_;

  mutable std::mutex mutex_;
  Commands commands_;
  std::atomic<bool> catchingUp_{false};

  // Presenter thread only.
  Pacer pacer_;
  uint64_t generation_ = 0;
  std::optional<DecodedPicture> pending_;
  std::optional<DecodedPicture> shown_;
  Yv12Converter converter_;
  std::vector<uint8_t> yv12_;
};

}  // namespace decoder_ffmpeg

#endif
