// kelo_latency_sender: the latency benchmark's camera. Encodes numbered
// pictures (NumberPattern.h) in real time and sends each the moment it is
// encoded, as an MPEG transport stream (each picture's PES packet carrying
// its length, as cameras write it) to udp://HOST:PORT or to the one client
// of tcp://HOST:PORT?listen=1, or as RTP to rtp://HOST:PORT (for the RTSP
// test camera to serve). For every picture it logs its number, when the
// camera took it and when its last byte left, in microseconds of
// CLOCK_MONOTONIC, the clock the screen reader stamps its readings with:
//
//   # number taken_us sent_us
//   0 81234567890 81234571234
//
//   kelo_latency_sender URL LOG [--seconds S] [--size WxH] [--rate N]
//       [--bitrate BITS] [--clock-error PERCENT] [--stall-at S --stall-for S]
//
// --seconds: how long it sends (default 20); --size, --rate, --bitrate: the
// camera's pictures (default 704x576, 25 a second, 2000000 bits a second).
// --clock-error P: the camera's clock runs P % fast (negative: slow), so its
// pictures leave 1 / (1 + P/100) of their time stamps' interval apart.
// --stall-at S --stall-for T: from S s on, the pictures taken in the next T s
// are held back (as a congested uplink holds them) and leave all at once
// with the first picture after.
#include <signal.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
}

#include "CameraEncoder.h"
#include "NumberPattern.h"

namespace {

struct Options {
  std::string url;
  std::string log;
  double seconds = 20;
  latency::CameraSettings camera;
  double clockErrorPercent = 0;
  double stallAt = -1;
  double stallFor = 0;
};

[[noreturn]] void Usage(const char* message) {
  std::fprintf(stderr,
               "kelo_latency_sender: %s\nusage: kelo_latency_sender URL LOG [--seconds S] "
               "[--size WxH] [--rate N] [--bitrate BITS] [--clock-error PERCENT] "
               "[--stall-at S --stall-for S]\n",
               message);
  std::exit(2);
}

double Number(const char* text) {
  char* end = nullptr;
  const double value = std::strtod(text, &end);
  if (end == text || *end != '\0') Usage("a number was expected");
  return value;
}

Options ParseOptions(int argc, char** argv) {
  if (argc < 3) Usage("URL and LOG are needed");
  Options options;
  options.url = argv[1];
  options.log = argv[2];
  for (int index = 3; index < argc; ++index) {
    const std::string name = argv[index];
    if (index + 1 >= argc) Usage(("no value after " + name).c_str());
    const char* value = argv[++index];
    if (name == "--seconds") {
      options.seconds = Number(value);
    } else if (name == "--size") {
      if (std::sscanf(value, "%dx%d", &options.camera.width, &options.camera.height) != 2) {
        Usage("--size is WIDTHxHEIGHT");
      }
    } else if (name == "--rate") {
      options.camera.rate = static_cast<int>(Number(value));
    } else if (name == "--bitrate") {
      options.camera.bitRate = static_cast<int64_t>(Number(value));
    } else if (name == "--clock-error") {
      options.clockErrorPercent = Number(value);
    } else if (name == "--stall-at") {
      options.stallAt = Number(value);
    } else if (name == "--stall-for") {
      options.stallFor = Number(value);
    } else {
      Usage(("unknown option " + name).c_str());
    }
  }
  if (options.camera.rate <= 0 || options.clockErrorPercent <= -100) Usage("no pictures to send");
  return options;
}

int64_t NowMicros() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

void SleepUntilMicros(int64_t when) {
  timespec until{};
  until.tv_sec = static_cast<time_t>(when / 1000000);
  until.tv_nsec = static_cast<long>(when % 1000000) * 1000;
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) != 0) {
  }
}

// The muxer and its connection, closed whichever way the program ends.
class Output {
 public:
  Output(const std::string& url, const AVCodecContext* codec) {
    const bool rtp = url.rfind("rtp://", 0) == 0;
    if (avformat_alloc_output_context2(&format_, nullptr, rtp ? "rtp" : "mpegts", url.c_str()) <
        0) {
      throw std::runtime_error("no muxer for " + url);
    }
    if (rtp) {
      // Nobody listens for sender reports on the loopback relay.
      av_opt_set(format_->priv_data, "rtpflags", "skip_rtcp", 0);
    } else {
      av_opt_set_int(format_->priv_data, "omit_video_pes_length", 0, 0);
    }
    stream_ = avformat_new_stream(format_, nullptr);
    avcodec_parameters_from_context(stream_->codecpar, codec);
    stream_->time_base = codec->time_base;
    codecTimeBase_ = codec->time_base;
    // A tcp://...?listen=1 address waits here for its client.
    std::fprintf(stderr, "kelo_latency_sender: opening %s\n", url.c_str());
    if (avio_open2(&format_->pb, url.c_str(), AVIO_FLAG_WRITE, nullptr, nullptr) < 0) {
      throw std::runtime_error("cannot open " + url);
    }
    if (avformat_write_header(format_, nullptr) < 0) {
      throw std::runtime_error("cannot start the stream to " + url);
    }
  }
  ~Output() {
    if (format_->pb != nullptr) {
      av_write_trailer(format_);
      avio_closep(&format_->pb);
    }
    avformat_free_context(format_);
  }
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  // Sends |packet| whole: the muxer's last partial datagram is not kept back
  // for the next picture.
  bool Send(AVPacket* packet) {
    packet->stream_index = stream_->index;
    av_packet_rescale_ts(packet, codecTimeBase_, stream_->time_base);
    if (av_write_frame(format_, packet) < 0) return false;
    avio_flush(format_->pb);
    return format_->pb->error == 0;
  }

 private:
  AVFormatContext* format_ = nullptr;
  AVStream* stream_ = nullptr;
  AVRational codecTimeBase_{};
};

}  // namespace

int main(int argc, char** argv) {
  const Options options = ParseOptions(argc, argv);
  av_log_set_level(AV_LOG_ERROR);
  // A TCP client that goes away ends the run with a message, not a signal.
  signal(SIGPIPE, SIG_IGN);
  FILE* log = std::fopen(options.log.c_str(), "w");
  if (log == nullptr) {
    std::fprintf(stderr, "kelo_latency_sender: cannot write %s\n", options.log.c_str());
    return 1;
  }
  std::fprintf(log, "# number taken_us sent_us\n");
  try {
    latency::CameraEncoder encoder(options.camera);
    Output output(options.url, encoder.Context());
    const double intervalMicros = 1e6 / options.camera.rate / (1 + options.clockErrorPercent / 100);
    const int64_t stallFrom = static_cast<int64_t>(options.stallAt * 1e6);
    const int64_t stallUntil = static_cast<int64_t>((options.stallAt + options.stallFor) * 1e6);
    std::vector<AVPacket*> held;
    std::vector<int64_t> heldTaken;
    const int64_t duration = static_cast<int64_t>(options.seconds * 1e6);
    const int64_t start = NowMicros();
    uint32_t number = 0;
    for (;; ++number) {
      const int64_t offset = static_cast<int64_t>(number * intervalMicros);
      if (offset >= duration) break;
      if (number > latency::kMaxNumber) throw std::runtime_error("more pictures than numbers");
      SleepUntilMicros(start + offset);
      const int64_t taken = NowMicros();
      AVPacket* packet = av_packet_alloc();
      std::string error;
      if (!encoder.Encode(number, packet, &error)) throw std::runtime_error(error);
      held.push_back(packet);
      heldTaken.push_back(taken);
      if (options.stallAt >= 0 && offset >= stallFrom && offset < stallUntil) continue;
      // The held pictures, if any, then this one.
      const uint32_t first = number + 1 - static_cast<uint32_t>(held.size());
      for (size_t index = 0; index < held.size(); ++index) {
        if (!output.Send(held[index])) throw std::runtime_error("the receiver went away");
        std::fprintf(log, "%u %lld %lld\n", first + static_cast<uint32_t>(index),
                     static_cast<long long>(heldTaken[index]), static_cast<long long>(NowMicros()));
        av_packet_free(&held[index]);
      }
      held.clear();
      heldTaken.clear();
      std::fflush(log);
    }
    for (AVPacket*& packet : held) av_packet_free(&packet);
    std::fprintf(stderr, "kelo_latency_sender: sent %u pictures\n", number);
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "kelo_latency_sender: %s\n", failure.what());
    std::fclose(log);
    return 1;
  }
  std::fclose(log);
  return 0;
}
