// What a live tile's pictures go through: when the last byte of each picture
// reached the player and when the window showed one, so that the viewer can
// tell the pictures shown per second, how long they waited and how many
// never appeared.
#ifndef KELO_DEMO_VIEWER_PICTURE_TIMING_H
#define KELO_DEMO_VIEWER_PICTURE_TIMING_H

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

namespace demo_viewer {

using TimingClock = std::chrono::steady_clock;

// Finds where the pictures of one elementary stream end in a transport
// stream that arrives in pieces of any size. Each PES packet of |pid| is a
// picture; one that gives its length ends with its last byte, one that does
// not (length 0, as most encoders write video) where the next one begins.
class TsPictureScanner {
 public:
  void SetPid(int pid) { pid_ = pid; }
  struct Found {
    int endedEarlier = 0;  // pictures whose last byte came in an earlier piece
    int endedHere = 0;     // pictures whose last byte is in this piece
    bool payload = false;  // the piece holds some of the pid's payload
  };
  Found Scan(const uint8_t* data, size_t size);

 private:
  void ScanPacket(const uint8_t* packet, Found* found);

  int pid_ = -1;
  bool open_ = false;             // a picture has begun and not yet ended
  int64_t remaining_ = 0;         // its bytes still to come; -1 when it gives no length
  std::vector<uint8_t> partial_;  // the start of a packet cut by the piece's end
};

class PictureTiming {
 public:
  // A picture is counted as dropped when it waited this long and a later
  // one has been shown instead.
  static constexpr std::chrono::milliseconds kDropAge{500};

  // Feeding side: a transport stream piece has just gone to the player.
  void Fed(const uint8_t* data, size_t size, TimingClock::time_point now);
  void SetVideoPid(int pid);
  // Forgets the pictures in flight (a new connection starts afresh); the
  // first drawing after it matches the newest picture, not the oldest.
  void Restart();

  // Window side: a picture was drawn into the tile at |when|.
  void Shown(TimingClock::time_point when);

  struct Report {
    uint64_t shown = 0;    // pictures drawn since the last report
    uint64_t dropped = 0;  // in total
    bool haveLatency = false;
    double medianMs = 0;   // of the pictures shown since the last report
    double slowestMs = 0;  // the 99th percentile of the same
  };
  Report TakeReport();

 private:
  mutable std::mutex mutex_;
  TsPictureScanner scanner_;
  // Until the first drawing, pictures that cannot be shown pile up: those
  // before the first key picture of a stream joined midway.
  bool shownAny_ = false;
  TimingClock::time_point lastPayload_{};
  std::deque<TimingClock::time_point> arrived_;  // last bytes of complete pictures
  std::vector<double> latenciesMs_;
  uint64_t shown_ = 0;
  uint64_t dropped_ = 0;
};

}  // namespace demo_viewer

#endif  // KELO_DEMO_VIEWER_PICTURE_TIMING_H
