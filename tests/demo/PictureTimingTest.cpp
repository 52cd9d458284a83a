#include "PictureTiming.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <vector>

namespace demo_viewer {
namespace {

constexpr int kVideoPid = 0x100;

// One transport stream packet of |pid| carrying 184 bytes of payload;
// |start| begins a PES packet of |length| (0: not given).
std::vector<uint8_t> Packet(int pid, bool start, int length = 0) {
  std::vector<uint8_t> packet(188, 0xFF);
  packet[0] = 0x47;
  packet[1] = static_cast<uint8_t>((start ? 0x40 : 0) | (pid >> 8));
  packet[2] = static_cast<uint8_t>(pid & 0xFF);
  packet[3] = 0x10;
  if (start) {
    const uint8_t header[] = {
        0, 0, 1, 0xE0, static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length & 0xFF)};
    std::copy(std::begin(header), std::end(header), packet.begin() + 4);
  }
  return packet;
}

TimingClock::time_point At(int ms) {
  return TimingClock::time_point(std::chrono::milliseconds(ms));
}

// Three pictures of three video packets each (an audio packet between):
// without lengths the third never ends, with them each ends with its last
// packet, already inside the piece that holds it.
TEST(PictureTimingTest, FindsPictureEndsAcrossPiecesOfAnySize) {
  for (int length : {0, 3 * 184 - 6}) {
    std::vector<uint8_t> stream;
    for (int picture = 0; picture < 3; ++picture) {
      for (int packet = 0; packet < 4; ++packet) {
        const auto bytes = Packet(packet == 1 ? 0x101 : kVideoPid, packet == 0, length);
        stream.insert(stream.end(), bytes.begin(), bytes.end());
      }
    }
    for (size_t piece : {size_t{1}, size_t{100}, size_t{188}, size_t{4 * 188}}) {
      TsPictureScanner scanner;
      scanner.SetPid(kVideoPid);
      int ended = 0;
      int endedEarlier = 0;
      for (size_t offset = 0; offset < stream.size(); offset += piece) {
        const auto found =
            scanner.Scan(stream.data() + offset, std::min(piece, stream.size() - offset));
        ended += found.endedHere + found.endedEarlier;
        endedEarlier += found.endedEarlier;
      }
      EXPECT_EQ(ended, length > 0 ? 3 : 2) << "length " << length << ", pieces of " << piece;
      if (length > 0) {
        EXPECT_EQ(endedEarlier, 0) << "pieces of " << piece;
      }
    }
  }
}

// A picture ends where the next begins; the first drawing is matched with
// the newest picture (those before it could not be shown: a stream joined
// midway), later ones with the oldest waiting, and one left behind for long
// is dropped.
TEST(PictureTimingTest, MeasuresFromTheLastByteAndCountsDroppedPictures) {
  PictureTiming timing;
  timing.SetVideoPid(kVideoPid);
  const auto start = Packet(kVideoPid, true);
  const auto rest = Packet(kVideoPid, false);
  timing.Fed(start.data(), start.size(), At(-80));  // undecodable pictures before
  timing.Fed(start.data(), start.size(), At(-40));
  timing.Fed(start.data(), start.size(), At(0));
  timing.Fed(rest.data(), rest.size(), At(10));    // picture 1 ends at 10 ms
  timing.Fed(start.data(), start.size(), At(40));  // picture 2 begins
  timing.Shown(At(14));
  PictureTiming::Report report = timing.TakeReport();
  EXPECT_EQ(report.shown, 1u);
  EXPECT_EQ(report.dropped, 0u);
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
  EXPECT_DOUBLE_EQ(report.slowestMs, 5);
}

}  // namespace
}  // namespace demo_viewer
