// One log entry as the player writes it (real files in a temporary
// directory) beside the same bytes appended with a bare open, write and
// close; one configuration read beside reading the file whole.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "BenchWorld.h"
#include "ConfigFile.h"

namespace bench {
namespace {

// Each run starts from an empty log so that none of them reaches the size
// at which the log is moved aside.
void StartEmpty(const std::string& path) { std::remove(path.c_str()); }

// At level 1 every call writes one trace entry and nothing else.
void TraceEntry(benchmark::State& state) {
  BenchWorld& world = BenchWorld::Get();
  world.SetDebugLevel(1);
  StartEmpty(world.RuntimeLogPath());
  SinglePlayer& player = world.player();
  int32_t playState = 0;
  for (auto _ : state) benchmark::DoNotOptimize(player.Play_GetPlayState(0, &playState));
  world.SetDebugLevel(0);
}
BENCHMARK(TraceEntry)->Name("player/trace entry");

// At level 0 a refused channel writes one error entry and nothing else.
void ErrorEntry(benchmark::State& state) {
  BenchWorld& world = BenchWorld::Get();
  world.SetDebugLevel(0);
  StartEmpty(world.ErrorLogPath());
  SinglePlayer& player = world.player();
  int32_t playState = 0;
  for (auto _ : state) benchmark::DoNotOptimize(player.Play_GetPlayState(32, &playState));
}
BENCHMARK(ErrorEntry)->Name("player/error entry");

void EntryFloor(benchmark::State& state, bool trace, bool querySize) {
  BenchWorld& world = BenchWorld::Get();
  int32_t playState = 0;
  world.SetDebugLevel(trace ? 1 : 0);
  world.player().Play_GetPlayState(trace ? 0 : 32, &playState);
  world.SetDebugLevel(0);
  const std::string bytes = LastEntryBytes(trace ? world.RuntimeLogPath() : world.ErrorLogPath());
  const std::string path = world.FloorLogPath();
  StartEmpty(path);
  if (querySize) {
    for (auto _ : state) benchmark::DoNotOptimize(AppendAndQuerySize(path, bytes));
  } else {
    for (auto _ : state) AppendWithOpenWriteClose(path, bytes);
  }
  state.counters["bytes"] = static_cast<double>(bytes.size());
}
BENCHMARK_CAPTURE(EntryFloor, trace, true, false)->Name("floor/trace entry open-write-close");
BENCHMARK_CAPTURE(EntryFloor, error, false, false)->Name("floor/error entry open-write-close");
BENCHMARK_CAPTURE(EntryFloor, trace_size, true, true)
    ->Name("floor/trace entry open-write-lseek-close");
BENCHMARK_CAPTURE(EntryFloor, error_size, false, true)
    ->Name("floor/error entry open-write-lseek-close");

void ReadConfig(benchmark::State& state) {
  BenchWorld& world = BenchWorld::Get();
  world.SetDebugLevel(1);
  const std::string path = world.ConfigPath();
  std::string value;
  for (auto _ : state) {
    benchmark::DoNotOptimize(common::ReadConfigValue(path, "GLOBAL", "DEBUG_LEVEL", &value));
  }
  world.SetDebugLevel(0);
}
BENCHMARK(ReadConfig)->Name("config/ReadConfigValue");

void ReadConfigFloor(benchmark::State& state) {
  BenchWorld& world = BenchWorld::Get();
  world.SetDebugLevel(1);
  const std::string path = world.ConfigPath();
  char buffer[4096];
  for (auto _ : state) {
    const int fd = open(path.c_str(), O_RDONLY);
    benchmark::DoNotOptimize(read(fd, buffer, sizeof buffer));
    close(fd);
  }
  world.SetDebugLevel(0);
}
BENCHMARK(ReadConfigFloor)->Name("floor/config open-read-close");

}  // namespace
}  // namespace bench
