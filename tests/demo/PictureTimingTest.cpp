#include "PictureTiming.h"

#include <gtest/gtest.h>

#include <vector>

namespace demo {
namespace {

constexpr int kVideoPid = 0x100;

// One transport stream packet of |pid| carrying payload; |start| marks the
// beginning of a PES packet.
std::vector<uint8_t> Packet(int pid, bool start) {
  std::vector<uint8_t> packet(188, 0xFF);
  packet[0] = 0x47;
  packet[1] = static_cast<uint8_t>((start ? 0x40 : 0) | (pid >> 8));
  packet[2] = static_cast<uint8_t>(pid & 0xFF);
  packet[3] = 0x10;
  return packet;
}

TimingClock::time_point At(int ms) { return TimingClock::time_point(std::chrono::milliseconds(ms)); }

TEST(PictureTimingTest, FindsPictureStartsAcrossPiecesOfAnySize) {
  std::vector<uint8_t> stream;
  for (int picture = 0; picture < 3; ++picture) {
    for (int packet = 0; packet < 4; ++packet) {
      const auto bytes = Packet(packet == 1 ? 0x101 : kVideoPid, packet == 0);
      stream.insert(stream.end(), bytes.begin(), bytes.end());
    }
  }
  for (size_t piece : {size_t{1}, size_t{100}, size_t{188}, size_t{1316}}) {
    TsPictureScanner scanner;
    scanner.SetPid(kVideoPid);
    int starts = 0;
    for (size_t offset = 0; offset < stream.size(); offset += piece) {
      starts += scanner.Scan(stream.data() + offset, std::min(piece, stream.size() - offset)).starts;
    }
    EXPECT_EQ(starts, 3) << "pieces of " << piece;
  }
}

// A picture ends where the next begins; each drawing is matched with the
// oldest picture waiting, and one left behind for long is dropped.
TEST(PictureTimingTest, MeasuresFromTheLastByteAndCountsDroppedPictures) {
  PictureTiming timing;
  timing.SetVideoPid(kVideoPid);
  const auto start = Packet(kVideoPid, true);
  const auto rest = Packet(kVideoPid, false);
  timing.Fed(start.data(), start.size(), At(0));
  timing.Fed(rest.data(), rest.size(), At(10));    // picture 1 ends at 10 ms
  timing.Fed(start.data(), start.size(), At(40));  // picture 2 begins
  timing.Shown(At(14));
  PictureTiming::Report report = timing.TakeReport();
  EXPECT_EQ(report.shown, 1u);
  ASSERT_TRUE(report.haveLatency);
  EXPECT_DOUBLE_EQ(report.medianMs, 4);

  timing.Fed(start.data(), start.size(), At(80));
  timing.Fed(start.data(), start.size(), At(120));
  timing.Fed(rest.data(), rest.size(), At(1000));
  timing.Fed(start.data(), start.size(), At(1001));
  timing.Shown(At(1005));  // pictures 2 and 3 were never drawn
  report = timing.TakeReport();
  EXPECT_EQ(report.dropped, 2u);
  EXPECT_DOUBLE_EQ(report.medianMs, 5);
}

}  // namespace
}  // namespace demo
