#include "Presenter.h"

#include <algorithm>
#include <utility>

#include "Clock.h"
#include "DisplayCallbackSlot.h"
#include "FrameFormat.h"
#include "PictureQueue.h"

namespace decoder_ffmpeg {

Presenter::Presenter(int32_t port, bool live, PictureQueue& pictures,
                     std::function<bool()> dataWaiting, Clock& clock, WindowOutput& output,
                     DisplayCallbackSlot& callback)
    : port_(port),
      live_(live),
      pictures_(pictures),
      dataWaiting_(std::move(dataWaiting)),
      clock_(clock),
      output_(output),
      callback_(callback) {}

void Presenter::Run() {
  for (;;) {
    const Commands commands = TakeCommands();
    if (commands.quit) break;
    const int64_t now = clock_.NowMicros();
    if (commands.reset) {
      pending_.reset();
      pacer_.Restart();
      catchingUp_.store(false);
      generation_ = commands.generation;
    }
    if (commands.speedLevel != pacer_.SpeedLevel()) pacer_.SetSpeedLevel(commands.speedLevel);
    if (commands.resume) pacer_.Resume(now);
    ApplyDisplayCommands(commands);
    if (commands.redeliver && shown_) Deliver(*shown_);

    int64_t deadline = kNoDeadline;
    const bool running = commands.playing && (!commands.paused || commands.stepCredits > 0);
    if (running && TakePending()) {
      if (commands.paused) {
        ConsumeStep();
        Show(std::move(*pending_), now);
        continue;
      }
      const bool backlog = pictures_.Size() > 0 || dataWaiting_();
      // Pictures released by the end of a session are all there is left.
      const bool followArrival = live_ && !pending_->flushed;
      const PacingDecision decision =
          pacer_.Decide(pending_->ptsMicros, now, followArrival, backlog);
      if (decision.action == PacingDecision::Action::kPresent) {
        catchingUp_.store(false);
        Show(std::move(*pending_), now);
        continue;
      }
      if (decision.action == PacingDecision::Action::kDrop) {
        catchingUp_.store(followArrival);
        pending_.reset();
        continue;
      }
      deadline = decision.deadline;
    }
    Sleep(deadline);
  }
}

void Presenter::Play(WindowHandle window) {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto windowId = reinterpret_cast<uint64_t>(window);
  if (windowId != commands_.window) {
    commands_.window = windowId;
    commands_.windowChanged = true;
  }
  if (!commands_.playing || commands_.paused) commands_.resume = true;
  commands_.playing = true;
  commands_.paused = false;
  commands_.stepCredits = 0;
  commands_.speedLevel = 0;
  Signal();
}

void Presenter::Stop() {
  std::lock_guard<std::mutex> lock(mutex_);
  commands_.playing = false;
  Signal();
}

void Presenter::Pause(bool pause) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (commands_.paused && !pause) commands_.resume = true;
  commands_.paused = pause;
  commands_.stepCredits = 0;
  Signal();
}

void Presenter::Step() {
  std::lock_guard<std::mutex> lock(mutex_);
  commands_.paused = true;
  ++commands_.stepCredits;
  Signal();
}

void Presenter::ChangeSpeed(int step) {
  std::lock_guard<std::mutex> lock(mutex_);
  commands_.speedLevel = std::clamp(commands_.speedLevel + step, -kMaxSpeedLevel, kMaxSpeedLevel);
  Signal();
}

void Presenter::Refresh() {
  std::lock_guard<std::mutex> lock(mutex_);
  commands_.refresh = true;
  Signal();
}

void Presenter::SetRegion(const RECT& rect, WindowHandle window, bool enable) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (enable) commands_.region = rect;
  commands_.regionWindow = reinterpret_cast<uint64_t>(window);
  commands_.regionEnabled = enable;
  commands_.regionChanged = true;
  Signal();
}

void Presenter::Redeliver() {
  std::lock_guard<std::mutex> lock(mutex_);
  commands_.redeliver = true;
  Signal();
}

void Presenter::Reset(uint64_t generation) {
  std::lock_guard<std::mutex> lock(mutex_);
  commands_.reset = true;
  commands_.generation = generation;
  Signal();
}

void Presenter::Quit() {
  std::lock_guard<std::mutex> lock(mutex_);
  commands_.quit = true;
  Signal();
}

bool Presenter::Playing() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return commands_.playing;
}

bool Presenter::Showing() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return commands_.playing && !commands_.paused;
}

Presenter::Commands Presenter::TakeCommands() {
  std::lock_guard<std::mutex> lock(mutex_);
  const Commands taken = commands_;
  commands_.resume = false;
  commands_.refresh = false;
  commands_.redeliver = false;
  commands_.reset = false;
  commands_.windowChanged = false;
  commands_.regionChanged = false;
  return taken;
}

void Presenter::ConsumeStep() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (commands_.stepCredits > 0) --commands_.stepCredits;
}

// Pictures decoded before the last reset are dropped here.
bool Presenter::TakePending() {
  while (!pending_) {
    pending_ = pictures_.TryTake();
    if (!pending_) return false;
    if (pending_->generation != generation_) pending_.reset();
  }
  return true;
}

// Window events and refresh requests redraw the picture on screen, also
// while paused.
void Presenter::ApplyDisplayCommands(const Commands& commands) {
  if (commands.windowChanged) output_.SetMainWindow(commands.window);
  if (commands.regionChanged) {
    output_.SetRegion(commands.region, commands.regionWindow, commands.regionEnabled);
  }
  const bool exposed = output_.TakeRedrawRequest();
  if ((exposed || commands.refresh || commands.windowChanged || commands.regionChanged) && shown_) {
    output_.Draw(*shown_->frame);
  }
}

// Drawn before the callback hears of it, so that a client who has been
// told of a picture finds it on screen.
void Presenter::Show(DecodedPicture picture, int64_t now) {
  pending_.reset();
  pacer_.Presented(picture.ptsMicros, now);
  shown_.emplace(std::move(picture));
  output_.Draw(*shown_->frame);
  Deliver(*shown_);
}

void Presenter::Deliver(const DecodedPicture& picture) {
  if (!callback_.Installed()) return;
  if (!converter_.Convert(*picture.frame, &yv12_)) return;
  const int32_t timeStampMs = static_cast<int32_t>(picture.ptsMicros / 1000);
  callback_.Invoke([&](M4DisplayCallback callback) {
    callback(port_, yv12_.data(), static_cast<int32_t>(yv12_.size()), picture.frame->width,
             picture.frame->height, timeStampMs, kFrameYv12, 0);
  });
}

void Presenter::Sleep(int64_t deadline) { output_.Wait(clock_.WaitTimeoutMillis(deadline)); }

void Presenter::Signal() { output_.Wake(); }

}  // namespace decoder_ffmpeg
