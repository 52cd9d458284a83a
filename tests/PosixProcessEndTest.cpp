// How the library's logs meet the end of a process on POSIX systems.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "TestFiles.h"
#include "TestPlatform.h"
#include "TraceLog.h"

namespace kelo_test {
namespace {

constexpr int kStatusFromTheHandler = 5;

// A client ends its process from a signal handler that interrupted one of
// its own log appends: the process ends with the handler's status rather
// than wait for the append that the handler itself holds up.
TEST(ProcessEndTest, AnExitFromAHandlerThatInterruptedAnAppendEnds) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  TempDirectory dir;
  EXPECT_EXIT(
      {
        alarm(20);  // a process that hangs ends by this signal, not with the status
        signal(SIGUSR1, [](int) { std::exit(kStatusFromTheHandler); });
        TestPlatform platform(dir.path());
        platform.set_after_append([](const std::string&) { raise(SIGUSR1); });
        kelo::TraceLog::WriteEntry(dir.path() + "log", "a", "b", "", "", "", "");
      },
      ::testing::ExitedWithCode(kStatusFromTheHandler), "");
}

}  // namespace
}  // namespace kelo_test
