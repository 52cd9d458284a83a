// Opening, feeding and closing streams.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "GbkTexts.h"
#include "PlayerFixture.h"

namespace tests {
namespace {

using Calls = std::vector<std::string>;

std::string Address(const void* p) { return std::to_string(reinterpret_cast<uintptr_t>(p)); }

class StreamTest : public PlayerTest {
 protected:
  std::string OpenCall(int32_t channel) const {
    return "PlayM4_OpenStream(" + std::to_string(channel) + "," + Address(header_) + ",40,51200)";
  }
  std::string InputCall(int32_t channel) const {
    return "PlayM4_InputData(" + std::to_string(channel) + "," + Address(block_) + ",64)";
  }
  int32_t Input(int32_t channel) {
    return player_->Play_InputData(channel, block_, sizeof block_, 0);
  }
};

TEST_F(StreamTest, OpenPlaysInTheWindowWithTheFixedBufferSize) {
  Configure(1);
  int window = 0;
  EXPECT_EQ(
      player_->Play_OpenStream(reinterpret_cast<WindowHandle>(&window), 5, header_, 40, 12345), 0);
  EXPECT_EQ(DecoderCalls(), (Calls{OpenCall(5), "PlayM4_Play(5," + Address(&window) + ")"}));
  int32_t state = 0;
  player_->Play_GetPlayState(5, &state);
  EXPECT_EQ(state, 1);
  // The window is the one later play commands use.
  Scripted_ClearCalls();
  ASSERT_EQ(player_->Play_PlayState(5, 3), 0);
  EXPECT_EQ(DecoderCalls()[0], "PlayM4_Play(5," + Address(&window) + ")");
}

TEST_F(StreamTest, OpenChecksArgumentsBeforeTouchingAnOpenStream) {
  Configure(0);
  OpenChannel(2);
  EXPECT_EQ(player_->Play_OpenStream(nullptr, 2, nullptr, 40, 0), 2);
  EXPECT_EQ(player_->Play_OpenStream(nullptr, 2, header_, 0, 0), 2);
  EXPECT_EQ(player_->Play_OpenStream(nullptr, 32, header_, 40, 0), 2);
  EXPECT_EQ(player_->Play_OpenStream(nullptr, -1, header_, 40, 0), 2);
  EXPECT_TRUE(DecoderCalls().empty());
  int32_t state = 0;
  player_->Play_GetPlayState(2, &state);
  EXPECT_EQ(state, 1);
  const std::vector<LogEntry> errors = Errors();
  ASSERT_EQ(errors.size(), 4u);
  for (const LogEntry& entry : errors) EXPECT_EQ(entry.value[2], common::kInvalidParameter);
  // Distinct checks write from distinct lines.
  EXPECT_NE(errors[0].value[1], errors[1].value[1]);
  EXPECT_NE(errors[1].value[1], errors[2].value[1]);
}

TEST_F(StreamTest, ReopeningClosesTheOpenStreamFirst) {
  Configure(1);
  OpenChannel(3);
  VideoPara para{0, 10, 20, 30, 40, 0};
  ASSERT_EQ(player_->Play_SetVideoPara(3, &para, 0), 0);
  Scripted_ClearCalls();
  EXPECT_EQ(player_->Play_OpenStream(nullptr, 3, header_, 40, 0), 0);
  EXPECT_EQ(DecoderCalls(),
            (Calls{"PlayM4_Stop(3)", "PlayM4_CloseStream(3)", OpenCall(3), "PlayM4_Play(3,0)"}));
  EXPECT_EQ(ErrorMessages(), Calls{common::kStopPlaybackFirst});
  const Calls traced = TracedNames();
  ASSERT_GE(traced.size(), 2u);
  EXPECT_EQ(traced[traced.size() - 2], "Play_OpenStream");
  EXPECT_EQ(traced.back(), "Play_CloseStream");
  ASSERT_EQ(player_->Play_GetVideoPara(3, &para), 0);
  EXPECT_EQ(para.value1, 50);
  EXPECT_EQ(para.value4, 50);
}

TEST_F(StreamTest, AFailedInnerCloseAbandonsTheOpen) {
  Configure(0);
  OpenChannel(3);
  Scripted_FailAlways("PlayM4_CloseStream");
  Scripted_SetLastError(3, 2);
  EXPECT_EQ(player_->Play_OpenStream(nullptr, 3, header_, 40, 0), 3);
  EXPECT_EQ(DecoderCalls(),
            (Calls{"PlayM4_Stop(3)", "PlayM4_CloseStream(3)", "PlayM4_GetLastError(3)"}));
  const std::vector<LogEntry> errors = Errors();
  ASSERT_EQ(errors.size(), 3u);
  EXPECT_EQ(errors[0].value[2], common::kStopPlaybackFirst);
  EXPECT_EQ(errors[1].value[2], std::string(common::kDecoderError2) + "\nPlayM4_CloseStream()");
  EXPECT_EQ(errors[2].value[0], "3");
  EXPECT_EQ(errors[2].value[2], "Play_CloseStream() error");
  int32_t state = 0;
  player_->Play_GetPlayState(3, &state);
  EXPECT_EQ(state, 1);
}

TEST_F(StreamTest, AFailedOpenLeavesTheChannelClosed) {
  Configure(0);
  Scripted_FailNextCalls("PlayM4_OpenStream", 1);
  Scripted_SetLastError(1, 17);
  EXPECT_EQ(player_->Play_OpenStream(nullptr, 1, header_, 40, 0), 18);
  EXPECT_EQ(DecoderCalls(), (Calls{OpenCall(1), "PlayM4_GetLastError(1)"}));
  EXPECT_EQ(ErrorMessages(), Calls{std::string(common::kDecoderError17) + "\nPlayM4_OpenStream"});
  EXPECT_EQ(Input(1), 3);
}

TEST_F(StreamTest, AFailedPlayClosesTheDecoderStreamAgain) {
  Configure(0);
  Scripted_FailNextCalls("PlayM4_Play", 1);
  Scripted_FailNextCalls("PlayM4_CloseStream", 1);  // its own result is not reported
  Scripted_SetLastError(6, 9);
  EXPECT_EQ(player_->Play_OpenStream(nullptr, 6, header_, 40, 0), 10);
  EXPECT_EQ(DecoderCalls(), (Calls{OpenCall(6), "PlayM4_Play(6,0)", "PlayM4_GetLastError(6)",
                                   "PlayM4_CloseStream(6)"}));
  EXPECT_EQ(ErrorMessages(), Calls{std::string(common::kDecoderError9) + "\nPlayM4_Play()"});
  EXPECT_EQ(player_->Play_CloseStream(6), 3);
}

TEST_F(StreamTest, InputChecksArgumentsBeforeState) {
  Configure(0);
  EXPECT_EQ(player_->Play_InputData(0, block_, 0, 0), 2);
  EXPECT_EQ(player_->Play_InputData(0, nullptr, 64, 0), 2);
  EXPECT_EQ(Input(0), 3);
  EXPECT_EQ(Input(32), 2);
  EXPECT_TRUE(DecoderCalls().empty());
  EXPECT_EQ(ErrorMessages(), (Calls{common::kInvalidParameter, common::kInvalidParameter,
                                    common::kInputToClosedChannel, common::kInvalidParameter}));
}

TEST_F(StreamTest, InputPassesTheBlockWithoutCopying) {
  Configure(0);
  OpenChannel(7);
  EXPECT_EQ(Input(7), 0);
  EXPECT_EQ(DecoderCalls(), Calls{InputCall(7)});
  EXPECT_TRUE(platform_.sleeps().empty());
}

TEST_F(StreamTest, RefusedInputIsRetriedAfterPauses) {
  Configure(0);
  OpenChannel(7);
  Scripted_FailNextCalls("PlayM4_InputData", 3);
  Scripted_SetLastError(7, 11);
  EXPECT_EQ(Input(7), 0);
  EXPECT_EQ(DecoderCalls(),
            (Calls{InputCall(7), "PlayM4_GetLastError(7)", InputCall(7), "PlayM4_GetLastError(7)",
                   InputCall(7), "PlayM4_GetLastError(7)", InputCall(7)}));
  EXPECT_EQ(platform_.sleeps(), (std::vector<uint32_t>{100, 100, 100}));
  EXPECT_FALSE(FileExists(ErrorLogPath()));  // recovered failures show only at level 2
}

TEST_F(StreamTest, ADroppedBlockIsReportedOnceBelowLevelTwo) {
  Configure(1);
  OpenChannel(7);
  Scripted_FailAlways("PlayM4_InputData");
  Scripted_SetLastError(7, 11);
  EXPECT_EQ(Input(7), 12);
  EXPECT_EQ(platform_.sleeps(), std::vector<uint32_t>(10, 100));
  size_t inputs = 0;
  for (const std::string& call : DecoderCalls()) inputs += call == InputCall(7);
  EXPECT_EQ(inputs, 10u);
  EXPECT_EQ(ErrorMessages(), Calls{std::string(common::kDecoderError11) + "\nPlayM4_InputData()"});
  EXPECT_EQ(TracedNames(), Calls{"Play_OpenStream"});  // input is traced only at level 2
}

TEST_F(StreamTest, AtLevelTwoEveryFailedAttemptIsReported) {
  Configure(2);
  OpenChannel(7);
  Scripted_FailAlways("PlayM4_InputData");
  Scripted_SetLastError(7, 40);
  EXPECT_EQ(Input(7), 26);
  EXPECT_EQ(Errors().size(), 10u);
  EXPECT_EQ(TracedNames(), (Calls{"Play_OpenStream", "Play_InputData"}));
}

// A close, or a close and a new open, while a refused block waits between
// its attempts: the close does not wait out the retries (it runs on the
// feeder's own thread here, in its pause, so a feeder holding the channel
// would hang it), and the old block ends at its next attempt as input to a
// closed channel, never reaching the decoder after the close.
TEST_F(StreamTest, ACloseDuringTheRetriesEndsTheWaitingBlock) {
  for (const bool reopen : {false, true}) {
    SCOPED_TRACE(reopen ? "closed and reopened" : "closed");
    Configure(0);
    OpenChannel(7);
    Scripted_FailAlways("PlayM4_InputData");
    Scripted_SetLastError(7, 11);
    bool closed = false;
    platform_.set_during_sleep([&](uint32_t) {
      if (closed) return;
      closed = true;
      EXPECT_EQ(player_->Play_CloseStream(7), 0);
      if (reopen) {
        EXPECT_EQ(player_->Play_OpenStream(nullptr, 7, header_, sizeof header_, 0), 0);
      }
    });
    EXPECT_EQ(Input(7), 3);
    Calls expected = {InputCall(7), "PlayM4_GetLastError(7)", "PlayM4_Stop(7)",
                      "PlayM4_CloseStream(7)"};
    if (reopen) {
      expected.insert(expected.end(), {OpenCall(7), "PlayM4_Play(7,0)"});
    }
    EXPECT_EQ(DecoderCalls(), expected);
    EXPECT_EQ(ErrorMessages(), Calls{common::kInputToClosedChannel});
    if (reopen) {
      EXPECT_EQ(player_->Play_CloseStream(7), 0);
    }
    Scripted_Reset();
    std::remove(ErrorLogPath().c_str());
  }
}

TEST_F(StreamTest, CloseStopsThenCloses) {
  Configure(1);
  EXPECT_EQ(player_->Play_CloseStream(0), 3);
  EXPECT_EQ(ErrorMessages(), Calls{common::kCannotStopUnstarted});
  OpenChannel(0);
  EXPECT_EQ(player_->Play_CloseStream(0), 0);
  EXPECT_EQ(DecoderCalls(), (Calls{"PlayM4_Stop(0)", "PlayM4_CloseStream(0)"}));
  EXPECT_EQ(player_->Play_CloseStream(0), 3);
}

TEST_F(StreamTest, AFailedStopOrCloseLeavesTheChannelOpen) {
  Configure(0);
  OpenChannel(0);
  Scripted_FailNextCalls("PlayM4_Stop", 1);
  Scripted_SetLastError(0, 2);
  EXPECT_EQ(player_->Play_CloseStream(0), 3);
  Scripted_FailNextCalls("PlayM4_CloseStream", 1);
  EXPECT_EQ(player_->Play_CloseStream(0), 3);
  EXPECT_EQ(ErrorMessages(),
            (Calls{std::string(common::kDecoderError2) + "\nPlayM4_Stop()",
                   std::string(common::kDecoderError2) + "\nPlayM4_CloseStream()"}));
  int32_t state = 0;
  player_->Play_GetPlayState(0, &state);
  EXPECT_EQ(state, 1);
  EXPECT_EQ(player_->Play_CloseStream(0), 0);
}

TEST_F(StreamTest, OpenModeIsStoredEvenWhenTheDecoderRefuses) {
  Configure(0);
  EXPECT_EQ(player_->Play_SetOpenMode(0, 2), 2);
  EXPECT_EQ(player_->Play_SetOpenMode(0, -1), 2);
  EXPECT_TRUE(DecoderCalls().empty());
  OpenChannel(0);
  EXPECT_EQ(player_->Play_SetOpenMode(0, 1), 0);
  Scripted_FailNextCalls("PlayM4_SetStreamOpenMode", 1);
  Scripted_SetLastError(0, 1);
  EXPECT_EQ(player_->Play_SetOpenMode(0, 0), 2);
  EXPECT_EQ(DecoderCalls(), (Calls{"PlayM4_SetStreamOpenMode(0,1)", "PlayM4_SetStreamOpenMode(0,0)",
                                   "PlayM4_GetLastError(0)"}));
  EXPECT_EQ(ErrorMessages().back(),
            std::string(common::kDecoderError1) + "\nPlayM4_SetStreamOpenMode()");
}

}  // namespace
}  // namespace tests
