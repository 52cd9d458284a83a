// A stream laid out picture by picture as a camera sends it: where each
// picture's bytes lie in a transport or program stream, for the latency
// measurements that feed a picture at its time.
#ifndef KELO_BENCH_SENT_PICTURES_H
#define KELO_BENCH_SENT_PICTURES_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace bench {

constexpr size_t kTsPacket = 188;
// 25 pictures a second, as every benchmark stream is made.
constexpr int kFrameMillis = 40;

// One picture of the stream as sent: where its bytes lie and its time stamp
// (90 kHz as found; callers make it relative to the first picture's).
struct SentPicture {
  size_t begin = 0;
  size_t end = 0;
  int64_t ptsMs = 0;
};

// A transport stream splits at each video packet that starts a PES packet;
// the PES header gives the time stamp.
std::vector<SentPicture> SplitTransportStream(const std::vector<uint8_t>& ts);

// A program stream of MPEG video splits at each picture start code; the time
// stamps follow the pictures' display order.
std::vector<SentPicture> SplitProgramStream(const std::vector<uint8_t>& ps);

// A camera's program stream splits at each pack header (a pack per picture).
std::vector<SentPicture> SplitCameraStream(const std::vector<uint8_t>& ps);

// The value below which |fraction| of |values| lie (-1 for none).
double Percentile(std::vector<double> values, double fraction);

}  // namespace bench

#endif  // KELO_BENCH_SENT_PICTURES_H
