// The FFmpeg decoder library called directly, the same program built for
// Linux (libm4playerApi.so) and for Windows (an .exe beside m4playerApi.dll,
// run under wine), so that the two can be measured side by side on the same
// streams. A plain program: Google Benchmark is not at hand for Windows.
//
//   decoder_race file STREAM.kst...   pictures a second in file mode, on the
//                                     virtual clock (KELO_M4_CLOCK=virtual)
//   decoder_race live STREAM.kst...   live mode on the real clock: from the
//                                     last byte of each picture to its display
//                                     callback, median and 99th percentile
//
// A file-mode stream must end with its end marker (m4stream's default), so
// that its last picture comes out without waiting for the idle flush; a live
// stream is made with --no-end-marker, as a camera sends it. One line per
// stream on standard output.
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "SentPictures.h"
#include "m4playerApi.h"

namespace {

using Clock = std::chrono::steady_clock;
using bench::kFrameMillis;
using bench::SentPicture;

constexpr int32_t kPort = 0;
constexpr int32_t kLiveMode = 0;
constexpr int32_t kFileMode = 1;
constexpr uint32_t kSourceBuffer = 1 << 20;
constexpr size_t kFileBlock = 4096;
// A live picture goes in pieces of seven transport stream packets, one UDP
// datagram's worth.
constexpr size_t kPieceBytes = 7 * bench::kTsPacket;
constexpr int kMaxPictures = 4096;
// With B-frames the last pictures in display order come out only when the
// stream ends; they are left out of the latency.
constexpr size_t kStreamEndPictures = 3;

int64_t NowNanos() { return Clock::now().time_since_epoch().count(); }

// Noted by the display callback: when each picture was first shown, by its
// time stamp (the decoder counts them from the first picture it shows).
std::array<std::atomic<int64_t>, kMaxPictures> shownAt;

int PictureIndex(int64_t timeStampMs) {
  return static_cast<int>((timeStampMs + kFrameMillis / 2) / kFrameMillis);
}

void M4CALL NoteShown(int32_t, const uint8_t*, int32_t, int32_t, int32_t, int32_t timeStamp,
                      int32_t, int32_t) {
  const int64_t now = NowNanos();
  const int index = PictureIndex(timeStamp);
  if (index < 0 || index >= kMaxPictures) return;
  int64_t none = 0;
  shownAt[static_cast<size_t>(index)].compare_exchange_strong(none, now);
}

void ForgetShown() {
  for (auto& at : shownAt) at = 0;
}

struct Stream {
  std::string name;
  std::vector<uint8_t> header;
  std::vector<uint8_t> payload;
};

bool ReadStream(const char* path, Stream& stream) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
  const size_t headerLength = PlayM4_GetFileHeadLength();
  if (bytes.size() <= headerLength) return false;
  stream.name = path;
  stream.name = stream.name.substr(stream.name.find_last_of("/\\") + 1);
  stream.header.assign(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(headerLength));
  stream.payload.assign(bytes.begin() + static_cast<std::ptrdiff_t>(headerLength), bytes.end());
  return true;
}

// Each picture as sent, time stamps in milliseconds from the first.
std::vector<SentPicture> SplitPictures(const Stream& stream) {
  const bool transport = !stream.payload.empty() && stream.payload[0] == 0x47;
  std::vector<SentPicture> pictures = transport ? bench::SplitTransportStream(stream.payload)
                                                : bench::SplitProgramStream(stream.payload);
  if (pictures.empty()) return pictures;
  const int64_t firstPts = pictures.front().ptsMs;
  for (SentPicture& picture : pictures) picture.ptsMs = (picture.ptsMs - firstPts) / 90;
  return pictures;
}

bool Open(const Stream& stream, int32_t mode) {
  ForgetShown();
  return PlayM4_SetStreamOpenMode(kPort, mode) == 1 &&
         PlayM4_OpenStream(kPort, stream.header.data(), static_cast<uint32_t>(stream.header.size()),
                           kSourceBuffer) == 1 &&
         PlayM4_SetDisplayCallBack(kPort, &NoteShown) == 1 && PlayM4_Play(kPort, nullptr) == 1;
}

void Close() {
  PlayM4_SetDisplayCallBack(kPort, nullptr);
  PlayM4_Stop(kPort);
  PlayM4_CloseStream(kPort);
}

// File mode on the virtual clock: the whole stream in 4 KiB blocks, as fast
// as the decoder takes them, until the picture with the last time stamp is
// shown. Millisecond naps while the source buffer is full (shorter ones do
// not sleep under mingw-w64's runtime); the end is the callback's own time,
// so the naps do not round it.
int RunFile(const Stream& stream) {
  const std::vector<SentPicture> pictures = SplitPictures(stream);
  int64_t lastPts = 0;
  for (const SentPicture& picture : pictures) lastPts = std::max(lastPts, picture.ptsMs);
  const int last = PictureIndex(lastPts);
  if (pictures.empty() || last >= kMaxPictures) {
    std::fprintf(stderr, "%s: no pictures found\n", stream.name.c_str());
    return 1;
  }
  const int64_t start = NowNanos();
  if (!Open(stream, kFileMode)) {
    std::fprintf(stderr, "%s: open failed (%d)\n", stream.name.c_str(), PlayM4_GetLastError(kPort));
    return 1;
  }
  for (size_t fed = 0; fed < stream.payload.size();) {
    const size_t size = std::min(kFileBlock, stream.payload.size() - fed);
    if (PlayM4_InputData(kPort, stream.payload.data() + fed, static_cast<uint32_t>(size)) == 1) {
      fed += size;
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  const auto giveUp = Clock::now() + std::chrono::seconds(120);
  while (shownAt[static_cast<size_t>(last)] == 0 && Clock::now() < giveUp) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  const int64_t end = shownAt[static_cast<size_t>(last)];
  int shown = 0;
  for (int index = 0; index <= last; ++index) shown += shownAt[static_cast<size_t>(index)] != 0;
  Close();
  if (end == 0) {
    std::fprintf(stderr, "%s: last picture not shown\n", stream.name.c_str());
    return 1;
  }
  const double seconds = static_cast<double>(end - start) / 1e9;
  std::printf("file %s pictures %d of %d seconds %.3f fps %.1f\n", stream.name.c_str(), shown,
              last + 1, seconds, (last + 1) / seconds);
  return 0;
}

// Live mode on the real clock: each picture's bytes at its time (decoding
// order, a picture interval apart) in datagram-sized pieces; the latency of
// a picture runs from its last byte handed over to its display callback.
int RunLive(const Stream& stream) {
  const std::vector<SentPicture> pictures = SplitPictures(stream);
  if (pictures.empty() || pictures.size() > kMaxPictures) {
    std::fprintf(stderr, "%s: no pictures found\n", stream.name.c_str());
    return 1;
  }
  std::vector<int64_t> lastByteAt(kMaxPictures, 0);
  if (!Open(stream, kLiveMode)) {
    std::fprintf(stderr, "%s: open failed (%d)\n", stream.name.c_str(), PlayM4_GetLastError(kPort));
    return 1;
  }
  const auto start = Clock::now();
  int refused = 0;
  for (size_t index = 0; index < pictures.size(); ++index) {
    std::this_thread::sleep_until(start + std::chrono::milliseconds(kFrameMillis) *
                                              static_cast<int>(index));
    const SentPicture& picture = pictures[index];
    const int shownIndex = PictureIndex(picture.ptsMs);
    for (size_t at = picture.begin; at < picture.end; at += kPieceBytes) {
      const size_t size = std::min(kPieceBytes, picture.end - at);
      const int64_t sentAt = NowNanos();
      if (PlayM4_InputData(kPort, stream.payload.data() + at, static_cast<uint32_t>(size)) != 1) {
        ++refused;
      }
      if (at + size >= picture.end && shownIndex >= 0 && shownIndex < kMaxPictures) {
        lastByteAt[static_cast<size_t>(shownIndex)] = sentAt;
      }
    }
  }
  // The last pictures wait for the stream's end, which the port finds after
  // a second without data.
  std::this_thread::sleep_for(std::chrono::milliseconds(1300));
  Close();
  // Pictures the decoder never showed at the start of the stream (it waits
  // for a picture it can decode) shift its time stamps, which count from
  // the first picture shown: picture |index| sent is stamp |index - lost|.
  size_t sentCount = 0;
  size_t shownCount = 0;
  for (size_t index = 0; index < pictures.size(); ++index) {
    sentCount += lastByteAt[index] != 0;
    shownCount += shownAt[index] != 0;
  }
  const size_t lost = sentCount > shownCount ? sentCount - shownCount : 0;
  std::vector<double> latencies;
  double first = -1;
  for (size_t index = lost; index < pictures.size(); ++index) {
    const int64_t sent = lastByteAt[index];
    const int64_t shownTime = shownAt[index - lost];
    if (sent == 0 || shownTime == 0) continue;
    const double ms = static_cast<double>(shownTime - sent) / 1e6;
    if (index == lost) {
      first = ms;
    } else if (index + kStreamEndPictures < pictures.size()) {
      latencies.push_back(ms);
    }
  }
  std::printf(
      "live %s pictures %zu median_ms %.2f p99_ms %.2f first_ms %.1f shown %zu "
      "lost_at_start %zu refused %d\n",
      stream.name.c_str(), pictures.size(), bench::Percentile(latencies, 0.5),
      bench::Percentile(latencies, 0.99), first, shownCount, lost, refused);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || (std::strcmp(argv[1], "file") != 0 && std::strcmp(argv[1], "live") != 0)) {
    std::fprintf(stderr, "usage: %s file|live STREAM.kst...\n", argv[0]);
    return 2;
  }
  const bool file = std::strcmp(argv[1], "file") == 0;
  // The decoder reads its clock's choice when a stream is opened.
#ifdef _WIN32
  _putenv(file ? "KELO_M4_CLOCK=virtual" : "KELO_M4_CLOCK=");
#else
  if (file) {
    setenv("KELO_M4_CLOCK", "virtual", 1);
  } else {
    unsetenv("KELO_M4_CLOCK");
  }
#endif
  int failed = 0;
  for (int arg = 2; arg < argc; ++arg) {
    Stream stream;
    if (!ReadStream(argv[arg], stream)) {
      std::fprintf(stderr, "%s: not a stream\n", argv[arg]);
      failed = 1;
      continue;
    }
    failed |= file ? RunFile(stream) : RunLive(stream);
    std::fflush(stdout);
  }
  return failed;
}
