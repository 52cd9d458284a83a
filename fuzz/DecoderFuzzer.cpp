// Drives the FFmpeg decoder through its C functions as a client does: a
// stream header, then blocks of any size, resets, the play controls, the
// display callback, sound and picture settings, bitmap conversions, and a
// close, all taken from the input. Headless (no window, no X display, sound
// to /dev/null) and on the virtual clock, so that pacing never waits. Every
// answer must be one the decoder documents, and every picture given to the
// callback is read whole.
//
// Input layout (little-endian), which scripts/make-decoder-seeds.sh writes:
//
//   byte 0   setup: bits 0-2 the header (0: taken from the input, as a
//            length byte and that many bytes; 1-7: kMadeHeaders[n - 1]),
//            bit 3 file mode (else live), bit 4 sound on, bits 5-6 the
//            source buffer size (kBufferSizes)
//   then     operations, one byte each (Operation, the byte modulo
//            kOperationCount), some followed by their arguments; at most
//            kMaxOperations of them, the rest of the input is ignored
//
// A block's size is a u16 followed by that many bytes (fewer when the
// input ends first, larger than the buffer cut to the buffer).
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "StreamFormat.h"
#include "TestFiles.h"
#include "m4playerApi.h"

namespace {

constexpr int32_t kPort = 0;
constexpr int kMaxOperations = 64;

// The header kinds a seed names, one for each kind of stream the decoder
// is meant for, and a few that pair a container with another codec.
const streamformat::StreamHeader kMadeHeaders[] = {
    {"mpeg", "mpeg2video", "mp2", 0, 0, 25, 1},  {"mpeg", "mpeg4", "", 0, 0, 25, 1},
    {"mpeg", "h264", "mp2", 0, 0, 25, 1},        {"mpegts", "h264", "aac", 0, 0, 25, 1},
    {"mpegts", "hevc", "", 0, 0, 25, 1},         {"mpegts", "mpeg4", "aac", 0, 0, 0, 0},
    {"mpegts", "mpeg2video", "mp2", 0, 0, 0, 0},
};
const uint32_t kBufferSizes[] = {1024, 8192, 51200, 1u << 20};

// The values are the input's; scripts/make-decoder-seeds.sh writes them too.
enum Operation : uint8_t {
  kBlock = 0,       // u16 size, bytes
  kDrain = 1,       // let the decoder take what the buffer holds
  kReset = 2,       // PlayM4_ResetSourceBuffer
  kPlay = 3,        // PlayM4_Play with no window
  kPause = 4,       // byte: pause when odd
  kFast = 5,        // PlayM4_Fast
  kSlow = 6,        // PlayM4_Slow
  kStep = 7,        // PlayM4_OneByOne
  kStop = 8,        // PlayM4_Stop
  kCallback = 9,    // byte: 0 none, 1 read the picture, 2 also call back into the port
  kSettings = 10,   // byte: quality (bit 0), throw level (bits 1-2), sound (3), volume (4-7)
  kEndMarker = 11,  // the end-of-stream marker as a block of its own
  kReopen = 12,     // close, and open again with the same header
  kRegion = 13,     // byte: enable (bit 0); 4 x u16 rectangle
  kQueries = 14,    // picture size, buffer remain, refresh
  kBlock2 = 15,     // more weight for blocks
  kBitmap = 16,     // PlayM4_ConvertToBmpFile: byte type, u8 width, u8 height, u16 size, bytes
  kOperationCount,
};

void Check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "decoder fuzzer: %s\n", what);
  std::abort();
}

// The input read from the front; past its end every read answers zero.
class InputReader {
 public:
  InputReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool AtEnd() const { return at_ >= size_; }
  uint8_t Byte() { return AtEnd() ? 0 : data_[at_++]; }
  uint16_t U16() {
    const uint16_t low = Byte();
    return static_cast<uint16_t>(low | Byte() << 8);
  }
  // Up to |size| bytes in place; |*taken| says how many there were.
  const uint8_t* Bytes(size_t size, size_t* taken) {
    const uint8_t* start = data_ + at_;
    *taken = std::min(size, size_ - std::min(at_, size_));
    at_ += *taken;
    return start;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

// What the display callback does, set by kCallback.
std::atomic<int> callbackMode{0};
std::atomic<uint32_t> pictureSum{0};

void OnPicture(int32_t port, const uint8_t* frame, int32_t frameSize, int32_t width, int32_t height,
               int32_t timeStamp, int32_t frameType, int32_t /*reserved*/) {
  Check(port == kPort, "callback for another port");
  Check(frameType == 1 && width > 0 && height > 0 && timeStamp >= 0, "callback arguments");
  const int64_t chroma = int64_t{(width + 1) / 2} * ((height + 1) / 2);
  Check(frameSize == int64_t{width} * height + 2 * chroma, "callback frame size");
  // Every byte, so that a picture shorter than it says is caught.
  uint32_t sum = 0;
  for (int32_t i = 0; i < frameSize; ++i) sum += frame[i];
  pictureSum.fetch_add(sum);
  if (callbackMode.load() == 2) {
    // Refused whether the stream is still open or closing already.
    Check(PlayM4_CloseStream(port) == 0, "close from the callback");
    PlayM4_RefreshPlay(port);
  }
}

void SleepOneMillisecond() { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }

// What a frame of each bitmap type takes, from the layouts the decoder
// documents; 0 for a type or size it does not take.
size_t FrameBytesNeeded(int32_t type, int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return 0;
  const size_t pixels = size_t{static_cast<uint32_t>(width)} * static_cast<uint32_t>(height);
  const size_t pairs = size_t{static_cast<uint32_t>(width + 1) / 2} * static_cast<uint32_t>(height);
  const size_t chroma = size_t{static_cast<uint32_t>(width + 1) / 2} * ((height + 1) / 2);
  switch (type) {
    case 1:  // YV12
    case 2:  // I420
      return pixels + 2 * chroma;
    case 3:  // YUY2
    case 4:  // UYVY
      return 4 * pairs;
    case 5:  // BGR24
      return 3 * pixels;
    case 6:  // BGRA32
      return 4 * pixels;
    default:
      return 0;
  }
}

class Session {
 public:
  explicit Session(InputReader& input) : input_(input) {}

  void Run() {
    if (Open()) {
      bool open = true;
      for (int count = 0; open && count < kMaxOperations && !input_.AtEnd(); ++count) {
        open = Perform(static_cast<Operation>(input_.Byte() % kOperationCount));
      }
      if (open) Close();
    }
    // The port's settings outlive the stream; the next input starts afresh.
    Check(PlayM4_SetDisplayCallBack(kPort, nullptr) != 0, "callback removal");
    PlayM4_StopSound();
    PlayM4_SetPicQuality(kPort, 1);
    PlayM4_ThrowBFrameNum(kPort, 0);
    PlayM4_SetVolume(kPort, UINT16_MAX);
  }

 private:
  bool Open() {
    const uint8_t setup = input_.Byte();
    const uint8_t headerChoice = setup & 7;
    if (headerChoice == 0) {
      headerSize_ = input_.Byte();
      header_ = input_.Bytes(headerSize_, &headerSize_);
    } else {
      Check(streamformat::EncodeStreamHeader(kMadeHeaders[headerChoice - 1], &madeHeader_),
            "made header");
      header_ = madeHeader_.data();
      headerSize_ = madeHeader_.size();
    }
    live_ = (setup & 8) == 0;
    bufferSize_ = kBufferSizes[(setup >> 5) & 3];
    Check(PlayM4_SetStreamOpenMode(kPort, live_ ? 0 : 1) != 0, "open mode");
    if ((setup & 16) != 0) Check(PlayM4_PlaySound(kPort) != 0, "sound on");
    return OpenStream();
  }

  bool OpenStream() {
    if (PlayM4_OpenStream(kPort, header_, static_cast<uint32_t>(headerSize_), bufferSize_) != 0) {
      return true;
    }
    const int32_t error = PlayM4_GetLastError(kPort);
    // The header bytes may be anything: no header, one naming what this
    // FFmpeg lacks, or too much payload after it for the buffer.
    Check(error == 1 || error == 17 || error == 19, "open refused for no documented reason");
    return false;
  }

  void Close() {
    Check(PlayM4_CloseStream(kPort) != 0, "close of an open stream");
    Check(PlayM4_CloseStream(kPort) == 0 && PlayM4_GetLastError(kPort) == 2, "second close");
  }

  // False when the stream could not be opened again.
  bool Perform(Operation operation) {
    switch (operation) {
      case kBlock:
      case kBlock2: {
        size_t size = 0;
        const uint8_t* block = input_.Bytes(std::min<size_t>(input_.U16(), bufferSize_), &size);
        if (size > 0) Input(block, size);
        break;
      }
      case kDrain:
        Drain();
        break;
      case kReset:
        Check(PlayM4_ResetSourceBuffer(kPort) != 0, "reset");
        break;
      case kPlay:
        Check(PlayM4_Play(kPort, nullptr) != 0, "play");
        playing_ = true;
        break;
      case kPause:
        Controlled(PlayM4_Pause(kPort, input_.Byte() & 1));
        break;
      case kFast:
        Controlled(PlayM4_Fast(kPort));
        break;
      case kSlow:
        Controlled(PlayM4_Slow(kPort));
        break;
      case kStep:
        Controlled(PlayM4_OneByOne(kPort));
        break;
      case kStop:
        Check(PlayM4_Stop(kPort) != 0, "stop");
        playing_ = false;
        break;
      case kCallback: {
        const int mode = input_.Byte() % 3;
        callbackMode.store(mode);
        Check(PlayM4_SetDisplayCallBack(kPort, mode == 0 ? nullptr : &OnPicture) != 0, "callback");
        break;
      }
      case kSettings: {
        const uint8_t settings = input_.Byte();
        Check(PlayM4_SetPicQuality(kPort, settings & 1) != 0, "quality");
        const uint32_t throwLevel = (settings >> 1) & 3;
        Check((PlayM4_ThrowBFrameNum(kPort, throwLevel) != 0) == (throwLevel <= 2), "throw level");
        if ((settings & 8) != 0) {
          Check(PlayM4_PlaySound(kPort) != 0 &&
                    PlayM4_SetVolume(kPort, static_cast<uint16_t>((settings >> 4) * 4369)) != 0,
                "sound");
        } else {
          PlayM4_StopSound();
        }
        break;
      }
      case kEndMarker:
        Input(streamformat::kEndOfStreamMarker.data(), streamformat::kEndOfStreamMarker.size());
        break;
      case kReopen:
        Check(PlayM4_CloseStream(kPort) != 0, "close before reopening");
        playing_ = false;
        return OpenStream();
      case kRegion: {
        const int enable = input_.Byte() & 1;
        RECT rect;
        rect.left = input_.U16();
        rect.top = input_.U16();
        rect.right = input_.U16();
        rect.bottom = input_.U16();
        const bool valid = rect.right > rect.left && rect.bottom > rect.top;
        Check((PlayM4_SetDisplayRegion(kPort, 1, &rect, nullptr, enable) != 0) ==
                  (valid || enable == 0),
              "display region");
        break;
      }
      case kQueries: {
        int32_t width = 0, height = 0;
        if (PlayM4_GetPictureSize(kPort, &width, &height) != 0) {
          Check(width > 0 && height > 0, "picture size");
        }
        Check(PlayM4_GetSourceBufferRemain(kPort) <= bufferSize_, "buffer remain");
        Check(PlayM4_RefreshPlay(kPort) != 0, "refresh");
        break;
      }
      case kBitmap:
        ConvertToBitmap();
        break;
      case kOperationCount:
        break;
    }
    return true;
  }

  // Retried a few times while the buffer is full, as the player does.
  void Input(const uint8_t* block, size_t size) {
    for (int attempt = 0; attempt < 10; ++attempt) {
      if (PlayM4_InputData(kPort, block, static_cast<uint32_t>(size)) != 0) return;
      const int32_t error = PlayM4_GetLastError(kPort);
      Check(error == 11 || error == 20 || CallbackRefusedLast(error),
            "block refused for no documented reason");
      if (error == 20) return;
      SleepOneMillisecond();
    }
  }

  // A frame of exactly the size given, so that a conversion reading past it
  // is caught; whatever the input has left fills it.
  void ConvertToBitmap() {
    static const tests::TempDirectory directory;
    static const std::string path = directory.path() + "picture.bmp";
    const int32_t type = input_.Byte() % 8;
    const int32_t width = input_.Byte();
    const int32_t height = input_.Byte();
    std::vector<uint8_t> frame(input_.U16());
    size_t taken = 0;
    const uint8_t* bytes = input_.Bytes(frame.size(), &taken);
    std::copy(bytes, bytes + taken, frame.begin());
    const size_t needed = FrameBytesNeeded(type, width, height);
    const bool valid = !frame.empty() && needed > 0 && frame.size() >= needed;
    const int converted = PlayM4_ConvertToBmpFile(frame.empty() ? nullptr : frame.data(),
                                                  static_cast<int32_t>(frame.size()), width, height,
                                                  type, path.c_str());
    Check((converted != 0) == valid, "bitmap conversion");
  }

  // Waits (a bounded time) for the decoder to take what the buffer holds.
  void Drain() {
    for (int waited = 0; waited < 50 && PlayM4_GetSourceBufferRemain(kPort) > 0; ++waited) {
      SleepOneMillisecond();
    }
    SleepOneMillisecond();
  }

  // The port's last error is shared by its threads: a callback's refused
  // close may have come after the refusal looked at.
  static bool CallbackRefusedLast(int32_t error) { return error == 2 && callbackMode.load() == 2; }

  // Pause, speed and stepping need a stream that plays.
  void Controlled(int result) {
    Check(result != 0 || (!playing_ && PlayM4_GetLastError(kPort) == 2), "play control");
  }

  InputReader& input_;
  std::array<uint8_t, streamformat::kStreamHeaderLength> madeHeader_{};
  const uint8_t* header_ = nullptr;
  size_t headerSize_ = 0;
  bool live_ = true;
  bool playing_ = false;
  uint32_t bufferSize_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  // Headless and without waits: no X display, sound to nowhere, pacing on
  // the virtual clock.
  unsetenv("DISPLAY");
  setenv("KELO_M4_AUDIO_FILE", "/dev/null", 1);
  setenv("KELO_M4_CLOCK", "virtual", 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  InputReader input(data, size);
  Session(input).Run();
  return 0;
}
