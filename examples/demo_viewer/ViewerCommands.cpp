#include "ViewerCommands.h"

#include <algorithm>

namespace demo_viewer {

namespace {

// Slow 3 ... slow 1, normal, fast 1 ... fast 3.
constexpr int32_t kSpeedLadder[] = {kSlow3, kSlow2, kSlow1, kPlaying, kFast1, kFast2, kFast3};
constexpr int kLadderSize = static_cast<int>(sizeof(kSpeedLadder) / sizeof(kSpeedLadder[0]));
constexpr int kNormalRung = 3;

int RungOf(int32_t state) {
  for (int rung = 0; rung < kLadderSize; ++rung) {
    if (kSpeedLadder[rung] == state) return rung;
  }
  return kNormalRung;
}

}  // namespace

ViewerCommand CommandForKey(char typed, ViewerKey key) {
  switch (key) {
    case ViewerKey::kEscape:
      return ViewerCommand::kQuit;
    case ViewerKey::kTab:
      return ViewerCommand::kNextSelection;
    case ViewerKey::kKeypadPlus:
      return ViewerCommand::kVolumeUp;
    case ViewerKey::kKeypadMinus:
      return ViewerCommand::kVolumeDown;
    case ViewerKey::kRight:
      return ViewerCommand::kFaster;
    case ViewerKey::kLeft:
      return ViewerCommand::kSlower;
    case ViewerKey::kOther:
      break;
  }
  switch (typed) {
    case 'p':
      return ViewerCommand::kPlay;
    case ' ':
      return ViewerCommand::kTogglePause;
    case 'f':
      return ViewerCommand::kFaster;
    case 's':
      return ViewerCommand::kSlower;
    case 'n':
    case '.':
      return ViewerCommand::kStep;
    case '+':
    case '=':
      return ViewerCommand::kVolumeUp;
    case '-':
      return ViewerCommand::kVolumeDown;
    case 'c':
      return ViewerCommand::kCapture;
    case 'z':
      return ViewerCommand::kToggleZoom;
    case 'o':
      return ViewerCommand::kToggleOverlay;
    case 'h':
    case '?':
      return ViewerCommand::kHelp;
    case 'q':
      return ViewerCommand::kQuit;
    default:
      return ViewerCommand::kNone;
  }
}

int NextSelection(int selected, int tileCount) {
  return selected + 1 < tileCount ? selected + 1 : -1;
}

int ClickedSelection(int selected, int clicked) { return clicked == selected ? -1 : clicked; }

int32_t NextSpeedState(int32_t state, bool faster) {
  const int rung = RungOf(state) + (faster ? 1 : -1);
  return kSpeedLadder[std::clamp(rung, 0, kLadderSize - 1)];
}

int32_t PauseToggleState(int32_t state) {
  return state == kPaused || state == kStepping ? kPlaying : kPaused;
}

const char* PlayStateName(int32_t state) {
  switch (state) {
    case kNotStarted:
      return "closed";
    case kPlaying:
      return "playing";
    case kPaused:
      return "paused";
    case kFast1:
      return "fast x2";
    case kFast2:
      return "fast x4";
    case kFast3:
      return "fast x8";
    case kSlow1:
      return "slow x1/2";
    case kSlow2:
      return "slow x1/4";
    case kSlow3:
      return "slow x1/8";
    case kStepping:
      return "stepping";
    default:
      return "?";
  }
}

int32_t NextVolume(int32_t volume, bool up) { return std::clamp(volume + (up ? 10 : -10), 0, 100); }

}  // namespace demo_viewer
