// The player behind SinglePlayer: a record of 32 channels that checks every
// call against it, traces calls and failures, and forwards the work to the
// decoder library.
//
// Threads. Any operation may run on any channel from any thread. Each
// channel has a lock that one operation holds for its checks, its decoder
// calls and its record updates, so that these are atomic towards the other
// operations on the channel; it is never held across a pause (the input
// retries, the capture window), and the display callback never takes it,
// since a decoder may wait for its callback to return while it removes the
// callback or closes the port. Lock order: a channel, then the log.
#ifndef KELO820_SRC_MY820XPLAYSDK_H
#define KELO820_SRC_MY820XPLAYSDK_H

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

#include "FileUtility.h"
#include "Kelo820_PlaySDK.h"
#include "Kelo820_PlaySDKCodes.h"
#include "TicketLock.h"
#include "TraceLog.h"

namespace src {

using kelo820::kChannelCount;
constexpr uint32_t kStreamBufferSize = 51200;
constexpr uint32_t kDefaultColorKey = 0x00FF00FF;
constexpr int32_t kDefaultVideoValue = 50;

// The operations in slot order, as their traces and reports name them.
enum class Operation {
  kInitDDraw,
  kReleaseDDraw,
  kSetOverlayMode,
  kGetPreviewMode,
  kSetOpenMode,
  kOpenStream,
  kInputData,
  kCloseStream,
  kPlayState,
  kGetPlayState,
  kSetVolume,
  kGetVolume,
  kGetPicture,
  kRefreshPlay,
  kGetHeadLen,
  kGetPictureSize,
  kSetPicQuality,
  kGetPicQuality,
  kThrowFrame,
  kGetThrowNum,
  kSetVideoPara,
  kGetVideoPara,
  kSetDispRegion,
  kGetDispRegion,
  kClearBuffer,
  kGetBufferRemainDataSize,
};

struct ChannelState {
  int32_t picQuality = 0;
  int32_t overlayMode = 0;
  int32_t openMode = 0;
  int32_t playState = kelo820::kNotStarted;
  WindowHandle window = nullptr;
  int32_t stepInputAllowed = 0;
  int32_t throwBFrameNum = 0;
  VideoPara videoPara = {
      0, kDefaultVideoValue, kDefaultVideoValue, kDefaultVideoValue, kDefaultVideoValue, 0};
  RECT pictureRect = {0, 0, 0, 0};
  RECT displayRegion = {0, 0, 0, 0};
};

struct Channel {
  TicketLock lock;
  ChannelState state;
  // Counts the streams opened on the channel, so that input that began
  // before a close never reaches a stream opened after it.
  uint32_t streamSerial = 0;
};

// The file name a capture on one channel waits to write its picture to, and
// what became of the last name the display callback took. The requesting
// thread sets the name; the decoder's display thread takes it and records
// its result under the number of the request that set it, so that a request
// finds out whether its own picture arrived and was written.
struct PendingCapture {
  std::mutex lock;
  std::string path;
  uint64_t request = 0;              // the request |path| belongs to
  uint64_t takenRequest = 0;         // the request whose name a callback took last
  uint64_t answeredRequest = 0;      // the request whose conversion ended last
  int32_t answer = 0;                // that conversion's result: 0, or a decoder failure's
  std::condition_variable answered;  // told when a conversion ends
};

class My820xPlaySDK final : public SinglePlayer {
 public:
  My820xPlaySDK() = default;
  My820xPlaySDK(const My820xPlaySDK&) = delete;
  My820xPlaySDK& operator=(const My820xPlaySDK&) = delete;
  ~My820xPlaySDK() = default;

  int32_t Play_InitDDraw(WindowHandle window) override;
  int32_t Play_ReleaseDDraw() override;
  int32_t Play_SetOverlayMode(int32_t channel, uint32_t colorKey) override;
  int32_t Play_GetPreviewMode(int32_t channel, int32_t* mode, uint32_t* colorKey) override;
  int32_t Play_SetOpenMode(int32_t channel, int32_t mode) override;
  int32_t Play_OpenStream(WindowHandle window, int32_t channel, const uint8_t* header,
                          uint32_t headerSize, uint32_t reserved) override;
  int32_t Play_InputData(int32_t channel, const uint8_t* data, uint32_t size,
                         uint32_t reserved) override;
  int32_t Play_CloseStream(int32_t channel) override;
  int32_t Play_PlayState(int32_t channel, int32_t command) override;
  int32_t Play_GetPlayState(int32_t channel, int32_t* state) override;
  int32_t Play_SetVolume(int32_t channel, int32_t volume) override;
  int32_t Play_GetVolume(int32_t channel, int32_t* volume) override;
  int32_t Play_GetPicture(int32_t channel, const char* path) override;
  int32_t Play_RefreshPlay(int32_t channel) override;
  int32_t Play_GetHeadLen(uint32_t* length) override;
  int32_t Play_GetPictureSize(int32_t channel, int32_t* width, int32_t* height) override;
  int32_t Play_SetPicQuality(int32_t channel, int32_t quality) override;
  int32_t Play_GetPicQuality(int32_t channel, int32_t* quality) override;
  int32_t Play_ThrowFrame(int32_t channel, int32_t count) override;
  int32_t Play_GetThrowNum(int32_t channel, int32_t* count) override;
  int32_t Play_SetVideoPara(int32_t channel, VideoPara* para, int32_t useDefault) override;
  int32_t Play_GetVideoPara(int32_t channel, VideoPara* para) override;
  int32_t Play_SetDispRegion(int32_t channel, int32_t enable, const RECT* rect) override;
  int32_t Play_GetDispRegion(int32_t channel, RECT* rect) override;
  int32_t Play_ClearBuffer(int32_t channel) override;
  int32_t Play_GetBufferRemainDataSize(int32_t channel, uint32_t* size) override;

  // Writes the error entry for a decoder error code and returns the result
  // code an operation gives its client: the code plus one, 26 when unknown.
  int32_t ReportDecoderError(int32_t code, const std::string& context);

  // A picture the decoder displayed while a capture was pending.
  void OnDisplayedFrame(int32_t port, const uint8_t* frame, int32_t frameSize, int32_t width,
                        int32_t height, int32_t frameType) noexcept;

  const logging::TraceLog& traceLog() const { return traceLog_; }
  int32_t debugLevel() const { return debugLevel_.load(std::memory_order_relaxed); }

 private:
  // The operation's trace entry, when the debug level asks for it.
  void Trace(Operation operation);
  // An error entry of the player's own, from the caller's |line|.
  int32_t Refuse(int32_t line, const char* message, int32_t result);
  int32_t InvalidArgument(int32_t line);
  int32_t OutOfOrder(int32_t line, const char* message);
  // Asks the decoder why its last call on |channel| failed and reports it.
  int32_t ReportLastError(int32_t channel, const char* context);
  static bool IsChannel(int32_t channel) { return channel >= 0 && channel < kChannelCount; }
  int32_t RunPlayCommand(int32_t channel, int32_t command);
  // Attempts 2 to 10 of a block the decoder refused; the channel is held.
  int32_t RetryInput(int32_t channel, const uint8_t* data, uint32_t size);
  // Reports a refused attempt as the level asks; the result of the report.
  int32_t ReportFailedInput(int32_t channel, uint32_t attempt, bool verbose);
  // The close of an open stream, for Play_CloseStream and for an open that
  // replaces a stream; the caller holds the channel.
  int32_t CloseLocked(int32_t channel);
  // What an operation returns when it could not get what it needs to run
  // (memory, a lock): the result of an allocation failure, with its entry
  // when one can still be written.
  int32_t OutOfResources(Operation operation) noexcept;

  logging::FileUtility fileUtility_;
  logging::TraceLog traceLog_;
  // Only the configuration changes it; atomic because every thread reads it.
  std::atomic<int32_t> debugLevel_{0};
  Channel channels_[kChannelCount];
  // Player-wide settings shared by all channels and so by their threads.
  std::atomic<uint32_t> colorKey_{kDefaultColorKey};
  const uint32_t streamBufferSize_ = kStreamBufferSize;
  std::atomic<int32_t> volume_{0};
  PendingCapture captures_[kChannelCount];
};

}  // namespace src

#endif  // KELO820_SRC_MY820XPLAYSDK_H
