// Play-state commands against the scripted decoder: the decoder calls of each
// command from every state, where a failing call stops a command and what it
// reports, the stepping gate on stream input, and the commands that do nothing.
#include <cstdint>
#include <iterator>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "GbkTexts.h"
#include "PlayerFixture.h"

namespace tests {
namespace {

using Calls = std::vector<std::string>;

constexpr int32_t kChannel = 3;
// Any address will do: the player only hands it on. Recorded as "31232".
const WindowHandle kWindow = reinterpret_cast<WindowHandle>(std::uintptr_t{0x7A00});

// One decoder call of a command, with the context text it reports on failure.
struct CommandStep {
  std::string call;
  std::string context;
};

struct CommandRow {
  int32_t command;
  std::vector<CommandStep> steps;
};

// Commands 1 to 8 on channel 3 opened in kWindow.
const std::vector<CommandRow>& CommandRows() {
  static const CommandStep play{"PlayM4_Play(3,31232)", "PlayM4_Play()"};
  static const std::vector<CommandRow> rows = {
      {1, {play, {"PlayM4_Pause(3,0)", "PlayM4_Pause()"}}},
      {2, {{"PlayM4_Pause(3,1)", "PlayM4_Pause()"}}},
      {3, {play, {"PlayM4_Fast(3)", "MP4Play_Fast()"}}},
      {4, {play, {"PlayM4_Fast(3)", "MP4Play_Fast(1)"}, {"PlayM4_Fast(3)", "PlayM4_Fast(2)"}}},
      {5,
       {play,
        {"PlayM4_Fast(3)", "PlayM4_Fast(1)"},
        {"PlayM4_Fast(3)", "PlayM4_Fast(2)"},
        {"PlayM4_Fast(3)", "PlayM4_Fast(3)"}}},
      {6, {play, {"PlayM4_Slow(3)", "PlayM4_Slow()"}}},
      {7, {play, {"PlayM4_Slow(3)", "PlayM4_Slow()"}, {"PlayM4_Slow(3)", "PlayM4_Slow()"}}},
      {8,
       {play,
        {"PlayM4_Slow(3)", "PlayM4_Slow(1)"},
        {"PlayM4_Slow(3)", "PlayM4_Slow(2)"},
        {"PlayM4_Slow(3)", "PlayM4_Slow(3)"}}},
  };
  return rows;
}

void PrintTo(const CommandRow& row, std::ostream* out) { *out << "command " << row.command; }

Calls CallsOf(const CommandRow& row) {
  Calls calls;
  for (const CommandStep& step : row.steps) calls.push_back(step.call);
  return calls;
}

// What the decoder answers after a failure, varied so that a report that
// ignores the code shows.
struct DecoderError {
  int32_t code;
  const char* words;
  int32_t result;
};
const DecoderError kDecoderErrors[] = {
    {2, common::kDecoderError2, 3},
    {11, common::kDecoderError11, 12},
    {23, common::kDecoderError23, 24},
    {-4, common::kDecoderErrorUnknown, 26},
};

class PlaybackTest : public PlayerTest {
 protected:
  void SetUp() override {
    PlayerTest::SetUp();
    Configure(0);
    OpenInWindow(kChannel, kWindow);
  }

  void OpenInWindow(int32_t channel, WindowHandle window) {
    ASSERT_EQ(player_->Play_OpenStream(window, channel, header_, sizeof header_, 0), 0);
    Scripted_ClearCalls();
  }

  int32_t StateOf(int32_t channel) {
    int32_t state = -1;
    EXPECT_EQ(player_->Play_GetPlayState(channel, &state), 0);
    return state;
  }

  int32_t Command(int32_t command) { return player_->Play_PlayState(kChannel, command); }
  int32_t Input() { return player_->Play_InputData(kChannel, block_, sizeof block_, 0); }
  std::string InputCall() const {
    return "PlayM4_InputData(3," + std::to_string(reinterpret_cast<std::uintptr_t>(block_)) +
           ",64)";
  }
};

// --- Call sequences -------------------------------------------------------

class FromEveryStateTest : public PlaybackTest, public ::testing::WithParamInterface<int32_t> {};

// A speed level counts from normal speed, so a command's calls must not
// depend on where the channel comes from; only repeating the current state
// is skipped, and stepping is never a repeat.
TEST_P(FromEveryStateTest, EachCommandMakesItsRowOfCallsAndStoresItsCode) {
  const int32_t from = GetParam();
  for (int32_t command = 1; command <= 9; ++command) {
    SCOPED_TRACE("command " + std::to_string(command));
    ASSERT_EQ(Command(from), 0);
    ASSERT_EQ(StateOf(kChannel), from);
    Scripted_ClearCalls();

    EXPECT_EQ(Command(command), 0);

    Calls expected;
    if (command == 9) {
      expected = {"PlayM4_OneByOne(3)"};
    } else if (command != from) {
      expected = CallsOf(CommandRows()[static_cast<size_t>(command - 1)]);
    }
    EXPECT_EQ(DecoderCalls(), expected);
    EXPECT_EQ(StateOf(kChannel), command);
  }
  EXPECT_TRUE(Errors().empty());
}

INSTANTIATE_TEST_SUITE_P(States, FromEveryStateTest, ::testing::Range(1, 10),
                         [](const ::testing::TestParamInfo<int32_t>& paramInfo) {
                           return "FromState" + std::to_string(paramInfo.param);
                         });

TEST_F(PlaybackTest, SpeedCommandsPlayInTheWindowOfTheirOwnChannel) {
  const WindowHandle otherWindow = reinterpret_cast<WindowHandle>(std::uintptr_t{0x7B00});
  OpenInWindow(4, otherWindow);
  EXPECT_EQ(player_->Play_PlayState(4, 6), 0);
  EXPECT_EQ(DecoderCalls(), (Calls{"PlayM4_Play(4,31488)", "PlayM4_Slow(4)"}));
  EXPECT_EQ(StateOf(4), 6);
  EXPECT_EQ(StateOf(kChannel), 1);
}

// --- Failures ---------------------------------------------------------------

class CommandFailureTest : public PlaybackTest, public ::testing::WithParamInterface<CommandRow> {};

// Fails each call of the row in turn: the command stops there, asks for the
// last error at once, reports the call's own context text and keeps the
// former state; what already reached the decoder is not undone.
TEST_P(CommandFailureTest, EachFailingCallStopsTheCommandAndReportsItsContext) {
  const CommandRow& row = GetParam();
  // Command 1 from playing would be a repeat.
  const int32_t from = row.command == 1 ? 2 : 1;
  ASSERT_EQ(Command(from), 0);

  for (size_t failing = 0; failing < row.steps.size(); ++failing) {
    SCOPED_TRACE("failing call " + std::to_string(failing + 1));
    const std::string& failingCall = row.steps[failing].call;
    const std::string function = failingCall.substr(0, failingCall.find('('));
    int32_t nth = 0;
    for (size_t i = 0; i <= failing; ++i) {
      if (row.steps[i].call.compare(0, function.size() + 1, function + "(") == 0) ++nth;
    }
    const DecoderError& error =
        kDecoderErrors[(static_cast<size_t>(row.command) + failing) % std::size(kDecoderErrors)];
    Scripted_FailNthCall(function.c_str(), nth);
    Scripted_SetLastError(kChannel, error.code);
    Scripted_ClearCalls();

    EXPECT_EQ(Command(row.command), error.result);

    Calls expected;
    for (size_t i = 0; i <= failing; ++i) expected.push_back(row.steps[i].call);
    expected.push_back("PlayM4_GetLastError(3)");
    EXPECT_EQ(DecoderCalls(), expected);
    EXPECT_EQ(StateOf(kChannel), from);
    const std::vector<LogEntry> errors = Errors();
    ASSERT_EQ(errors.size(), failing + 1);
    EXPECT_EQ(errors.back().value[0], std::to_string(error.code));
    EXPECT_EQ(errors.back().value[2], std::string(error.words) + "\n" + row.steps[failing].context);
  }
}

INSTANTIATE_TEST_SUITE_P(Commands, CommandFailureTest, ::testing::ValuesIn(CommandRows()),
                         [](const ::testing::TestParamInfo<CommandRow>& paramInfo) {
                           return "Command" + std::to_string(paramInfo.param.command);
                         });

// --- Commands that do nothing --------------------------------------------

TEST_F(PlaybackTest, CommandsOutsideOneToNineDoNothingOnAStartedChannel) {
  for (const int32_t from : {1, 9}) {
    ASSERT_EQ(Command(from), 0);
    Scripted_ClearCalls();
    for (const int32_t command :
         {0, 10, -1, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()}) {
      SCOPED_TRACE("from " + std::to_string(from) + ", command " + std::to_string(command));
      EXPECT_EQ(Command(command), 0);
      EXPECT_EQ(StateOf(kChannel), from);
    }
    EXPECT_TRUE(DecoderCalls().empty());
  }
  // Nor did they open the stepping gate.
  EXPECT_EQ(Input(), 12);
  EXPECT_TRUE(Errors().empty());
}

TEST_F(PlaybackTest, AChannelThatIsNotStartedRefusesEveryCommand) {
  ASSERT_EQ(player_->Play_CloseStream(kChannel), 0);
  Scripted_ClearCalls();
  const int32_t neverOpened = 5;
  const std::vector<int32_t> commands = {0, 10, -1, 1, 2, 9};
  for (const int32_t channel : {kChannel, neverOpened}) {
    for (const int32_t command : commands) {
      SCOPED_TRACE("channel " + std::to_string(channel) + ", command " + std::to_string(command));
      EXPECT_EQ(player_->Play_PlayState(channel, command), 3);
      EXPECT_EQ(StateOf(channel), 0);
    }
  }
  EXPECT_TRUE(DecoderCalls().empty());
  const std::vector<LogEntry> errors = Errors();
  ASSERT_EQ(errors.size(), 2 * commands.size());
  for (const LogEntry& entry : errors) {
    EXPECT_EQ(entry.value[0], "0");
    EXPECT_EQ(entry.value[2], common::kCannotChangeUnstarted);
  }
}

// --- Stepping -------------------------------------------------------------

TEST_F(PlaybackTest, TheFirstStepClosesTheInputGateWithoutAnEntry) {
  Configure(2);  // even the verbose level writes no error entry for it
  EXPECT_EQ(Command(9), 0);
  EXPECT_EQ(DecoderCalls(), Calls{"PlayM4_OneByOne(3)"});
  EXPECT_EQ(StateOf(kChannel), 9);
  Scripted_ClearCalls();

  EXPECT_EQ(Input(), 12);
  EXPECT_EQ(Input(), 12);
  EXPECT_TRUE(DecoderCalls().empty());
  EXPECT_TRUE(Errors().empty());
}

TEST_F(PlaybackTest, EachFurtherStepLetsExactlyOneBlockThrough) {
  ASSERT_EQ(Command(9), 0);
  for (int step = 1; step <= 3; ++step) {
    SCOPED_TRACE("step " + std::to_string(step));
    Scripted_ClearCalls();
    EXPECT_EQ(Command(9), 0);
    EXPECT_EQ(Input(), 0);
    EXPECT_EQ(Input(), 12);
    EXPECT_EQ(DecoderCalls(), (Calls{"PlayM4_OneByOne(3)", InputCall()}));
    EXPECT_EQ(StateOf(kChannel), 9);
  }
  // A block the decoder drops uses up its step too.
  ASSERT_EQ(Command(9), 0);
  Scripted_FailAlways("PlayM4_InputData");
  EXPECT_EQ(Input(), 26);
  EXPECT_EQ(Input(), 12);
}

TEST_F(PlaybackTest, StepsWithoutInputBetweenThemDoNotAddUp) {
  for (int step = 0; step < 4; ++step) ASSERT_EQ(Command(9), 0);
  EXPECT_EQ(Input(), 0);
  EXPECT_EQ(Input(), 12);
}

TEST_F(PlaybackTest, LeavingSteppingAndComingBackClosesTheGateAgain) {
  ASSERT_EQ(Command(9), 0);
  ASSERT_EQ(Command(9), 0);  // one block allowed, but not used
  ASSERT_EQ(Command(1), 0);
  EXPECT_EQ(StateOf(kChannel), 1);
  EXPECT_EQ(Input(), 0);
  EXPECT_EQ(Input(), 0);
  ASSERT_EQ(Command(9), 0);
  EXPECT_EQ(Input(), 12);
}

// A step the decoder refuses is reported and changes nothing: from playing
// the channel keeps playing with input flowing; while stepping, no further
// block is let through.
TEST_F(PlaybackTest, AFailedStepIsReportedAndChangesNothing) {
  Scripted_FailNthCall("PlayM4_OneByOne", 1);
  Scripted_FailNthCall("PlayM4_OneByOne", 3);
  Scripted_SetLastError(kChannel, 7);
  EXPECT_EQ(Command(9), 8);
  EXPECT_EQ(StateOf(kChannel), 1);
  EXPECT_EQ(Input(), 0);

  ASSERT_EQ(Command(9), 0);
  EXPECT_EQ(Command(9), 8);
  EXPECT_EQ(StateOf(kChannel), 9);
  EXPECT_EQ(Input(), 12);
  EXPECT_EQ(ErrorMessages(), Calls(2, std::string(common::kDecoderError7) + "\nPlayM4_OneByOne()"));
}

// The step is used up when a block passes the gate: a step granted while
// that block is still being retried belongs to the next block.
TEST_F(PlaybackTest, AStepGrantedWhileABlockIsRetriedLetsTheNextBlockThrough) {
  ASSERT_EQ(Command(9), 0);
  ASSERT_EQ(Command(9), 0);
  Scripted_FailNextCalls("PlayM4_InputData", 2);
  bool granted = false;
  platform_.set_during_sleep([&](uint32_t) {
    if (!granted) granted = Command(9) == 0;
  });
  EXPECT_EQ(Input(), 0);
  ASSERT_TRUE(granted);
  EXPECT_EQ(Input(), 0);
  EXPECT_EQ(Input(), 12);
}

}  // namespace
}  // namespace tests
