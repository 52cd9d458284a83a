// How the library's logs meet the end of a process on POSIX systems.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "TestFiles.h"
#include "TestPlatform.h"
#include "TraceLog.h"

// Ending the process from a signal handler is the client's choice that the
// test plays: ThreadSanitizer is not to report the calls exit() makes there.
// Options given in TSAN_OPTIONS still apply.
extern "C" const char* __tsan_default_options() { return "report_signal_unsafe=0"; }

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
