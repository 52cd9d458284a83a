// Several clients drive channels of their own at once while the decoder
// delivers pictures from its threads and refuses some calls. Each client
// counts the log entries its calls must leave; afterwards both logs hold
// exactly those entries, each of them whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "GbkTexts.h"
#include "Kelo820_PlaySDKCodes.h"
#include "PlayerFixture.h"

namespace tests {
namespace {

constexpr int kRounds = 60;
constexpr int kBlocksPerRound = 4;
constexpr int32_t kFramesPerCapture = 3;
// What the scripted decoder's GetLastError answers on the channels in use;
// a refusal of the player's own is 2, 3 or 12, a reported decoder error 6.
constexpr int32_t kDecoderErrorCode = 5;
constexpr int32_t kReportedDecoderError = kDecoderErrorCode + 1;
constexpr int32_t kRefusedOutOfOrder = kelo820::kOutOfOrder;
constexpr int32_t kRefusedWhileStepping = kelo820::kInputRefused;

// Decoder refusals planned before the clients start. The input refusals are
// all reported at debug level 2 (ten in a row drop a block); the conversion
// refusals happen on the display thread and are reported there.
struct PlannedFailure {
  const char* function;
  int32_t nth;  // 0: the next |count| calls
  int32_t count;
};
constexpr PlannedFailure kFailures[] = {
    {"PlayM4_InputData", 0, 12},
    {"PlayM4_InputData", 40, 1},
    {"PlayM4_InputData", 90, 1},
    {"PlayM4_ConvertToBmpFile", 2, 1},
    {"PlayM4_ConvertToBmpFile", 9, 1},
    {"PlayM4_OpenStream", 5, 1},
    {"PlayM4_Play", 7, 1},
    {"PlayM4_Play", 30, 1},
    {"PlayM4_Stop", 4, 1},
    {"PlayM4_CloseStream", 11, 1},
    {"PlayM4_Fast", 3, 1},
    {"PlayM4_Pause", 6, 1},
    {"PlayM4_Slow", 2, 1},
    {"PlayM4_OneByOne", 1, 2},
};

// Refusals of |function| the plans above make, and the number of its calls
// needed for all of them to have happened.
struct PlannedCount {
  size_t failures = 0;
  int32_t callsNeeded = 0;
};
PlannedCount Planned(const std::string& function) {
  PlannedCount planned;
  for (const PlannedFailure& failure : kFailures) {
    if (function != failure.function) continue;
    planned.failures += static_cast<size_t>(failure.count);
    planned.callsNeeded =
        std::max(planned.callsNeeded, failure.nth > 0 ? failure.nth : failure.count);
  }
  return planned;
}

struct EntryCount {
  size_t traces = 0;
  size_t errors = 0;
};

// One client on one channel. It knows whether its channel is open from the
// results it gets, and from that what each call writes to the logs: a trace
// per call at debug level 2, an error entry per refusal and per reported
// decoder failure. Failed input attempts are left to the plans above.
class Client {
 public:
  Client(SinglePlayer& player, int32_t channel, std::string capturePath)
      : player_(player),
        channel_(channel),
        capturePath_(std::move(capturePath)),
        random_(static_cast<unsigned>(channel)) {}

  void Run() {
    for (int round = 0; round < kRounds; ++round) {
      Open();
      for (int block = 0; block < kBlocksPerRound; ++block) {
        Input();
        ChangeState(std::uniform_int_distribution<int32_t>(0, 10)(random_));
      }
      if (round % 3 == 0) Capture();
      if (round % 4 != 3) Close();  // now and then a reopen closes first
    }
    Close();
  }

  const EntryCount& expected() const { return expected_; }
  size_t captures() const { return captures_; }

 private:
  void Open() {
    const bool wasOpen = open_;
    ++expected_.traces;
    const int32_t result = player_.Play_OpenStream(nullptr, channel_, header_, sizeof header_, 0);
    if (wasOpen) {
      ++expected_.errors;  // "stop playback first"
      ++expected_.traces;  // the close it runs
    }
    if (result == 0) {
      open_ = true;
      return;
    }
    EXPECT_EQ(result, kReportedDecoderError);
    ++expected_.errors;
    int32_t state = -1;
    ++expected_.traces;
    ASSERT_EQ(player_.Play_GetPlayState(channel_, &state), 0);
    // Still open: the close before the open failed, and said so.
    open_ = state != 0;
    if (open_) {
      EXPECT_TRUE(wasOpen);
      ++expected_.errors;
    }
  }

  void Input() {
    ++expected_.traces;
    const int32_t result = player_.Play_InputData(channel_, block_, sizeof block_, 0);
    if (!open_) {
      EXPECT_EQ(result, kRefusedOutOfOrder);
      ++expected_.errors;
      return;
    }
    EXPECT_TRUE(result == 0 || result == kRefusedWhileStepping || result == kReportedDecoderError)
        << result;
  }

  void ChangeState(int32_t command) {
    ++expected_.traces;
    const int32_t result = player_.Play_PlayState(channel_, command);
    if (!open_) {
      EXPECT_EQ(result, kRefusedOutOfOrder);
      ++expected_.errors;
      return;
    }
    if (result != 0) {
      EXPECT_EQ(result, kReportedDecoderError);
      ++expected_.errors;
    }
  }

  void Capture() {
    ++expected_.traces;
    // Pictures are shown in every window; a planned conversion refusal is
    // the capture's result.
    const int32_t result = player_.Play_GetPicture(channel_, capturePath_.c_str());
    EXPECT_TRUE(result == 0 || result == kReportedDecoderError) << result;
    ++captures_;
  }

  void Close() {
    ++expected_.traces;
    const int32_t result = player_.Play_CloseStream(channel_);
    if (!open_) {
      EXPECT_EQ(result, kRefusedOutOfOrder);
      ++expected_.errors;
      return;
    }
    if (result == 0) {
      open_ = false;
      return;
    }
    EXPECT_EQ(result, kReportedDecoderError);
    ++expected_.errors;
  }

  SinglePlayer& player_;
  const int32_t channel_;
  const std::string capturePath_;
  std::mt19937 random_;
  bool open_ = false;
  EntryCount expected_;
  size_t captures_ = 0;
  const uint8_t header_[40] = {1};
  const uint8_t block_[256] = {2};
};

size_t CountCalls(const std::vector<std::string>& calls, const std::string& function) {
  return static_cast<size_t>(
      std::count_if(calls.begin(), calls.end(),
                    [&](const std::string& call) { return call.rfind(function + "(", 0) == 0; }));
}

class StressTest : public PlayerTest {};

TEST_F(StressTest, ConcurrentClientsLeaveWholeAndCompleteLogs) {
  Configure(2);
  const std::vector<int32_t> channels = {0, 9, 17, 31};
  for (int32_t channel : channels) Scripted_SetLastError(channel, kDecoderErrorCode);
  Scripted_SetPictureSize(16, 8);
  Scripted_SetFramesPerCallback(kFramesPerCapture);
  for (const PlannedFailure& failure : kFailures) {
    if (failure.nth > 0) {
      Scripted_FailNthCall(failure.function, failure.nth);
    } else {
      Scripted_FailNextCalls(failure.function, failure.count);
    }
  }

  std::vector<Client> clients;
  clients.reserve(channels.size());
  for (int32_t channel : channels) {
    clients.emplace_back(*player_, channel,
                         drive_.path() + "capture" + std::to_string(channel) + ".bmp");
  }
  std::vector<std::thread> threads;
  for (Client& client : clients) threads.emplace_back([&client] { client.Run(); });
  for (std::thread& thread : threads) thread.join();

  EntryCount expected;
  size_t captures = 0;
  for (const Client& client : clients) {
    expected.traces += client.expected().traces;
    expected.errors += client.expected().errors;
    captures += client.captures();
  }
  const std::vector<std::string> calls = DecoderCalls();
  // Every planned input and conversion refusal has happened...
  for (const char* function : {"PlayM4_InputData", "PlayM4_ConvertToBmpFile"}) {
    ASSERT_GE(CountCalls(calls, function), static_cast<size_t>(Planned(function).callsNeeded))
        << function;
    expected.errors += Planned(function).failures;
  }
  // ...and every picture shown during a capture was either converted or
  // found the capture's name already taken by an earlier picture.
  const size_t frames = captures * static_cast<size_t>(kFramesPerCapture);
  const size_t conversions = CountCalls(calls, "PlayM4_ConvertToBmpFile");
  ASSERT_LE(conversions, frames);
  expected.errors += frames - conversions;

  const std::string runtimeText = ReadText(RuntimeLogPath());
  const std::string errorText = ReadText(ErrorLogPath());
  const std::vector<LogEntry> traces = ParseLog(runtimeText);
  const std::vector<LogEntry> errors = ParseLog(errorText);
  EXPECT_EQ(traces.size(), expected.traces);
  EXPECT_EQ(errors.size(), expected.errors);
  EXPECT_EQ(LogText(traces), runtimeText);
  EXPECT_EQ(LogText(errors), errorText);

  const std::set<std::string> operations = {"Play_OpenStream",  "Play_InputData",
                                            "Play_PlayState",   "Play_GetPicture",
                                            "Play_CloseStream", "Play_GetPlayState"};
  for (const LogEntry& entry : traces) {
    EXPECT_EQ(operations.count(entry.value[0]), 1u) << entry.value[0];
    EXPECT_EQ(entry.label[1] + entry.value[1] + entry.label[2] + entry.value[2], "");
  }
  const std::string context = "Source File: [My820xPlaySDK.cpp], LINE: [";
  for (const LogEntry& entry : errors) {
    EXPECT_EQ(entry.label[0] + entry.label[1] + entry.label[2], "ErrCodeContextErrString");
    // Refusals carry 0, decoder failures their code, a failed close before
    // a reopen the result it returned.
    EXPECT_TRUE(entry.value[0] == "0" || entry.value[0] == std::to_string(kDecoderErrorCode) ||
                entry.value[0] == std::to_string(kReportedDecoderError))
        << entry.value[0];
    EXPECT_EQ(entry.value[1].rfind(context, 0), 0u) << entry.value[1];
    EXPECT_FALSE(entry.value[2].empty());
  }
}

// One channel driven from several threads at once, as a viewer does: a
// feeder, a thread cycling play, pause and steps, a capturing thread and one
// that closes and reopens the stream, while the decoder refuses blocks and
// shows pictures from threads of its own. Every result is one the call may
// give, no block reaches the decoder while the channel is closed, and both
// logs hold whole entries only.
TEST_F(StressTest, OneChannelFromSeveralThreadsAtOnce) {
  constexpr int32_t kChannel = 5;
  Configure(2);
  Scripted_SetLastError(kChannel, 11);
  Scripted_SetPictureSize(16, 8);
  Scripted_SetFramesPerCallback(2);
  Scripted_FailNextCalls("PlayM4_InputData", 25);
  for (int32_t nth : {40, 41, 90, 150}) Scripted_FailNthCall("PlayM4_InputData", nth);
  OpenChannel(kChannel);
  const auto in = [](int32_t result, std::initializer_list<int32_t> allowed) {
    return std::find(allowed.begin(), allowed.end(), result) != allowed.end();
  };
  const uint8_t block[188] = {0x47};
  std::vector<std::thread> threads;
  threads.emplace_back([&] {
    for (int i = 0; i < 300; ++i) {
      const int32_t result = player_->Play_InputData(kChannel, block, sizeof block, 0);
      EXPECT_TRUE(in(result, {0, 3, 12})) << result;
    }
  });
  threads.emplace_back([&] {
    const int32_t commands[] = {2, 9, 9, 9, 1, 3, 9, 6, 1};
    for (int i = 0; i < 150; ++i) {
      const int32_t result = player_->Play_PlayState(kChannel, commands[i % 9]);
      EXPECT_TRUE(in(result, {0, 3})) << result;
      int32_t state = -1;
      EXPECT_EQ(player_->Play_GetPlayState(kChannel, &state), 0);
      EXPECT_TRUE(state >= 0 && state <= 9) << state;
    }
  });
  threads.emplace_back([&] {
    const std::string path = drive_.path() + "shot.bmp";
    for (int i = 0; i < 30; ++i) EXPECT_EQ(player_->Play_GetPicture(kChannel, path.c_str()), 0);
  });
  threads.emplace_back([&] {
    for (int i = 0; i < 30; ++i) {
      EXPECT_TRUE(in(player_->Play_CloseStream(kChannel), {0, 3}));
      EXPECT_EQ(player_->Play_OpenStream(nullptr, kChannel, header_, sizeof header_, 0), 0);
    }
  });
  for (std::thread& thread : threads) thread.join();

  bool open = true;
  for (const std::string& call : DecoderCalls()) {
    if (call.rfind("PlayM4_CloseStream(", 0) == 0) open = false;
    if (call.rfind("PlayM4_OpenStream(", 0) == 0) open = true;
    if (call.rfind("PlayM4_InputData(", 0) == 0) {
      EXPECT_TRUE(open) << "input after a close";
    }
  }
  const std::string runtimeText = ReadText(RuntimeLogPath());
  const std::string errorText = ReadText(ErrorLogPath());
  EXPECT_EQ(LogText(ParseLog(runtimeText)), runtimeText);
  EXPECT_EQ(LogText(ParseLog(errorText)), errorText);
}

}  // namespace
}  // namespace tests
