#include "TraceLog.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "ChildProcess.h"
#include "FileUtility.h"
#include "ForeignMoveLock.h"
#include "GbkTexts.h"
#include "TestFiles.h"
#include "TestPlatform.h"

namespace tests {
namespace {

class TraceLogTest : public ::testing::Test {
 protected:
  std::string LogPath() const { return dir_.path() + "run.log"; }
  std::string ErrorPath() const { return dir_.path() + "err.log"; }

  TempDirectory dir_;
  TestPlatform platform_{dir_.path()};
};

TEST_F(TraceLogTest, TraceEntryHasTheExactLayout) {
  logging::TraceLog log;
  log.SetRuntimeLogFile(LogPath());
  log.WriteTrace(common::kTraceSetOverlayMode, "Play_SetOverlayMode", "", "", "", "");
  EXPECT_EQ(ReadBytes(LogPath()),
            WithLineEnds(std::string("\n[07-15 09:03:27.45]\n") + common::kTraceSetOverlayMode +
                         ":[Play_SetOverlayMode]\n:[]\n:[]\n"));
}

TEST_F(TraceLogTest, ErrorEntryKeepsOnlyTheSourceFileName) {
  logging::TraceLog log;
  log.SetErrorLogFile(ErrorPath());
  log.WriteError("D:\\build\\Src\\Player", 141, 0, common::kInvalidParameter);
  log.WriteError("/home/build/Src/My820xPlaySDK.cpp", 7, -1, "x");
  log.WriteError("Plain", 8, 2147483647, "");
  EXPECT_EQ(ReadBytes(ErrorPath()),
            WithLineEnds(std::string("\n[07-15 09:03:27.45]\nErrCode:[0]\n"
                                     "Context:[Source File: [Player], LINE: [141]]\n"
                                     "ErrString:[") +
                         common::kInvalidParameter +
                         "]\n"
                         "\n[07-15 09:03:27.45]\nErrCode:[-1]\n"
                         "Context:[Source File: [My820xPlaySDK.cpp], LINE: [7]]\nErrString:[x]\n"
                         "\n[07-15 09:03:27.45]\nErrCode:[2147483647]\n"
                         "Context:[Source File: [Plain], LINE: [8]]\nErrString:[]\n"));
}

TEST_F(TraceLogTest, ErrorWithContextPutsTheContextOnTheNextLine) {
  logging::TraceLog log;
  log.SetErrorLogFile(ErrorPath());
  log.WriteErrorWithContext("a/b/c", 3, 17, common::kDecoderError17, "PlayM4_OpenStream");
  const std::vector<LogEntry> entries = ReadLog(ErrorPath());
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].value[0], "17");
  EXPECT_EQ(entries[0].value[2], std::string(common::kDecoderError17) + "\nPlayM4_OpenStream");
}

TEST_F(TraceLogTest, TimestampShowsHundredthsWithoutYear) {
  platform_.set_now({1, 1, 0, 0, 0, 5});
  logging::TraceLog log;
  log.SetRuntimeLogFile(LogPath());
  log.WriteTrace("a", "b", "c", "d", "e", "f");
  platform_.set_now({12, 31, 23, 59, 59, 999});
  log.WriteTrace("", "", "", "", "", "");
  EXPECT_EQ(ReadBytes(LogPath()), WithLineEnds("\n[01-01 00:00:00.00]\na:[b]\nc:[d]\ne:[f]\n"
                                               "\n[12-31 23:59:59.99]\n:[]\n:[]\n:[]\n"));
}

TEST_F(TraceLogTest, DefaultPathsLieUnderTheDriveRoot) {
  logging::TraceLog log;
  EXPECT_EQ(log.RuntimeLogFile(), dir_.path() + "q81/q81_runtime.log");
  EXPECT_EQ(log.ErrorLogFile(), dir_.path() + "q81/q81_error.log");

  platform_.set_system_directory_available(false);
  platform_.set_primary_drive_root("z:/");
  logging::FileUtility fallback;
  EXPECT_EQ(fallback.RuntimeLogFile(), "z:/q81/q81_runtime.log");
  EXPECT_EQ(fallback.ErrorLogFile(), "z:/q81/q81_error.log");
}

TEST_F(TraceLogTest, EmptyPathsSelectBareNamesInTheCurrentDirectory) {
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(dir_.path());
  logging::TraceLog log;
  log.SetRuntimeLogFile("");
  log.SetErrorLogFile("");
  log.WriteTrace("a", "b", "", "", "", "");
  log.WriteError("f", 1, 0, "m");
  std::filesystem::current_path(previous);
  EXPECT_EQ(log.RuntimeLogFile(), "q81_runtime.log");
  EXPECT_EQ(log.ErrorLogFile(), "q81_error.log");
  EXPECT_EQ(ReadLog(dir_.path() + "q81_runtime.log").size(), 1u);
  EXPECT_EQ(ReadLog(dir_.path() + "q81_error.log").size(), 1u);
}

TEST_F(TraceLogTest, UnwritableFilesDropEntriesQuietly) {
  logging::TraceLog log;
  log.SetRuntimeLogFile(dir_.path() + "missing/run.log");
  log.WriteTrace("a", "b", "", "", "", "");
  MakeDirectories(dir_.path() + "adir");
  log.SetErrorLogFile(dir_.path() + "adir");  // a directory, not a file
  log.WriteError("f", 1, 0, "m");
  EXPECT_FALSE(FileExists(dir_.path() + "missing"));
  EXPECT_TRUE(IsDirectory(dir_.path() + "adir"));
}

TEST_F(TraceLogTest, LongSourceNamesAreKeptWhole) {
  logging::TraceLog log;
  log.SetErrorLogFile(ErrorPath());
  const std::string name(400, 'n');
  log.WriteError(("dir/" + name).c_str(), 5, 0, "m");
  const std::vector<LogEntry> entries = ReadLog(ErrorPath());
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].value[1], "Source File: [" + name + "], LINE: [5]");
}

// An entry of the trace format "a:[b]" with empty second and third pairs.
size_t TraceEntrySize(size_t valueLength) {
  return WithLineEnds("\n[07-15 09:03:27.45]\na:[" + std::string(valueLength, 'v') +
                      "]\n:[]\n:[]\n")
      .size();
}

class RotationTest : public TraceLogTest {
 protected:
  // Fills the log so that one more entry of |entrySize| bytes leaves it
  // |finalSize| bytes long.
  void FillTo(size_t finalSize, size_t entrySize) {
    WriteBytes(LogPath(), std::string(finalSize - entrySize, 'x'));
  }
};

TEST_F(RotationTest, ExactlyTheLimitStaysInPlace) {
  logging::TraceLog log;
  log.SetRuntimeLogFile(LogPath());
  FillTo(static_cast<size_t>(logging::TraceLog::kRotateAboveBytes), TraceEntrySize(1));
  log.WriteTrace("a", "v", "", "", "", "");
  EXPECT_FALSE(FileExists(LogPath() + ".bak"));
  EXPECT_EQ(ReadBytes(LogPath()).size(), static_cast<size_t>(logging::TraceLog::kRotateAboveBytes));
}

TEST_F(RotationTest, OneByteMoreMovesTheFileAsideWithTheCrossingEntry) {
  logging::TraceLog log;
  log.SetRuntimeLogFile(LogPath());
  FillTo(static_cast<size_t>(logging::TraceLog::kRotateAboveBytes) + 1, TraceEntrySize(2));
  log.WriteTrace("a", "vv", "", "", "", "");
  EXPECT_FALSE(FileExists(LogPath()));
  const std::string moved = ReadBytes(LogPath() + ".bak");
  EXPECT_EQ(moved.size(), static_cast<size_t>(logging::TraceLog::kRotateAboveBytes) + 1);
  EXPECT_EQ(moved.substr(moved.size() - TraceEntrySize(2)),
            WithLineEnds("\n[07-15 09:03:27.45]\na:[vv]\n:[]\n:[]\n"));

  // The next entry starts a fresh file.
  log.WriteTrace("a", "v", "", "", "", "");
  EXPECT_EQ(ReadBytes(LogPath()).size(), TraceEntrySize(1));
}

TEST_F(RotationTest, ASecondRotationReplacesTheBackup) {
  logging::TraceLog log;
  log.SetRuntimeLogFile(LogPath());
  WriteBytes(LogPath() + ".bak", "older generation");
  FillTo(static_cast<size_t>(logging::TraceLog::kRotateAboveBytes) + 1, TraceEntrySize(2));
  log.WriteTrace("a", "vv", "", "", "", "");
  EXPECT_EQ(ReadBytes(LogPath() + ".bak").size(),
            static_cast<size_t>(logging::TraceLog::kRotateAboveBytes) + 1);
}

TEST_F(RotationTest, AFailedMoveIsRetriedAfterTheNextEntry) {
  logging::TraceLog log;
  log.SetRuntimeLogFile(LogPath());
  FillTo(static_cast<size_t>(logging::TraceLog::kRotateAboveBytes) + 1, TraceEntrySize(2));
  platform_.set_fail_moves(true);
  log.WriteTrace("a", "vv", "", "", "", "");
  EXPECT_FALSE(FileExists(LogPath() + ".bak"));
  platform_.set_fail_moves(false);
  log.WriteTrace("a", "v", "", "", "", "");
  EXPECT_FALSE(FileExists(LogPath()));
  EXPECT_EQ(ReadBytes(LogPath() + ".bak").size(),
            static_cast<size_t>(logging::TraceLog::kRotateAboveBytes) + 1 + TraceEntrySize(1));
}

// Another writer sharing the log (a thread of another player, or another
// client process) rotated it between our append and our move: the fresh file
// now under the name must not replace the full one in ".bak".
TEST_F(RotationTest, ARotationAnotherWriterMadeIsNotRepeated) {
  logging::TraceLog log;
  log.SetRuntimeLogFile(LogPath());
  FillTo(static_cast<size_t>(logging::TraceLog::kRotateAboveBytes) + 1, TraceEntrySize(2));
  platform_.set_after_append([this](const std::string& path) {
    platform_.set_after_append(nullptr);
    std::filesystem::rename(path, path + ".bak");
    WriteBytes(path, "fresh");
  });
  log.WriteTrace("a", "vv", "", "", "", "");
  EXPECT_EQ(ReadBytes(LogPath()), "fresh");
  EXPECT_EQ(ReadBytes(LogPath() + ".bak").size(),
            static_cast<size_t>(logging::TraceLog::kRotateAboveBytes) + 1);
}

// A log that grew past 2 GiB while moves kept failing is still measured,
// and so still moved aside.
TEST_F(RotationTest, ALogPastTwoGibibytesIsMovedAside) {
  logging::TraceLog log;
  log.SetRuntimeLogFile(LogPath());
  constexpr uintmax_t kTwoGibibytes = uintmax_t{1} << 31;
  WriteBytes(LogPath(), "");
  std::filesystem::resize_file(LogPath(), kTwoGibibytes);  // sparse: no disk is used
  log.WriteTrace("a", "v", "", "", "", "");
  EXPECT_FALSE(FileExists(LogPath()));
  EXPECT_EQ(std::filesystem::file_size(LogPath() + ".bak"), kTwoGibibytes + TraceEntrySize(1));
}

// Processes sharing a log, as clients tracing into one directory do, each
// writing its entries while the others write theirs and the log is moved
// aside about halfway: every entry is kept, once and whole.
TEST(LogSharedByProcessesTest, KeepsEveryEntryOnceAndWholeAcrossAMoveAside) {
  TempDirectory dir;
  const std::string log = dir.path() + "shared.log";
  constexpr int kWriters = 3;
  constexpr int kEntries = 1500;
  const size_t entrySize =
      WithLineEnds("\n[07-15 09:03:27.45]\nwriter:[0]\nentry:[999]\n:[]\n").size();
  const std::string filler(static_cast<size_t>(logging::TraceLog::kRotateAboveBytes) -
                               kWriters * kEntries * entrySize / 2,
                           'x');
  WriteBytes(log, filler);

  std::vector<std::thread> writers;
  std::vector<ChildEnd> ends(kWriters);
  for (int writer = 0; writer < kWriters; ++writer) {
    writers.emplace_back([&, writer] {
      ends[writer] = RunChild(BesideThisProgram(KELO_LOG_SHARING_WRITER),
                              {log, std::to_string(writer), std::to_string(kEntries)}, 120);
    });
  }
  for (std::thread& writer : writers) writer.join();
  for (const ChildEnd& end : ends) ASSERT_TRUE(end.exited && end.status == 0) << Describe(end);

  const std::string moved = ReadText(log + ".bak");
  ASSERT_EQ(moved.compare(0, filler.size(), filler), 0);
  const std::string text = moved.substr(filler.size()) + ReadText(log);
  const std::vector<LogEntry> entries = ParseLog(text);
  EXPECT_TRUE(LogText(entries) == text) << "an entry is not whole";
  std::map<std::string, int> copies;
  for (const LogEntry& entry : entries) ++copies[entry.value[0] + "/" + entry.value[1]];
  EXPECT_EQ(copies.size(), static_cast<size_t>(kWriters * kEntries));
  for (const auto& [entry, count] : copies) EXPECT_EQ(count, 1) << entry;
}

// The operating system's part of the same: a move names the file it means.
TEST(PlatformMoveTest, AMoveReplacesTheTargetOnlyWhileTheNameLeadsToTheSameFile) {
  TempDirectory dir;
  platform::Platform& platform = platform::OsPlatform();
  const std::string log = dir.path() + "log";
  platform::FileIdentity first;
  ASSERT_EQ(platform.AppendText(log, "first", 5, 0, &first), 5);
  WriteBytes(log + ".bak", "old");
  EXPECT_TRUE(platform.MoveFileReplacing(log, log + ".bak", first));
  EXPECT_FALSE(FileExists(log));
  EXPECT_EQ(ReadBytes(log + ".bak"), "first");
  EXPECT_FALSE(platform.MoveFileReplacing(log, log + ".bak", first));

  platform::FileIdentity second;
  ASSERT_EQ(platform.AppendText(log, "second", 6, 0, &second), 6);
  EXPECT_FALSE(second == first);
  EXPECT_FALSE(platform.MoveFileReplacing(log, log + ".bak", first));
  EXPECT_EQ(ReadBytes(log), "second");
  EXPECT_EQ(ReadBytes(log + ".bak"), "first");
}

// A process moving the log holds it locked; ours, holding the log lock of
// every channel meanwhile, leaves the move to it rather than wait.
TEST(PlatformMoveTest, AMoveAnotherProcessIsMakingIsNotWaitedFor) {
  TempDirectory dir;
  platform::Platform& platform = platform::OsPlatform();
  const std::string log = dir.path() + "log";
  platform::FileIdentity identity;
  ASSERT_EQ(platform.AppendText(log, "full", 4, 0, &identity), 4);
  std::future<bool> moved;  // outlives the lock: a move that waits ends with it
  {
    ForeignMoveLock moving(log);
    ASSERT_TRUE(moving.held());
    moved = std::async(std::launch::async,
                       [&] { return platform.MoveFileReplacing(log, log + ".bak", identity); });
    ASSERT_EQ(moved.wait_for(std::chrono::seconds(10)), std::future_status::ready)
        << "waiting for the other process's lock";
  }
  EXPECT_FALSE(moved.get());
  EXPECT_TRUE(platform.MoveFileReplacing(log, log + ".bak", identity));
  EXPECT_EQ(ReadBytes(log + ".bak"), "full");
}

TEST_F(TraceLogTest, EntriesFromManyThreadsNeverInterleave) {
  logging::TraceLog log;
  log.SetRuntimeLogFile(LogPath());
  log.SetErrorLogFile(LogPath());
  constexpr int kThreads = 4;
  constexpr int kEntries = 200;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&log, t] {
      const std::string value(300 + t, static_cast<char>('a' + t));
      for (int i = 0; i < kEntries; ++i) {
        if (i % 2 == 0) {
          log.WriteTrace("t", value.c_str(), "", "", "", "");
        } else {
          log.WriteError("f", t, i, value);
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  const std::vector<LogEntry> entries = ReadLog(LogPath());
  ASSERT_EQ(entries.size(), static_cast<size_t>(kThreads * kEntries));
  for (const LogEntry& entry : entries) {
    const bool trace = entry.label[0] == "t";
    const std::string& value = trace ? entry.value[0] : entry.value[2];
    ASSERT_GE(value.size(), 300u);
    EXPECT_EQ(value, std::string(value.size(), value[0]));
  }
}

}  // namespace
}  // namespace tests
