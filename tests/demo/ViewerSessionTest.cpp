#include "ViewerSession.h"

#include <gtest/gtest.h>

#include <sstream>

#include "RecordingPlayer.h"

namespace demo_viewer {
namespace {

class ViewerSessionTest : public ::testing::Test {
 protected:
  ViewerSessionTest() {
    streams_.push_back({"a.kst", {1, 2}, std::vector<uint8_t>(100, 7), ""});
    streams_.push_back({"b.kst", {1, 2}, std::vector<uint8_t>(100, 8), ""});
    // Nothing fits: the feeders only wait, so the record shows the session's calls.
    player_.bufferRemain = kSourceBufferBytes;
  }

  std::vector<WindowHandle> Windows(int count) {
    return std::vector<WindowHandle>(static_cast<size_t>(count), nullptr);
  }

  RecordingPlayer player_;
  std::vector<StreamFile> streams_;
  std::ostringstream out_;
};

TEST_F(ViewerSessionTest, OpensOneChannelPerTileWithTheStreamsRepeatedAndClosesThem) {
  ViewerSession session(player_, streams_, "unused", out_);
  ASSERT_TRUE(session.Open(Windows(3)));
  const std::vector<std::string> captions = session.Captions();
  ASSERT_EQ(captions.size(), 3u);
  EXPECT_NE(captions[2].find("ch2 a.kst"), std::string::npos) << captions[2];
  session.Close();
  EXPECT_EQ(player_.Calls(), (std::vector<std::string>{"Play_OpenStream(0)", "Play_OpenStream(1)",
                                                       "Play_OpenStream(2)", "Play_SetVolume(0,50)",
                                                       "Play_CloseStream(0)", "Play_CloseStream(1)",
                                                       "Play_CloseStream(2)"}));
}

TEST_F(ViewerSessionTest, FastQualityIsSetOnEveryChannelAsItOpens) {
  ViewerSession session(player_, streams_, "unused", out_);
  session.SetPicQuality(0);
  ASSERT_TRUE(session.Open(Windows(2)));
  session.Close();
  const std::vector<std::string> calls = player_.Calls();
  ASSERT_GE(calls.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + 4),
            (std::vector<std::string>{"Play_OpenStream(0)", "Play_SetPicQuality(0,0)",
                                      "Play_OpenStream(1)", "Play_SetPicQuality(1,0)"}));
}

TEST_F(ViewerSessionTest, TilesBeyondThePlayersChannelsSayTheyDoNotPlay) {
  ViewerSession session(player_, streams_, "unused", out_);
  ASSERT_TRUE(session.Open(Windows(kPlayerChannels + 2)));
  const std::vector<std::string> captions = session.Captions();
  EXPECT_EQ(captions.back().find("ch33 not played"), 0u) << captions.back();
  session.Close();
  for (const std::string& call : player_.Calls()) {
    EXPECT_EQ(call.find("(32)"), std::string::npos) << call;
    EXPECT_EQ(call.find("(33)"), std::string::npos) << call;
  }
}

TEST_F(ViewerSessionTest, ChannelsThatDidNotOpenAreNeitherDrivenNorClosed) {
  player_.openResult = 5;
  ViewerSession session(player_, streams_, "unused", out_);
  EXPECT_FALSE(session.Open(Windows(2)));
  session.Execute(ViewerCommand::kPlay, -1);
  session.Close();
  EXPECT_EQ(player_.Calls(),
            (std::vector<std::string>{"Play_OpenStream(0)", "Play_OpenStream(1)"}));
  EXPECT_NE(out_.str().find("ch1: Play_OpenStream(b.kst) -> 5"), std::string::npos) << out_.str();
}

TEST_F(ViewerSessionTest, ZoomShowsTheTopLeftQuarterOfThePictureAndTogglesBack) {
  ViewerSession session(player_, streams_, "unused", out_);
  ASSERT_TRUE(session.Open(Windows(2)));
  session.Execute(ViewerCommand::kToggleZoom, 1);
  session.Execute(ViewerCommand::kToggleZoom, 1);
  const std::vector<std::string> calls = player_.Calls();
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls[calls.size() - 2], "Play_SetDispRegion(1,1,0,0,352,288)");
  EXPECT_EQ(calls.back(), "Play_SetDispRegion(1,0)");
}

TEST_F(ViewerSessionTest, PauseAndSpeedKeysStartFromTheChannelsCurrentState) {
  ViewerSession session(player_, streams_, "unused", out_);
  ASSERT_TRUE(session.Open(Windows(1)));
  player_.playState = 1;
  session.Execute(ViewerCommand::kTogglePause, 0);
  session.Execute(ViewerCommand::kFaster, 0);
  session.Execute(ViewerCommand::kTogglePause, 0);
  session.Execute(ViewerCommand::kTogglePause, 0);
  const std::vector<std::string> calls = player_.Calls();
  EXPECT_EQ(std::vector<std::string>(calls.end() - 4, calls.end()),
            (std::vector<std::string>{"Play_PlayState(0,2)", "Play_PlayState(0,3)",
                                      "Play_PlayState(0,2)", "Play_PlayState(0,1)"}));
}

TEST_F(ViewerSessionTest, SoundFollowsTheChosenTileAndTurnsOffAtZero) {
  ViewerSession session(player_, streams_, "unused", out_);
  ASSERT_TRUE(session.Open(Windows(4)));
  session.SelectTile(2);
  for (int press = 0; press < 6; ++press) session.Execute(ViewerCommand::kVolumeDown, 2);
  const std::vector<std::string> calls = player_.Calls();
  EXPECT_EQ(std::vector<std::string>(calls.end() - 6, calls.end()),
            (std::vector<std::string>{"Play_SetVolume(2,50)", "Play_SetVolume(2,40)",
                                      "Play_SetVolume(2,30)", "Play_SetVolume(2,20)",
                                      "Play_SetVolume(2,10)", "Play_SetVolume(2,0)"}));
  EXPECT_NE(out_.str().find("ch2: volume 0 (sound off)"), std::string::npos);
}

TEST(ViewerSessionLiveTest, AUdpPortStaysWithTheFirstTileThatNamesIt) {
  // Loopback ports nobody sends to: the sources only listen until closed.
  const std::vector<StreamFile> streams{
      {"udp://127.0.0.1:47361", {}, {}, "udp://127.0.0.1:47361"},
      {"udp://127.0.0.1:47362", {}, {}, "udp://127.0.0.1:47362"},
      {"udp://localhost:47361", {}, {}, "udp://localhost:47361?overrun_nonfatal=1"}};
  RecordingPlayer player;
  std::ostringstream out;
  ViewerSession session(player, streams, "unused", out);
  // Tile 3 repeats stream 0, as a grid larger than the stream list does.
  ASSERT_TRUE(session.Open({nullptr, nullptr, nullptr, nullptr}));
  const std::vector<TileLabel> labels = session.Labels();
  session.PrintProgress(1, [](int, uint64_t*) { return false; });
  session.Close();
  ASSERT_EQ(labels.size(), 4u);
  EXPECT_EQ(labels[0].state.find("in use"), std::string::npos) << labels[0].state;
  EXPECT_EQ(labels[1].state.find("in use"), std::string::npos) << labels[1].state;
  EXPECT_EQ(labels[2].state, "port 47361 in use by ch0");
  EXPECT_EQ(labels[3].state, "port 47361 in use by ch0");
  EXPECT_NE(out.str().find("ch2: udp://localhost:47361?overrun_nonfatal=1: port 47361 in use by "
                           "ch0; not listening"),
            std::string::npos)
      << out.str();
  EXPECT_NE(out.str().find("ch3 udp://127.0.0.1:47361  port 47361 in use by ch0\n"),
            std::string::npos)
      << out.str();
}

TEST(ViewerSessionProgressTest, ABufferFigureThatStandsStillSaysWhy) {
  const struct {
    uint32_t waiting;
    const char* note;  // on the second line only; null: none
  } cases[] = {{kSourceBufferBytes - kFeedBlockBytes + 1, "(full)"},
               {0, "(empty)"},
               {kSourceBufferBytes - kFeedBlockBytes, nullptr}};
  const std::vector<StreamFile> streams{{"a.kst", {1, 2}, std::vector<uint8_t>(100, 7), ""}};
  const ViewerSession::PictureCounter noCount = [](int, uint64_t*) { return false; };
  for (const auto& test : cases) {
    RecordingPlayer player;
    player.bufferRemain = test.waiting;
    player.inputResult = 5;  // the feeder only waits and retries
    std::ostringstream out;
    ViewerSession session(player, streams, "unused", out);
    ASSERT_TRUE(session.Open({nullptr}));
    session.PrintProgress(1, noCount);
    const size_t firstLineEnd = out.str().size();
    session.PrintProgress(2, noCount);
    session.Close();
    const std::string first = out.str().substr(0, firstLineEnd);
    const std::string second = out.str().substr(firstLineEnd);
    const std::string buffer = "buffer " + std::to_string(test.waiting) + " B";
    EXPECT_NE(first.find(buffer + "  picture"), std::string::npos) << first;
    const std::string expected =
        buffer + (test.note != nullptr ? std::string(" ") + test.note : "  picture");
    EXPECT_NE(second.find(expected), std::string::npos) << second;
  }
}

}  // namespace
}  // namespace demo_viewer
