// kelo_entry_syscalls trace|error|floor-trace|floor-error COUNT
//
// Sets up the benchmark world, then writes COUNT trace entries (a call at
// debug level 1), error entries (a refused channel at level 0) or the same
// bytes with one open, write and close each. Run under "strace -f -c" with
// COUNT 0 and with a larger COUNT, the difference divided by COUNT is the
// system calls of one entry.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "BenchWorld.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s trace|error|floor-trace|floor-error COUNT\n", argv[0]);
    return 2;
  }
  const std::string mode = argv[1];
  const int count = std::atoi(argv[2]);
  bench::BenchWorld& world = bench::BenchWorld::Get();
  const bool trace = mode == "trace" || mode == "floor-trace";
  int32_t state = 0;
  world.SetDebugLevel(trace ? 1 : 0);
  world.player().Play_GetPlayState(trace ? 0 : 32, &state);
  const std::string bytes =
      bench::LastEntryBytes(trace ? world.RuntimeLogPath() : world.ErrorLogPath());
  if (mode.rfind("floor-", 0) == 0) {
    for (int i = 0; i < count; ++i) bench::AppendWithOpenWriteClose(world.FloorLogPath(), bytes);
  } else {
    for (int i = 0; i < count; ++i) world.player().Play_GetPlayState(trace ? 0 : 32, &state);
  }
  return 0;
}
