// Fixture for tests that drive the player against the scripted decoder, with
// a temporary directory as the system drive.
#ifndef KELO820_TESTS_SUPPORT_PLAYERFIXTURE_H
#define KELO820_TESTS_SUPPORT_PLAYERFIXTURE_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Kelo820_PlaySDK.h"
#include "ScriptedDecoder.h"
#include "TestFiles.h"
#include "TestPlatform.h"

namespace tests {

// The decoder calls recorded since the last Scripted_ClearCalls().
std::vector<std::string> DecoderCalls();

class PlayerTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes <drive>q81/cfg/Q81.cfg with TRACE_PATH <drive>logs/ and the given
  // DEBUG_LEVEL, runs Play_InitDDraw, and clears the recorded calls.
  void Configure(int debugLevel);
  // Opens a stream on |channel| (playing) and clears the recorded calls.
  void OpenChannel(int32_t channel);

  std::string LogDirectory() const { return drive_.path() + "logs/"; }
  std::string RuntimeLogPath() const { return LogDirectory() + "ZQ_Player_Runtime.log"; }
  std::string ErrorLogPath() const { return LogDirectory() + "ZQ_Player_Error.log"; }
  std::vector<LogEntry> Traces() const { return ReadLog(RuntimeLogPath()); }
  std::vector<LogEntry> Errors() const { return ReadLog(ErrorLogPath()); }
  // The ErrString values of the error log, oldest first.
  std::vector<std::string> ErrorMessages() const;
  // The operation names of the runtime log's entries, oldest first.
  std::vector<std::string> TracedNames() const;

  TempDirectory drive_;
  TestPlatform platform_{drive_.path()};
  SinglePlayer* player_ = nullptr;
  const uint8_t header_[40] = {1, 2, 3};
  const uint8_t block_[64] = {9};
};

}  // namespace tests

#endif  // KELO820_TESTS_SUPPORT_PLAYERFIXTURE_H
