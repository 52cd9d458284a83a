#include "LiveSource.h"

#include <gtest/gtest.h>

#include <thread>

#include "RecordingPlayer.h"

namespace demo {
namespace {

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

}  // namespace
}  // namespace demo
