#include "LiveSource.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
}

#include "RecordingPlayer.h"

namespace demo_viewer {
namespace {

// A transport stream's tables for one H.264 stream, as a camera repeats them,
// followed by a picture's packet: enough for the source to announce its
// stream and to count as sending.
std::vector<uint8_t> CameraTransportStream() {
  AVFormatContext* muxer = nullptr;
  std::vector<uint8_t> bytes;
  if (avformat_alloc_output_context2(&muxer, nullptr, "mpegts", nullptr) < 0) return bytes;
  AVStream* video = avformat_new_stream(muxer, nullptr);
  video->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
  video->codecpar->codec_id = AV_CODEC_ID_H264;
  video->time_base = {1, 90000};
  uint8_t picture[] = {0, 0, 0, 1, 0x09, 0xf0, 0, 0, 0, 1, 0x65, 0x88, 0x84, 0x00};
  AVPacket* packet = av_packet_alloc();
  packet->data = picture;
  packet->size = sizeof(picture);
  packet->pts = packet->dts = 0;
  uint8_t* written = nullptr;
  if (avio_open_dyn_buf(&muxer->pb) == 0 && avformat_write_header(muxer, nullptr) >= 0 &&
      av_write_frame(muxer, packet) >= 0 && av_write_trailer(muxer) >= 0) {
    const int size = avio_close_dyn_buf(muxer->pb, &written);
    bytes.assign(written, written + size);
    av_free(written);
  } else if (muxer->pb != nullptr) {
    avio_close_dyn_buf(muxer->pb, &written);
    av_free(written);
  }
  av_packet_free(&packet);
  avformat_free_context(muxer);
  return bytes;
}

// Sends |bytes| as datagrams to 127.0.0.1:|port|, again every few
// milliseconds, until |arrived| or about five seconds pass.
void SendUntil(int port, const std::vector<uint8_t>& bytes, const std::function<bool()>& arrived) {
  const int sender = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<uint16_t>(port));
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  for (int round = 0; round < 1000 && !arrived(); ++round) {
    for (size_t at = 0; at < bytes.size(); at += 7 * 188) {
      ::sendto(sender, bytes.data() + at, std::min<size_t>(7 * 188, bytes.size() - at), 0,
               reinterpret_cast<const sockaddr*>(&to), sizeof(to));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ::close(sender);
}

TEST(LiveSourceTest, UdpPortIsTheListeningPortOfUdpAddressesOnly) {
  const struct {
    const char* address;
    int port;
  } cases[] = {
      {"udp://127.0.0.1:5000", 5000}, {"udp://0.0.0.0:5000?overrun_nonfatal=1", 5000},
      {"udp://[::1]:6000", 6000},     {"udp://localhost:65535/", 65535},
      {"udp://127.0.0.1", -1},        {"udp://127.0.0.1:", -1},
      {"udp://127.0.0.1:65536", -1},  {"udp://127.0.0.1:50x0", -1},
      {"tcp://127.0.0.1:5000", -1},   {"rtsp://127.0.0.1:8554/cam", -1},
  };
  for (const auto& test : cases) EXPECT_EQ(UdpPort(test.address), test.port) << test.address;
}

TEST(LiveSourceTest, FailedAttemptsCountAsRetriesNotAsReconnections) {
  RecordingPlayer player;
  PictureTiming timing;
  LiveSourceTimeouts timeouts;
  timeouts.retry = std::chrono::milliseconds(1);
  // Nobody listens on loopback port 1: every attempt is refused at once.
  LiveSource source(
      player, 0, "tcp://127.0.0.1:1", [](const std::vector<uint8_t>&) { return true; },
      [](const std::string&) {}, timing, timeouts);
  source.Start();
  for (int wait = 0; wait < 5000 && source.Retries() < 3; ++wait) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  source.Stop();
  EXPECT_GE(source.Retries(), 3u);
  EXPECT_EQ(source.Reconnections(), 0u);
  EXPECT_EQ(source.BytesFed(), 0u);
}

TEST(LiveSourceTest, AUdpSourceSilentPastTheDropTimeKeepsItsChannelAndFeedsWhatFollows) {
  const std::vector<uint8_t> stream = CameraTransportStream();
  ASSERT_FALSE(stream.empty());
  RecordingPlayer player;
  PictureTiming timing;
  LiveSourceTimeouts timeouts;
  timeouts.stall = std::chrono::milliseconds(10);
  timeouts.drop = std::chrono::milliseconds(30);
  std::atomic<int> channelsOpened{0};
  std::atomic<bool> stalled{false};
  std::mutex reportsMutex;
  std::string reports;
  const int port = 47365;
  LiveSource source(
      player, 0, "udp://127.0.0.1:" + std::to_string(port),
      [&](const std::vector<uint8_t>&) {
        ++channelsOpened;
        return true;
      },
      [&](const std::string& message) {
        std::lock_guard<std::mutex> lock(reportsMutex);
        reports += message + "\n";
        if (message.find("stalled") != std::string::npos) stalled = true;
      },
      timing, timeouts);
  source.Start();
  SendUntil(port, stream, [&] { return source.BytesFed() > 0; });
  // Silent well past the drop time, then the camera sends again.
  for (int wait = 0; wait < 5000 && !stalled; ++wait) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  std::this_thread::sleep_for(timeouts.drop * 4);
  const uint64_t fedBeforeSilence = source.BytesFed();
  SendUntil(port, stream, [&] { return source.BytesFed() > fedBeforeSilence; });
  source.Stop();
  EXPECT_TRUE(stalled) << reports;
  EXPECT_GT(source.BytesFed(), fedBeforeSilence) << reports;
  EXPECT_EQ(source.Retries(), 0u) << reports;
  EXPECT_EQ(source.Reconnections(), 0u) << reports;
  EXPECT_EQ(channelsOpened, 1);
}

}  // namespace
}  // namespace demo_viewer
