// The player's own cost per operation at debug level 0, beside a call of the
// decoder library made directly; Play_InputData throughput; Play_InitDDraw.
// The player is the shipped library, so its decoder calls go through the
// PLT exactly as the direct calls of the floors do.
#include <benchmark/benchmark.h>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <vector>

#include "AcceptingDecoder.h"
#include "BenchWorld.h"

namespace bench {
namespace {

void PlayerGetPlayState(benchmark::State& state) {
  BenchWorld& world = BenchWorld::Get();
  world.SetDebugLevel(0);
  SinglePlayer& player = world.player();
  int32_t playState = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(player.Play_GetPlayState(0, &playState));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(PlayerGetPlayState)->Name("player/Play_GetPlayState");

void PlayerRepeatPlayState(benchmark::State& state) {
  BenchWorld& world = BenchWorld::Get();
  world.SetDebugLevel(0);
  world.OpenChannel();
  SinglePlayer& player = world.player();
  for (auto _ : state) benchmark::DoNotOptimize(player.Play_PlayState(0, 1));
}
BENCHMARK(PlayerRepeatPlayState)->Name("player/Play_PlayState same state");

// The cheapest decoder call there is: one that does nothing.
void DirectDecoderCall(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(PlayM4_RefreshPlay(0));
}
BENCHMARK(DirectDecoderCall)->Name("floor/PlayM4_RefreshPlay direct");

// One block buffer for the player and the floor alike: where a block lies
// relative to the decoder's buffer changes the speed of the copy.
const uint8_t* Block() {
  static const std::vector<uint8_t> block(1 << 20, 0x5A);
  return block.data();
}

// Blocks of state.range(0) bytes; with |copy| the decoder copies each into a
// source buffer of its own, which is what a decoder does with a stream.
void PlayerInputData(benchmark::State& state, bool copy) {
  BenchWorld& world = BenchWorld::Get();
  world.SetDebugLevel(0);
  world.OpenChannel();
  Accepting_SetCopyInput(copy ? 1 : 0);
  const uint8_t* block = Block();
  const auto size = static_cast<uint32_t>(state.range(0));
  SinglePlayer& player = world.player();
  for (auto _ : state) benchmark::DoNotOptimize(player.Play_InputData(0, block, size, 0));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void DirectInputData(benchmark::State& state, bool copy) {
  Accepting_SetCopyInput(copy ? 1 : 0);
  const uint8_t* block = Block();
  const auto size = static_cast<uint32_t>(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(PlayM4_InputData(0, block, size));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

BENCHMARK_CAPTURE(PlayerInputData, taken, false)->Name("player/Play_InputData taken")->Arg(4096);
BENCHMARK_CAPTURE(DirectInputData, taken, false)->Name("floor/PlayM4_InputData taken")->Arg(4096);
BENCHMARK_CAPTURE(PlayerInputData, copied, true)
    ->Name("player/Play_InputData copied")
    ->Arg(4 << 10)
    ->Arg(64 << 10)
    ->Arg(1 << 20);
BENCHMARK_CAPTURE(DirectInputData, copied, true)
    ->Name("floor/PlayM4_InputData copied")
    ->Arg(4 << 10)
    ->Arg(64 << 10)
    ->Arg(1 << 20);

void PlayerInitDDraw(benchmark::State& state) {
  BenchWorld& world = BenchWorld::Get();
  world.SetDebugLevel(0);
  SinglePlayer& player = world.player();
  for (auto _ : state) benchmark::DoNotOptimize(player.Play_InitDDraw(nullptr));
}
BENCHMARK(PlayerInitDDraw)->Name("player/Play_InitDDraw");

// The file-system work Play_InitDDraw cannot avoid: the configuration read
// for each of its two values, the log directory found to exist, and the
// decoder's own initialisation.
void InitDDrawFloor(benchmark::State& state) {
  BenchWorld& world = BenchWorld::Get();
  world.SetDebugLevel(0);
  const std::string config = world.ConfigPath();
  const std::string logs = world.LogDirectory();
  char buffer[4096];
  for (auto _ : state) {
    for (int read = 0; read < 2; ++read) {
      const int fd = open(config.c_str(), O_RDONLY);
      benchmark::DoNotOptimize(::read(fd, buffer, sizeof buffer));
      close(fd);
    }
    DIR* dir = opendir(logs.c_str());
    closedir(dir);
    benchmark::DoNotOptimize(PlayM4_InitDDraw(nullptr));
  }
}
BENCHMARK(InitDDrawFloor)->Name("floor/Play_InitDDraw file work");

}  // namespace
}  // namespace bench
