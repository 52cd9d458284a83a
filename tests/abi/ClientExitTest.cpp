// A client that ends its process without releasing anything, while its
// channels play, its threads feed them and the decoder's threads call back:
// the process must end as the client asked, in time, with every log entry
// whole. Whether a late thread meets a destroyed lock, or an entry is cut
// short when the threads are ended, depends on timing, so each way of
// leaving is run several times, each run leaving at another moment.
#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "ClientSystem.h"
#include "ExitingClientSetup.h"
#include "ExitingClientModes.h"
#include "TestFiles.h"

namespace tests {

// The mode by its name in test output, rather than by its bytes.
void PrintTo(const ExitModeName& mode, std::ostream* out) { *out << mode.name; }

namespace {

constexpr int kRunsPerMode = 6;
// Far beyond the client's half second, also under the sanitizers and wine.
constexpr int kChildTimeoutSeconds = 60;

class ClientExitTest : public ::testing::TestWithParam<ExitModeName> {
 protected:
  void SetUp() override {
    ASSERT_FALSE(drive_.root().empty());
    if (!drive_.claimed()) GTEST_SKIP() << drive_.root() << "q81 belongs to this machine";
    streams_ = WriteExitStreams(scratch_.path());
  }

  // Each run traces into a directory of its own, at debug level 2.
  std::string ConfigureRun(int run) {
    const std::string traceDirectory = scratch_.path() + "trace" + std::to_string(run) + "/";
    drive_.Configure(traceDirectory);
    return traceDirectory;
  }

  TempDirectory scratch_;
  ClientDrive drive_{scratch_.path()};
  std::vector<std::string> streams_;
};

// Entries of both logs, after checking that each is whole: the file is
// exactly its entries, the last one included, and each has its three labels.
std::vector<LogEntry> WholeEntries(const std::string& path, bool errorLog) {
  const std::string text = ReadText(path);
  const std::vector<LogEntry> entries = ParseLog(text);
  EXPECT_EQ(LogText(entries), text) << path;
  for (const LogEntry& entry : entries) {
    if (errorLog) {
      EXPECT_EQ(entry.label[0] + "/" + entry.label[1] + "/" + entry.label[2],
                "ErrCode/Context/ErrString")
          << path;
    } else {
      EXPECT_FALSE(entry.label[0].empty()) << path;
      EXPECT_EQ(entry.label[1] + entry.value[1] + entry.label[2] + entry.value[2], "") << path;
    }
  }
  return entries;
}

size_t CountTraces(const std::vector<LogEntry>& traces, const std::string& operation) {
  size_t count = 0;
  for (const LogEntry& entry : traces) count += entry.value[0] == operation ? 1 : 0;
  return count;
}

TEST_P(ClientExitTest, EndsWithItsStatusAndWholeLogEntries) {
  const ExitModeName& mode = GetParam();
  const std::string client = BesideThisProgram(ExitingClientFile());
  for (int run = 0; run < kRunsPerMode; ++run) {
    SCOPED_TRACE("run " + std::to_string(run));
    const std::string traceDirectory = ConfigureRun(run);
    std::vector<std::string> arguments = {mode.name, std::to_string(run)};
    arguments.insert(arguments.end(), streams_.begin(), streams_.end());

    const ChildEnd end = RunChild(client, arguments, kChildTimeoutSeconds);
    ASSERT_TRUE(end.started) << client;
    EXPECT_TRUE(end.inTime && end.exited && end.status == static_cast<unsigned>(mode.status))
        << Describe(end) << ", expected exit status " << mode.status;

    const std::vector<LogEntry> traces =
        WholeEntries(traceDirectory + "ZQ_Player_Runtime.log", false);
    WholeEntries(traceDirectory + "ZQ_Player_Error.log", true);
    // The client was feeding and capturing when it left.
    EXPECT_GT(CountTraces(traces, "Play_InputData"), 0u);
    EXPECT_GT(CountTraces(traces, "Play_GetPicture"), 0u);
    // And went on calling from its objects' destructors.
    EXPECT_EQ(CountTraces(traces, "Play_GetVolume"),
              static_cast<size_t>(kCallsWhileDestroyedAtExit));
  }
}

// "exit-from-feeder" as a test name: "exitfromfeeder".
std::string TestName(const ::testing::TestParamInfo<ExitModeName>& mode) {
  std::string name;
  for (const char* at = mode.param.name; *at != '\0'; ++at) {
    if (*at != '-') name.push_back(*at);
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Modes, ClientExitTest, ::testing::ValuesIn(kExitModes), TestName);

}  // namespace
}  // namespace tests
