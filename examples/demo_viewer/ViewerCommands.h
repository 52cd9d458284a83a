// What the viewer's keys ask for, and the play states those requests lead to.
#ifndef KELO_DEMO_VIEWER_VIEWER_COMMANDS_H
#define KELO_DEMO_VIEWER_VIEWER_COMMANDS_H

#include <cstdint>

#include "Kelo820_PlaySDKCodes.h"

namespace demo_viewer {

enum class ViewerCommand {
  kNone,
  kPlay,
  kTogglePause,
  kFaster,
  kSlower,
  kStep,
  kVolumeUp,
  kVolumeDown,
  kCapture,
  kToggleZoom,
  kToggleOverlay,
  kNextSelection,
  kHelp,
  kQuit,
};

// The keys that type no character the viewer reads, whatever window system
// reports them (KeyTranslation.h translates its codes).
enum class ViewerKey {
  kOther,
  kEscape,
  kTab,
  kKeypadPlus,
  kKeypadMinus,
  kRight,
  kLeft,
};

// The command for a key, from the character it types (0 when it types none)
// and which of the keys above it is.
ViewerCommand CommandForKey(char typed, ViewerKey key);

// The tile chosen after Tab when |selected| was chosen (-1: all tiles): each
// tile in turn, then all of them again.
int NextSelection(int selected, int tileCount);
// The tile chosen after a click on |clicked|: that tile, or all tiles when it
// was already the chosen one.
int ClickedSelection(int selected, int clicked);

// The SDK's play states, by the names of its codes header.
using kelo820::kFast1;
using kelo820::kFast2;
using kelo820::kFast3;
using kelo820::kNotStarted;
using kelo820::kPaused;
using kelo820::kPlaying;
using kelo820::kSlow1;
using kelo820::kSlow2;
using kelo820::kSlow3;
using kelo820::kStepping;

// The play state one speed step faster (or slower) than |state|. Speeds form
// one ladder from slow 3 through normal to fast 3; a paused or stepping
// channel starts from normal speed. The ends of the ladder stay put.
int32_t NextSpeedState(int32_t state, bool faster);

// The command that turns the pause key's meaning around: pause a channel that
// moves, resume one that is paused or stepping.
int32_t PauseToggleState(int32_t state);

// Short English name of a play state, for captions and progress lines.
const char* PlayStateName(int32_t state);

// Volume after one press of volume up or down: steps of 10 within 0 to 100.
int32_t NextVolume(int32_t volume, bool up);

}  // namespace demo_viewer

#endif  // KELO_DEMO_VIEWER_VIEWER_COMMANDS_H
