// Play_InputData through the player against PlayM4_InputData called directly,
// both handing the FFmpeg decoder the same 4 KiB blocks of a real transport
// stream while its threads take them in: the floor a client meets. Twelve
// blocks fill most of the player's 51200-byte buffer; then the buffer is
// reset on both sides alike, outside the time measured.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "Kelo820_PlaySDK.h"
#include "TestStreams.h"
#include "m4playerApi.h"

namespace {

constexpr uint32_t kBlock = 4096;
constexpr uint32_t kBufferSize = 51200;
constexpr int kBlocksPerFill = static_cast<int>(kBufferSize / kBlock);
constexpr int32_t kPlayerPort = 0;
constexpr int32_t kDirectPort = 1;

tests::TempDirectory& Drive() {
  static tests::TempDirectory dir;
  return dir;
}

const tests_ffmpeg::TestStream& Stream() {
  static const tests_ffmpeg::TestStream stream =
      tests_ffmpeg::MakeStream(tests_ffmpeg::StreamKind::kTransportH264, 25, Drive());
  return stream;
}

template <typename Feed>
void FeedBlocks(benchmark::State& state, int32_t port, Feed&& feed) {
  const tests_ffmpeg::TestStream& stream = Stream();
  int block = 0;
  for (auto _ : state) {
    if (block == kBlocksPerFill) {
      state.PauseTiming();
      PlayM4_ResetSourceBuffer(port);
      block = 0;
      state.ResumeTiming();
    }
    if (!feed(stream.payload.data() + block * kBlock)) state.SkipWithError("block refused");
    ++block;
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBlock);
}

void BM_PlayerInputData(benchmark::State& state) {
  setenv("Q81_DRIVE_ROOT", Drive().path().c_str(), 1);
  SinglePlayer* player = CreateSinglePlayerDll();
  player->Play_InitDDraw(nullptr);
  if (player->Play_OpenStream(nullptr, kPlayerPort, Stream().header.data(), 64, 0) != 0) {
    state.SkipWithError("open failed");
  }
  FeedBlocks(state, kPlayerPort, [player](const uint8_t* block) {
    return player->Play_InputData(kPlayerPort, block, kBlock, 0) == 0;
  });
  player->Play_CloseStream(kPlayerPort);
  ReleaseSinglePlayerDll(player);
}
BENCHMARK(BM_PlayerInputData)->Name("input/Play_InputData 4 KiB to the FFmpeg decoder");

void BM_DirectInputData(benchmark::State& state) {
  if (!PlayM4_OpenStream(kDirectPort, Stream().header.data(), 64, kBufferSize) ||
      !PlayM4_Play(kDirectPort, nullptr)) {
    state.SkipWithError("open failed");
  }
  FeedBlocks(state, kDirectPort, [](const uint8_t* block) {
    return PlayM4_InputData(kDirectPort, block, kBlock) != 0;
  });
  PlayM4_Stop(kDirectPort);
  PlayM4_CloseStream(kDirectPort);
}
BENCHMARK(BM_DirectInputData)->Name("input/PlayM4_InputData 4 KiB to the FFmpeg decoder direct");

}  // namespace
