// The FFmpeg decoder in the player's place, measured through the client
// interface. Streams are made at start with the ffmpeg tool.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "Kelo820_PlaySDK.h"
#include "PictureLog.h"
#include "SentPictures.h"
#include "TestStreams.h"
#include "m4playerApi.h"

namespace {

using Clock = std::chrono::steady_clock;
using bench::kFrameMillis;
using bench::kTsPacket;
using bench::Percentile;
using bench::SentPicture;
using tests_ffmpeg::StreamKind;
using tests_ffmpeg::TestStream;

constexpr uint32_t kBufferSize = 51200;
constexpr size_t kBlock = 4096;
constexpr int32_t kOk = 0;

tests::TempDirectory& WorkDir() {
  static tests::TempDirectory dir;
  return dir;
}

const TestStream& BenchStream(StreamKind kind, int frames) {
  static std::map<std::pair<StreamKind, int>, TestStream> made;
  auto found = made.find({kind, frames});
  if (found == made.end()) {
    found = made.emplace(std::make_pair(kind, frames),
                         tests_ffmpeg::MakeStream(kind, frames, WorkDir()))
                .first;
  }
  return found->second;
}

double Seconds(Clock::duration duration) { return std::chrono::duration<double>(duration).count(); }

// Counts pictures per channel and notes when each channel's first one came
// and the time stamp of its latest.
std::array<std::atomic<int>, 32> shown;
std::array<std::atomic<int64_t>, 32> firstShownAt;
std::array<std::atomic<int32_t>, 32> lastTimeStamp;

void M4CALL CountPicture(int32_t port, const uint8_t*, int32_t, int32_t, int32_t, int32_t timeStamp,
                         int32_t, int32_t) {
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
  const std::string command = std::string(tests_ffmpeg::FfmpegTool()) +
                              " -nostdin -hide_banner -benchmark -threads 0 -i " + media +
                              " -map 0:v:0 -f null - 2>&1";
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
    const int32_t lastStamp = (stream.frames - 1) * tests_ffmpeg::kTestFrameMillis;
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
  state.counters["fps"] =
      benchmark::Counter(stream.frames * static_cast<double>(state.iterations()) / ours);
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
  const double bytesPerSecond = static_cast<double>(stream.payload.size()) /
                                (stream.frames * tests_ffmpeg::kTestFrameMillis / 1000.0);
  Player player;
  for (auto _ : state) {
    if (!player.Open(0, stream, 0)) state.SkipWithError("open failed");
    const auto start = Clock::now();
    for (size_t fed = 0; fed < stream.payload.size() && shown[0] == 0;) {
      const auto due =
          start + std::chrono::duration_cast<Clock::duration>(
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
  const double seconds = stream.frames * tests_ffmpeg::kTestFrameMillis / 1000.0;
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

// ---------------------------------------------------------------------------
// Latency: the stream arrives as a camera sends it. Each picture's bytes go
// to Play_InputData at the picture's time (in decoding order, one picture
// interval apart), in pieces of seven transport stream packets, in live mode;
// the display callback notes when each picture is shown.

constexpr size_t kPieceBytes = 7 * kTsPacket;
constexpr int kLatencyFrames = 500;
// Left out of the latency: with up to two B-frames, the last three pictures
// in display order come out only when the stream ends.
constexpr size_t kStreamEndPictures = 3;

// A stream of |frames| pictures of |size| made with the ffmpeg tool from
// |source| with |encoder| and packed by m4stream (beside this program).
TestStream MakeSizedStream(const std::string& name, const std::string& source,
                           const std::string& encoder) {
  const std::string media = WorkDir().path() + name;
  const std::string packed = media + ".m4s";
  const std::string self = std::string(std::filesystem::read_symlink("/proc/self/exe"));
  const std::string tool = self.substr(0, self.rfind('/')) + "/m4stream";
  const std::string make = std::string(tests_ffmpeg::FfmpegTool()) +
                           " -nostdin -hide_banner -loglevel error -y -f lavfi -i " + source + " " +
                           encoder + " -frames:v " + std::to_string(kLatencyFrames) + " " + media +
                           " && " + tool + " " + media + " " + packed +
                           " --no-end-marker >/dev/null";
  TestStream stream;
  if (std::system(make.c_str()) != 0) return stream;
  const std::vector<uint8_t> bytes = tests_ffmpeg::ReadFile(packed);
  stream.mediaFile = media;
  stream.header.assign(bytes.begin(), bytes.begin() + 64);
  stream.payload.assign(bytes.begin() + 64, bytes.end());
  stream.frames = kLatencyFrames;
  return stream;
}

struct LatencyCase {
  const char* name;
  const char* source;
  const char* encoder;
  // Laid out as a camera sends it (CameraProgramStream.h): the encoder then
  // makes the elementary stream.
  bool camera = false;
  tests_ffmpeg::PesLayout pes = tests_ffmpeg::PesLayout::kPesPerPicture;
  bool sound = true;
  size_t pieceBytes = tests_ffmpeg::kLongestPesPayload;
};

// The video of |encoder| (an elementary stream) and, with |sound|, G.711
// A-law, laid out as a camera sends them and packed by m4stream.
TestStream MakeCameraStream(const std::string& name, const LatencyCase& which) {
  const std::string media = WorkDir().path() + name;
  const std::string self = std::string(std::filesystem::read_symlink("/proc/self/exe"));
  const std::string tool = self.substr(0, self.rfind('/')) + "/m4stream";
  const std::string ffmpeg =
      std::string(tests_ffmpeg::FfmpegTool()) + " -nostdin -hide_banner -loglevel error -y ";
  const std::string make =
      ffmpeg + "-f lavfi -i " + which.source + " " + which.encoder + " -frames:v " +
      std::to_string(kLatencyFrames) + " " + media + ".es && " + ffmpeg +
      "-f lavfi -i sine=frequency=440:sample_rate=8000 -t " +
      std::to_string(kLatencyFrames * kFrameMillis / 1000 + 1) + " -f alaw " + media + ".g711";
  TestStream stream;
  if (std::system(make.c_str()) != 0) return stream;
  tests_ffmpeg::CameraLayout layout;
  layout.video = std::strstr(which.encoder, "hevc") != nullptr ? tests_ffmpeg::CameraVideo::kH265
                                                               : tests_ffmpeg::CameraVideo::kH264;
  layout.pes = which.pes;
  layout.pieceBytes = which.pieceBytes;
  const std::vector<uint8_t> sound =
      which.sound ? tests_ffmpeg::ReadFile(media + ".g711") : std::vector<uint8_t>();
  const std::vector<uint8_t> ps =
      tests_ffmpeg::LayOutAsCamera(tests_ffmpeg::ReadFile(media + ".es"), sound, layout);
  tests_ffmpeg::WriteFile(media, ps.data(), ps.size());
  if (std::system((tool + " " + media + " " + media + ".m4s --no-end-marker >/dev/null").c_str()) !=
      0) {
    return stream;
  }
  const std::vector<uint8_t> bytes = tests_ffmpeg::ReadFile(media + ".m4s");
  stream.mediaFile = media;
  stream.header.assign(bytes.begin(), bytes.begin() + 64);
  stream.payload.assign(bytes.begin() + 64, bytes.end());
  stream.frames = kLatencyFrames;
  return stream;
}

constexpr const char* kCameraH264Cif =
    "-c:v libx264 -preset veryfast -tune zerolatency -g 50 -bf 0 -b:v 512k -pix_fmt yuv420p -f "
    "h264";
constexpr const char* kCameraH264D1 =
    "-c:v libx264 -preset veryfast -tune zerolatency -g 50 -bf 0 -b:v 2M -pix_fmt yuv420p -f h264";
constexpr const char* kCameraH265Cif =
    "-c:v libx265 -preset ultrafast -x265-params log-level=error:bframes=0 -g 50 -b:v 512k "
    "-pix_fmt yuv420p -f hevc";
constexpr const char* kCif = "testsrc2=size=352x288:rate=25";
constexpr const char* kD1 = "testsrc2=size=704x576:rate=25";

const LatencyCase kLatencyCases[] = {
    {"CIF H.264 TS", "testsrc2=size=352x288:rate=25",
     "-c:v libx264 -preset veryfast -tune zerolatency -g 50 -bf 0 -b:v 512k -pix_fmt yuv420p -f "
     "mpegts"},
    {"CIF H.264 TS, PES lengths", "testsrc2=size=352x288:rate=25",
     "-c:v libx264 -preset veryfast -tune zerolatency -g 50 -bf 0 -b:v 512k -pix_fmt yuv420p -f "
     "mpegts -omit_video_pes_length 0"},
    {"D1 H.264 TS", "testsrc2=size=704x576:rate=25",
     "-c:v libx264 -preset veryfast -tune zerolatency -g 50 -bf 0 -b:v 2M -pix_fmt yuv420p -f "
     "mpegts"},
    {"1080p H.264 TS", "testsrc2=size=1920x1080:rate=25",
     "-c:v libx264 -preset ultrafast -tune zerolatency -g 50 -bf 0 -b:v 6M -pix_fmt yuv420p -f "
     "mpegts"},
    {"CIF H.264 TS, B-frames", "testsrc2=size=352x288:rate=25",
     "-c:v libx264 -preset veryfast -g 50 -bf 2 -b:v 512k -pix_fmt yuv420p -f mpegts"},
    {"CIF MPEG-2 PS, B-frames", "testsrc2=size=352x288:rate=25",
     "-c:v mpeg2video -g 12 -bf 2 -b:v 1M -f vob"},
    // As cameras that send B-frames mostly do: one between references.
    {"CIF H.264 TS, 1 B-frame", "testsrc2=size=352x288:rate=25",
     "-c:v libx264 -preset veryfast -g 50 -bf 1 -b:v 512k -pix_fmt yuv420p -f mpegts"},
    {"CIF MPEG-2 PS", "testsrc2=size=352x288:rate=25",
     "-c:v mpeg2video -g 12 -bf 0 -b:v 1M -f vob"},
    {"CIF MPEG-4 TS, 1 B-frame", "testsrc2=size=352x288:rate=25",
     "-c:v mpeg4 -g 25 -bf 1 -b:v 1M -f mpegts"},
    {"CIF H.264 camera PS, PES per picture", kCif, kCameraH264Cif, true},
    {"D1 H.264 camera PS, PES per picture", kD1, kCameraH264D1, true},
    {"CIF H.264 camera PS, PES per picture, no sound", kCif, kCameraH264Cif, true,
     tests_ffmpeg::PesLayout::kPesPerPicture, false},
    // Its key pictures cut into pieces, which shows where a picture ends.
    {"D1 H.264 camera PS, PES per picture cut at 12 KiB, no sound", kD1, kCameraH264D1, true,
     tests_ffmpeg::PesLayout::kPesPerPicture, false, 12288},
    {"CIF H.265 camera PS, PES per picture", kCif, kCameraH265Cif, true},
    {"CIF H.264 camera PS, PES per NAL unit", kCif, kCameraH264Cif, true,
     tests_ffmpeg::PesLayout::kPesPerNalUnit},
    {"D1 H.264 camera PS, PES per NAL unit", kD1, kCameraH264D1, true,
     tests_ffmpeg::PesLayout::kPesPerNalUnit},
    {"CIF H.264 camera PS, PES per NAL unit, no sound", kCif, kCameraH264Cif, true,
     tests_ffmpeg::PesLayout::kPesPerNalUnit, false},
};

std::array<std::atomic<int64_t>, kLatencyFrames> lastByteAt;
std::array<std::atomic<int64_t>, kLatencyFrames> shownAt;

int64_t NowNanos() { return Clock::now().time_since_epoch().count(); }

void M4CALL NoteShown(int32_t, const uint8_t*, int32_t, int32_t, int32_t, int32_t timeStamp,
                      int32_t, int32_t) {
  const int64_t now = NowNanos();
  const int index = (timeStamp + kFrameMillis / 2) / kFrameMillis;
  if (index < 0 || index >= kLatencyFrames) return;
  int64_t none = 0;
  shownAt[static_cast<size_t>(index)].compare_exchange_strong(none, now);
}

// The floor: each picture's decoding alone, with libavcodec on one thread as
// the live decoder does it, in milliseconds.
std::vector<double> DecodeTimesMs(const std::string& media) {
  std::vector<double> times;
  AVFormatContext* format = nullptr;
  if (avformat_open_input(&format, media.c_str(), nullptr, nullptr) < 0) return times;
  avformat_find_stream_info(format, nullptr);
  const int video = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  const AVCodec* codec =
      video < 0 ? nullptr : avcodec_find_decoder(format->streams[video]->codecpar->codec_id);
  AVCodecContext* context = codec == nullptr ? nullptr : avcodec_alloc_context3(codec);
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  if (context != nullptr && packet != nullptr && frame != nullptr &&
      avcodec_parameters_to_context(context, format->streams[video]->codecpar) >= 0) {
    context->thread_count = 1;
    if (avcodec_open2(context, codec, nullptr) >= 0) {
      while (av_read_frame(format, packet) >= 0) {
        if (packet->stream_index == video) {
          const auto start = Clock::now();
          avcodec_send_packet(context, packet);
          while (avcodec_receive_frame(context, frame) >= 0) av_frame_unref(frame);
          times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        }
        av_packet_unref(packet);
      }
    }
  }
  av_frame_free(&frame);
  av_packet_free(&packet);
  avcodec_free_context(&context);
  avformat_close_input(&format);
  return times;
}

void BM_LiveLatency(benchmark::State& state) {
  const LatencyCase& which = kLatencyCases[state.range(0)];
  state.SetLabel(which.name);
  static std::map<int64_t, TestStream> made;
  auto found = made.find(state.range(0));
  if (found == made.end()) {
    const std::string name = "latency" + std::to_string(state.range(0));
    found = made.emplace(state.range(0), which.camera
                                             ? MakeCameraStream(name, which)
                                             : MakeSizedStream(name, which.source, which.encoder))
                .first;
  }
  const TestStream& stream = found->second;
  if (stream.payload.empty()) {
    state.SkipWithError("stream not made");
    return;
  }
  const bool transport = std::strstr(which.encoder, "mpegts") != nullptr;
  std::vector<SentPicture> pictures = which.camera ? bench::SplitCameraStream(stream.payload)
                                      : transport  ? bench::SplitTransportStream(stream.payload)
                                                   : bench::SplitProgramStream(stream.payload);
  if (pictures.empty()) {
    state.SkipWithError("no pictures found");
    return;
  }
  const int64_t firstPts = pictures.front().ptsMs;
  for (SentPicture& picture : pictures) picture.ptsMs = (picture.ptsMs - firstPts) / 90;
  Player player;
  std::vector<double> latencies;
  std::vector<double> inOrder;
  double first = -1;
  int dropped = 0;
  for (auto _ : state) {
    for (auto& at : lastByteAt) at = 0;
    for (auto& at : shownAt) at = 0;
    if (!player.Open(0, stream, 0, false) || !PlayM4_SetDisplayCallBack(0, &NoteShown)) {
      state.SkipWithError("open failed");
      break;
    }
    const auto start = Clock::now();
    for (size_t index = 0; index < pictures.size(); ++index) {
      std::this_thread::sleep_until(start + std::chrono::milliseconds(kFrameMillis) *
                                                static_cast<int>(index));
      const SentPicture& picture = pictures[index];
      for (size_t at = picture.begin; at < picture.end; at += kPieceBytes) {
        const size_t size = std::min(kPieceBytes, picture.end - at);
        const int64_t sentAt = NowNanos();
        if (player->Play_InputData(0, stream.payload.data() + at, static_cast<uint32_t>(size), 0) !=
            kOk) {
          state.SkipWithError("block refused");
        }
        const int64_t shownIndex = (picture.ptsMs + kFrameMillis / 2) / kFrameMillis;
        if (at + size >= picture.end && shownIndex >= 0 && shownIndex < kLatencyFrames) {
          lastByteAt[static_cast<size_t>(shownIndex)] = sentAt;
        }
      }
    }
    // The last pictures wait for the stream's end: the last for a successor
    // to end it, those before it (with B-frames) for the decoder to give them
    // up. The port flushes them after a second without data.
    std::this_thread::sleep_for(std::chrono::milliseconds(1300));
    player.Close(0);
    // In display order a picture can be shown no earlier than the last byte
    // of every picture shown before it: with B-frames a reference picture is
    // sent ahead of the pictures it follows on screen.
    int64_t availableAt = 0;
    for (size_t index = 0; index < pictures.size(); ++index) {
      const int64_t sent = lastByteAt[index];
      const int64_t shownTime = shownAt[index];
      if (sent == 0) continue;
      availableAt = std::max(availableAt, sent);
      if (shownTime == 0) {
        ++dropped;
        continue;
      }
      const double ms = static_cast<double>(shownTime - sent) / 1e6;
      if (index == 0) {
        first = ms;
      } else if (index + kStreamEndPictures < pictures.size()) {
        latencies.push_back(ms);
        inOrder.push_back(static_cast<double>(shownTime - availableAt) / 1e6);
      }
    }
    state.SetIterationTime(Seconds(Clock::now() - start));
  }
  const std::vector<double> floor = DecodeTimesMs(stream.mediaFile);
  state.counters["first_ms"] = first;
  state.counters["median_ms"] = Percentile(latencies, 0.5);
  state.counters["p99_ms"] = Percentile(latencies, 0.99);
  state.counters["in_order_median_ms"] = Percentile(inOrder, 0.5);
  state.counters["in_order_p99_ms"] = Percentile(inOrder, 0.99);
  state.counters["floor_median_ms"] = Percentile(floor, 0.5);
  state.counters["floor_p99_ms"] = Percentile(floor, 0.99);
  state.counters["dropped"] = dropped;
}
BENCHMARK(BM_LiveLatency)
    ->DenseRange(0, static_cast<int>(std::size(kLatencyCases)) - 1)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

}  // namespace
