#include "ViewerCommands.h"

#include <X11/keysym.h>
#include <gtest/gtest.h>

#include "KeyTranslation.h"

namespace demo_viewer {
namespace {

TEST(ViewerCommandsTest, SpeedKeysClimbOneLadderAndStopAtItsEnds) {
  int32_t state = kPlaying;
  std::vector<int32_t> faster;
  for (int press = 0; press < 4; ++press) faster.push_back(state = NextSpeedState(state, true));
  EXPECT_EQ(faster, (std::vector<int32_t>{3, 4, 5, 5}));
  std::vector<int32_t> slower;
  for (int press = 0; press < 8; ++press) slower.push_back(state = NextSpeedState(state, false));
  EXPECT_EQ(slower, (std::vector<int32_t>{4, 3, 1, 6, 7, 8, 8, 8}));
}

TEST(ViewerCommandsTest, PausedOrSteppingChannelsChangeSpeedFromNormal) {
  for (int32_t state : {kPaused, kStepping}) {
    EXPECT_EQ(NextSpeedState(state, true), 3) << state;
    EXPECT_EQ(NextSpeedState(state, false), 6) << state;
  }
}

TEST(ViewerCommandsTest, PauseKeyResumesOnlyAStandingChannel) {
  EXPECT_EQ(PauseToggleState(kPaused), kPlaying);
  EXPECT_EQ(PauseToggleState(kStepping), kPlaying);
  for (int32_t moving : {1, 3, 4, 5, 6, 7, 8}) EXPECT_EQ(PauseToggleState(moving), kPaused);
}

TEST(ViewerCommandsTest, TabVisitsEveryTileThenAllAndAClickOnTheChosenTileChoosesAll) {
  int selected = -1;
  std::vector<int> visited;
  for (int press = 0; press < 6; ++press) visited.push_back(selected = NextSelection(selected, 4));
  EXPECT_EQ(visited, (std::vector<int>{0, 1, 2, 3, -1, 0}));
  EXPECT_EQ(NextSelection(-1, 1), 0);
  EXPECT_EQ(NextSelection(0, 1), -1);
  EXPECT_EQ(ClickedSelection(-1, 2), 2);
  EXPECT_EQ(ClickedSelection(1, 2), 2);
  EXPECT_EQ(ClickedSelection(2, 2), -1);
}

TEST(ViewerCommandsTest, VolumeStepsStayWithinTheSdkRange) {
  EXPECT_EQ(NextVolume(50, true), 60);
  EXPECT_EQ(NextVolume(95, true), 100);
  EXPECT_EQ(NextVolume(100, true), 100);
  EXPECT_EQ(NextVolume(5, false), 0);
  EXPECT_EQ(NextVolume(0, false), 0);
}

// A key press as the X11 window reads it: the character typed and the keysym.
ViewerCommand CommandForX11Key(char typed, unsigned long keysym) {
  return CommandForKey(typed, KeyFromSystemCode(keysym));
}

TEST(ViewerCommandsTest, KeysMapToCommandsWhateverTheKeyboardLayoutsKeysym) {
  EXPECT_EQ(CommandForX11Key('q', XK_q), ViewerCommand::kQuit);
  EXPECT_EQ(CommandForX11Key(0x1b, XK_Escape), ViewerCommand::kQuit);
  EXPECT_EQ(CommandForX11Key(' ', XK_space), ViewerCommand::kTogglePause);
  EXPECT_EQ(CommandForX11Key('+', XK_plus), ViewerCommand::kVolumeUp);
  EXPECT_EQ(CommandForX11Key('+', XK_KP_Add), ViewerCommand::kVolumeUp);
  EXPECT_EQ(CommandForX11Key('\t', XK_Tab), ViewerCommand::kNextSelection);
  EXPECT_EQ(CommandForX11Key('\0', XK_Right), ViewerCommand::kFaster);
  EXPECT_EQ(CommandForX11Key('c', XK_c), ViewerCommand::kCapture);
  EXPECT_EQ(CommandForX11Key('z', XK_z), ViewerCommand::kToggleZoom);
  EXPECT_EQ(CommandForX11Key('x', XK_x), ViewerCommand::kNone);
  EXPECT_EQ(CommandForX11Key('\0', XK_Shift_L), ViewerCommand::kNone);
}

}  // namespace
}  // namespace demo_viewer
