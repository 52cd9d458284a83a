// The FFmpeg decoder in the player's place, measured through the client
// interface. Streams are made at start with the ffmpeg tool.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "Kelo820_PlaySDK.h"
#include "PictureLog.h"
#include "TestStreams.h"
#include "m4playerApi.h"

namespace {

using Clock = std::chrono::steady_clock;
using m4test::StreamKind;
using m4test::TestStream;

constexpr uint32_t kBufferSize = 51200;
constexpr size_t kBlock = 4096;
constexpr int32_t kOk = 0;

kelo_test::TempDirectory& WorkDir() {
  static kelo_test::TempDirectory dir;
  return dir;
}

const TestStream& BenchStream(StreamKind kind, int frames) {
  static std::map<std::pair<StreamKind, int>, TestStream> made;
  auto found = made.find({kind, frames});
  if (found == made.end()) {
    found = made.emplace(std::make_pair(kind, frames), m4test::MakeStream(kind, frames, WorkDir())).first;
  }
  return found->second;
}

double Seconds(Clock::duration duration) { return std::chrono::duration<double>(duration).count(); }

// Counts pictures per channel and notes when each channel's first one came
// and the time stamp of its latest.
std::array<std::atomic<int>, 32> shown;
std::array<std::atomic<int64_t>, 32> firstShownAt;
std::array<std::atomic<int32_t>, 32> lastTimeStamp;

void M4CALL CountPicture(int32_t port, const uint8_t*, int32_t, int32_t, int32_t,
                         int32_t timeStamp, int32_t, int32_t) {
  if (shown[port]++ == 0) firstShownAt[port] = Clock::now().time_since_epoch().count();
  lastTimeStamp[port] = timeStamp;
}

bool WaitForShown(int32_t channel, int count) {
  const auto giveUp = Clock::now() + std::chrono::seconds(60);
  while (shown[channel] < count) {
    if (Clock::now() > giveUp) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return true;
}

class Player {
 public:
  Player() {
    setenv("Q81_DRIVE_ROOT", WorkDir().path().c_str(), 1);
    player_ = CreateSinglePlayerDll();
    player_->Play_InitDDraw(nullptr);
  }
  ~Player() {
    player_->Play_ReleaseDDraw();
    ReleaseSinglePlayerDll(player_);
  }
  SinglePlayer* operator->() { return player_; }

  bool Open(int32_t channel, const TestStream& stream, int32_t mode, bool counting = true) {
    shown[channel] = 0;
    lastTimeStamp[channel] = -1;
    return player_->Play_SetOpenMode(channel, mode) == kOk &&
           player_->Play_OpenStream(nullptr, channel, stream.header.data(), 64, 0) == kOk &&
           (!counting || PlayM4_SetDisplayCallBack(channel, &CountPicture));
  }
  // One block if it fits now; false when it has to wait.
  bool TryFeed(int32_t channel, const uint8_t* data, uint32_t size) {
    uint32_t waiting = 0;
    player_->Play_GetBufferRemainDataSize(channel, &waiting);
    return waiting + size <= kBufferSize && player_->Play_InputData(channel, data, size, 0) == kOk;
  }
  void Close(int32_t channel) {
    PlayM4_SetDisplayCallBack(channel, nullptr);
    player_->Play_CloseStream(channel);
  }

 private:
  SinglePlayer* player_;
};

// The ffmpeg tool's own measure of its decoding loop, without its start-up.
double FfmpegSeconds(const std::string& media) {
  const std::string command =
      std::string(m4test::FfmpegTool()) + " -nostdin -hide_banner -benchmark -threads 0 -i " +
      media + " -map 0:v:0 -f null - 2>&1";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  char line[512];
  double seconds = -1;
  while (pipe && std::fgets(line, sizeof line, pipe.get()) != nullptr) {
    if (const char* at = std::strstr(line, "rtime=")) seconds = std::atof(at + 6);
  }
  return seconds;
}

// File mode on the virtual clock: as fast as the stream decodes. No callback
// while decoding (a callback costs a copy of every picture); once the data is
// all in, one is installed to see the last picture arrive.
void BM_Throughput(benchmark::State& state) {
  const auto kind = static_cast<StreamKind>(state.range(0));
  const TestStream& stream = BenchStream(kind, static_cast<int>(state.range(1)));
  setenv("KELO_M4_CLOCK", "virtual", 1);
  Player player;
  double ours = 0;
  double theirs = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    if (!player.Open(0, stream, 1, false)) state.SkipWithError("open failed");
    for (size_t fed = 0; fed < stream.payload.size();) {
      const auto size = static_cast<uint32_t>(std::min(kBlock, stream.payload.size() - fed));
      if (player.TryFeed(0, stream.payload.data() + fed, size)) {
        fed += size;
      } else {
        std::this_thread::sleep_for(std::chrono::microseconds(100));
      }
    }
    uint32_t waiting = 1;
    while (waiting > 0) {
      player->Play_GetBufferRemainDataSize(0, &waiting);
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    PlayM4_SetDisplayCallBack(0, &CountPicture);
    const int32_t lastStamp = (stream.frames - 1) * m4test::kTestFrameMillis;
    const auto giveUp = Clock::now() + std::chrono::seconds(60);
    while (lastTimeStamp[0] != lastStamp && Clock::now() < giveUp) {
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    if (lastTimeStamp[0] != lastStamp) state.SkipWithError("last picture missing");
    const double elapsed = Seconds(Clock::now() - start);
    player.Close(0);
    state.SetIterationTime(elapsed);
    ours += elapsed;
    theirs += FfmpegSeconds(stream.mediaFile);
  }
  unsetenv("KELO_M4_CLOCK");
  state.counters["fps"] = benchmark::Counter(stream.frames * static_cast<double>(state.iterations()) / ours);
  state.counters["ffmpeg_s"] = theirs / static_cast<double>(state.iterations());
  state.counters["ratio_vs_ffmpeg"] = theirs / ours;
}
BENCHMARK(BM_Throughput)
    ->Args({static_cast<int>(StreamKind::kProgramMpeg2WithAudio), 500})
    ->Args({static_cast<int>(StreamKind::kTransportH264), 500})
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
// A camera's D1 MPEG-4 with B-frames in a transport stream, 6 s, ten times:
// it decodes fast, so what the port adds per picture shows most here.
BENCHMARK(BM_Throughput)
    ->Args({static_cast<int>(StreamKind::kCameraTransportMpeg4D1), 150})
    ->Iterations(10)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Live mode, real clock, data arriving at the stream's own rate: the time
// from the first block to the first picture shown.
void BM_TimeToFirstFrame(benchmark::State& state) {
  const auto kind = static_cast<StreamKind>(state.range(0));
  const TestStream& stream = BenchStream(kind, 50);
  const double bytesPerSecond =
      static_cast<double>(stream.payload.size()) / (stream.frames * m4test::kTestFrameMillis / 1000.0);
  Player player;
  for (auto _ : state) {
    if (!player.Open(0, stream, 0)) state.SkipWithError("open failed");
    const auto start = Clock::now();
    for (size_t fed = 0; fed < stream.payload.size() && shown[0] == 0;) {
      const auto due = start + std::chrono::duration_cast<Clock::duration>(
                                   std::chrono::duration<double>(static_cast<double>(fed) / bytesPerSecond));
      std::this_thread::sleep_until(due);
      const auto size = static_cast<uint32_t>(std::min(kBlock, stream.payload.size() - fed));
      if (player.TryFeed(0, stream.payload.data() + fed, size)) fed += size;
    }
    if (!WaitForShown(0, 1)) state.SkipWithError("no picture");
    const Clock::time_point first{Clock::duration(firstShownAt[0].load())};
    state.SetIterationTime(Seconds(first - start));
    player.Close(0);
  }
}
BENCHMARK(BM_TimeToFirstFrame)
    ->Arg(static_cast<int>(StreamKind::kProgramMpeg2WithAudio))
    ->Arg(static_cast<int>(StreamKind::kTransportH264))
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Sixteen CIF channels at 25 pictures a second, fed in real time by one
// thread; the CPU time of the whole process over the wall time.
void BM_SixteenChannelsRealTime(benchmark::State& state) {
  constexpr int kChannels = 16;
  const TestStream& stream = BenchStream(StreamKind::kTransportH264, 100);
  const double seconds = stream.frames * m4test::kTestFrameMillis / 1000.0;
  Player player;
  for (auto _ : state) {
    for (int32_t channel = 0; channel < kChannels; ++channel) {
      if (!player.Open(channel, stream, 0)) state.SkipWithError("open failed");
    }
    const double cpuBefore = CpuSeconds();
    const auto start = Clock::now();
    std::array<size_t, kChannels> fed{};
    for (bool more = true; more;) {
      more = false;
      const double elapsed = Seconds(Clock::now() - start);
      const auto due = static_cast<size_t>(static_cast<double>(stream.payload.size()) *
                                           std::min(1.0, elapsed / seconds));
      for (int32_t channel = 0; channel < kChannels; ++channel) {
        size_t& done = fed[channel];
        while (done < due) {
          const auto size = static_cast<uint32_t>(std::min(kBlock, stream.payload.size() - done));
          if (!player.TryFeed(channel, stream.payload.data() + done, size)) break;
          done += size;
        }
        more = more || done < stream.payload.size();
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    int shownTotal = 0;
    for (int32_t channel = 0; channel < kChannels; ++channel) {
      WaitForShown(channel, stream.frames);
      shownTotal += shown[channel];
    }
    const double wall = Seconds(Clock::now() - start);
    const double cpu = CpuSeconds() - cpuBefore;
    for (int32_t channel = 0; channel < kChannels; ++channel) player.Close(channel);
    state.SetIterationTime(wall);
    state.counters["cores_used"] = cpu / wall;
    state.counters["shown_of_expected"] =
        static_cast<double>(shownTotal) / (kChannels * stream.frames);
  }
}
BENCHMARK(BM_SixteenChannelsRealTime)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace
