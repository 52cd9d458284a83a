// The demo viewer's session against the real player and FFmpeg decoder, used
// as the viewer uses it: a feeder thread per channel while this thread
// pauses, steps, changes speed, zooms, captures and closes the same
// channels, and the decoder shows pictures from threads of its own. Under
// ThreadSanitizer this is the check that a real client's way of calling the
// SDK is free of data races.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Kelo820_PlaySDK.h"
#include "StreamFile.h"
#include "TestStreams.h"
#include "ViewerCommands.h"
#include "ViewerSession.h"

namespace tests_ffmpeg {
namespace {

demo_viewer::StreamFile AsStreamFile(const TestStream& stream, const char* name) {
  demo_viewer::StreamFile file;
  file.name = name;
  file.header = stream.header;
  file.payload = stream.payload;
  return file;
}

TEST(ViewerSessionLiveTest, CommandsWhileEveryChannelIsFedFromItsOwnThread) {
  tests::TempDirectory drive;
  setenv("Q81_DRIVE_ROOT", drive.path().c_str(), 1);
  const std::vector<demo_viewer::StreamFile> streams = {
      AsStreamFile(Stream(StreamKind::kTransportH264), "h264.ts"),
      AsStreamFile(Stream(StreamKind::kProgramMpeg2WithAudio), "mpeg2.ps")};
  SinglePlayer* player = CreateSinglePlayerDll();
  ASSERT_NE(player, nullptr);
  ASSERT_EQ(player->Play_InitDDraw(nullptr), 0);
  std::ostringstream out;
  {
    demo_viewer::ViewerSession session(*player, streams, drive.path() + "shots", out);
    ASSERT_TRUE(session.Open({nullptr, nullptr, nullptr}));
    using demo_viewer::ViewerCommand;
    const ViewerCommand commands[] = {
        ViewerCommand::kTogglePause, ViewerCommand::kStep,       ViewerCommand::kStep,
        ViewerCommand::kTogglePause, ViewerCommand::kFaster,     ViewerCommand::kSlower,
        ViewerCommand::kPlay,        ViewerCommand::kToggleZoom, ViewerCommand::kToggleZoom};
    for (const ViewerCommand command : commands) {
      session.Execute(command, -1);
      std::this_thread::sleep_for(std::chrono::milliseconds(150));
    }
    session.Capture(-1);
    session.Close();
  }
  ReleaseSinglePlayerDll(player);
  // The session prints every refused call; no play command may be refused.
  EXPECT_EQ(out.str().find("Play_PlayState("), std::string::npos) << out.str();
}

}  // namespace
}  // namespace tests_ffmpeg
