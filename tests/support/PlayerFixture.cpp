#include "PlayerFixture.h"

namespace tests {

std::vector<std::string> DecoderCalls() {
  std::vector<std::string> calls;
  const int32_t count = Scripted_CallCount();
  for (int32_t i = 0; i < count; ++i) {
    std::string call(static_cast<size_t>(Scripted_GetCall(i, nullptr, 0)) + 1, '\0');
    Scripted_GetCall(i, &call[0], static_cast<int32_t>(call.size()));
    call.pop_back();
    calls.push_back(call);
  }
  return calls;
}

void PlayerTest::SetUp() {
  Scripted_Reset();
  player_ = CreateSinglePlayerDll();
  ASSERT_NE(player_, nullptr);
}

void PlayerTest::TearDown() {
  ReleaseSinglePlayerDll(player_);
  Scripted_Reset();
}

void PlayerTest::Configure(int debugLevel) {
  MakeDirectories(drive_.path() + "q81/cfg");
  WriteBytes(drive_.path() + "q81/cfg/Q81.cfg", "[GLOBAL]\n[TRACE_PATH] [" + LogDirectory() +
                                                    "]\n[DEBUG_LEVEL] [" +
                                                    std::to_string(debugLevel) + "]\n");
  ASSERT_EQ(player_->Play_InitDDraw(nullptr), 0);
  Scripted_ClearCalls();
}

void PlayerTest::OpenChannel(int32_t channel) {
  ASSERT_EQ(player_->Play_OpenStream(nullptr, channel, header_, sizeof header_, 0), 0);
  Scripted_ClearCalls();
}

std::vector<std::string> PlayerTest::ErrorMessages() const {
  std::vector<std::string> messages;
  for (const LogEntry& entry : Errors()) messages.push_back(entry.value[2]);
  return messages;
}

std::vector<std::string> PlayerTest::TracedNames() const {
  std::vector<std::string> names;
  for (const LogEntry& entry : Traces()) names.push_back(entry.value[0]);
  return names;
}

}  // namespace tests
