// The 26 operations. Each one traces itself first (when the debug level asks
// for it), checks the channel and its other arguments, calls the decoder and
// updates its records only after the decoder succeeded. Every error entry is
// written from a statement or a table row of its own, so that the line in the
// entry tells which check or which decoder error wrote it.
#include "My820xPlaySDK.h"

#include <chrono>
#include <climits>
#include <cstdlib>
#include <iterator>

#include "DirectoryPath.h"
#include "GbkTexts.h"
#include "Platform.h"
#include "PlayerInstance.h"
#include "ProductPaths.h"
#include "m4playerApi.h"

namespace src {

namespace {

using kelo820::kFast1;
using kelo820::kFast2;
using kelo820::kFast3;
using kelo820::kNotStarted;
using kelo820::kPaused;
using kelo820::kPlaying;
using kelo820::kSlow1;
using kelo820::kSlow2;
using kelo820::kSlow3;
using kelo820::kStepping;

constexpr uint32_t kInputAttempts = 10;
constexpr uint32_t kInputRetryPauseMs = 100;
constexpr uint32_t kCaptureWindowMs = 50;
// How long a capture waits, after its window, for the writing of a picture
// taken in it: far longer than writing one takes, short enough that a
// decoder whose writing never ends does not hold the caller for good.
constexpr uint32_t kConversionWaitMs = 2000;
constexpr int32_t kFallbackPictureWidth = 352;
constexpr int32_t kFallbackPictureHeight = 288;
constexpr int32_t kMaxVolume = 100;
constexpr uint32_t kMaxColorKey = 0x00FFFFFF;
constexpr int32_t kMaxThrowBFrames = 2;
// The decoder's code for an allocation failure, whose words and result an
// operation reports when it runs out of memory itself.
constexpr int32_t kOutOfMemoryCode = 6;

// Debug levels from which an operation writes its trace entry.
constexpr int32_t kTraceLevel = 1;
constexpr int32_t kVerboseLevel = 2;  // Play_InputData and Play_ThrowFrame
constexpr int32_t kNeverTraced = INT32_MAX;

struct OperationText {
  const char* description;
  const char* name;
  int32_t traceLevel;
};

// In the order of Operation.
constexpr OperationText kOperations[] = {
    {"", "Play_InitDDraw", kNeverTraced},
    {"", "Play_ReleaseDDraw", kNeverTraced},
    {common::kTraceSetOverlayMode, "Play_SetOverlayMode", kTraceLevel},
    {common::kTraceGetPreviewMode, "Play_GetPreviewMode", kTraceLevel},
    {common::kTraceSetOpenMode, "Play_SetOpenMode", kTraceLevel},
    {common::kTraceOpenStream, "Play_OpenStream", kTraceLevel},
    {common::kTraceInputData, "Play_InputData", kVerboseLevel},
    {common::kTraceCloseStream, "Play_CloseStream", kTraceLevel},
    {common::kTracePlayState, "Play_PlayState", kTraceLevel},
    {common::kTraceGetPlayState, "Play_GetPlayState", kTraceLevel},
    {common::kTraceSetVolume, "Play_SetVolume", kTraceLevel},
    {common::kTraceGetVolume, "Play_GetVolume", kTraceLevel},
    {common::kTraceGetPicture, "Play_GetPicture", kTraceLevel},
    {common::kTraceRefreshPlay, "Play_RefreshPlay", kTraceLevel},
    {common::kTraceGetHeadLen, "Play_GetHeadLen", kTraceLevel},
    {common::kTraceGetPictureSize, "Play_GetPictureSize", kTraceLevel},
    {common::kTraceSetPicQuality, "Play_SetPicQuality", kTraceLevel},
    {common::kTraceGetPicQuality, "Play_GetPicQuality", kTraceLevel},
    {common::kTraceThrowFrame, "Play_ThrowFrame", kVerboseLevel},
    {common::kTraceGetThrowNum, "Play_GetThrowNum", kTraceLevel},
    {common::kTraceSetVideoPara, "Play_SetVideoPara", kTraceLevel},
    {common::kTraceGetVideoPara, "Play_GetVideoPara", kTraceLevel},
    {common::kTraceSetDispRegion, "Play_SetDispRegion", kTraceLevel},
    {common::kTraceGetDispRegion, "Play_GetDispRegion", kTraceLevel},
    {common::kTraceClearBuffer, "Play_ClearBuffer", kTraceLevel},
    {common::kTraceGetBufferRemain, "Play_GetBufferRemainDataSize", kTraceLevel},
};

const OperationText& TextOf(Operation operation) {
  return kOperations[static_cast<int>(operation)];
}

// A decoder error code, its words and the result an operation returns for
// it. Each row writes its entry with the line it stands on.
struct DecoderErrorRow {
  int32_t code;
  const char* words;
  int32_t result;
  int32_t line;
};

// One row a line: the line is what tells the rows apart in the log.
// clang-format off
constexpr DecoderErrorRow kDecoderErrors[] = {
    {1, common::kDecoderError1, 2, __LINE__},
    {2, common::kDecoderError2, 3, __LINE__},
    {3, common::kDecoderError3, 4, __LINE__},
    {4, common::kDecoderError4, 5, __LINE__},
    {5, common::kDecoderError5, 6, __LINE__},
    {6, common::kDecoderError6, 7, __LINE__},
    {7, common::kDecoderError7, 8, __LINE__},
    {8, common::kDecoderError8, 9, __LINE__},
    {9, common::kDecoderError9, 10, __LINE__},
    {10, common::kDecoderError10, 11, __LINE__},
    {11, common::kDecoderError11, 12, __LINE__},
    {12, common::kDecoderError12, 13, __LINE__},
    {13, common::kDecoderError13, 14, __LINE__},
    {14, common::kDecoderError14, 15, __LINE__},
    {15, common::kDecoderError15, 16, __LINE__},
    {16, common::kDecoderError16, 17, __LINE__},
    {17, common::kDecoderError17, 18, __LINE__},
    {18, common::kDecoderError18, 19, __LINE__},
    {19, common::kDecoderError19, 20, __LINE__},
    {20, common::kDecoderError20, 21, __LINE__},
    {21, common::kDecoderError21, 22, __LINE__},
    {22, common::kDecoderError22, 23, __LINE__},
    {23, common::kDecoderError23, 24, __LINE__},
};
// clang-format on
// Any other code, with its own number in the entry.
constexpr DecoderErrorRow kUnknownDecoderError = {0, common::kDecoderErrorUnknown, 26, __LINE__};

// The decoder calls that play commands are made of.
enum class PlayCall { kPlay, kResume, kPause, kFaster, kSlower };

struct PlayStep {
  PlayCall call;
  const char* context;  // reported when the call fails; null ends the row
};

struct PlayCommand {
  int32_t command;
  PlayStep steps[4];
};

// Commands 1 to 8, in order. A speed level counts from normal speed: each
// speed command starts with PlayM4_Play. The context texts are fixed per
// call and are what the error log has always shown, the irregular ones
// included.
constexpr PlayStep kPlayFirst = {PlayCall::kPlay, "PlayM4_Play()"};
constexpr PlayCommand kPlayCommands[] = {
    {kPlaying, {kPlayFirst, {PlayCall::kResume, "PlayM4_Pause()"}}},
    {kPaused, {{PlayCall::kPause, "PlayM4_Pause()"}}},
    {kFast1, {kPlayFirst, {PlayCall::kFaster, "MP4Play_Fast()"}}},
    {kFast2,
     {kPlayFirst, {PlayCall::kFaster, "MP4Play_Fast(1)"}, {PlayCall::kFaster, "PlayM4_Fast(2)"}}},
    {kFast3,
     {kPlayFirst,
      {PlayCall::kFaster, "PlayM4_Fast(1)"},
      {PlayCall::kFaster, "PlayM4_Fast(2)"},
      {PlayCall::kFaster, "PlayM4_Fast(3)"}}},
    {kSlow1, {kPlayFirst, {PlayCall::kSlower, "PlayM4_Slow()"}}},
    {kSlow2,
     {kPlayFirst, {PlayCall::kSlower, "PlayM4_Slow()"}, {PlayCall::kSlower, "PlayM4_Slow()"}}},
    {kSlow3,
     {kPlayFirst,
      {PlayCall::kSlower, "PlayM4_Slow(1)"},
      {PlayCall::kSlower, "PlayM4_Slow(2)"},
      {PlayCall::kSlower, "PlayM4_Slow(3)"}}},
};

bool MakePlayCall(PlayCall call, int32_t channel, WindowHandle window) {
  switch (call) {
    case PlayCall::kPlay:
      return PlayM4_Play(channel, window) != 0;
    case PlayCall::kResume:
      return PlayM4_Pause(channel, 0) != 0;
    case PlayCall::kPause:
      return PlayM4_Pause(channel, 1) != 0;
    case PlayCall::kFaster:
      return PlayM4_Fast(channel) != 0;
    case PlayCall::kSlower:
      return PlayM4_Slow(channel) != 0;
  }
  return false;
}

const char* const kEmpty = "";

using ChannelLock = std::lock_guard<TicketLock>;

// The pause between two attempts at a block, with the channel free; it is
// held again afterwards, also when the pause ends in an exception.
void PauseInput(TicketLock& channel) {
  struct Relock {
    TicketLock& lock;
    ~Relock() { lock.lock(); }
  };
  channel.unlock();
  Relock relock{channel};
  platform::CurrentPlatform().SleepMilliseconds(kInputRetryPauseMs);
}

void M4CALL DisplayCallback(int32_t port, const uint8_t* frame, int32_t frameSize, int32_t width,
                            int32_t height, int32_t /*timeStamp*/, int32_t frameType,
                            int32_t /*reserved*/) noexcept try {
  PlayerInstance::WithLivePlayer([&](My820xPlaySDK& player) {
    player.OnDisplayedFrame(port, frame, frameSize, width, height, frameType);
  });
} catch (...) {
  // Nothing may reach the decoder's thread.
}

// DEBUG_LEVEL as atoi reads it, held to the range of the level.
int32_t ParseDebugLevel(const std::string& text) {
  const long long value = std::strtoll(text.c_str(), nullptr, 10);
  if (value < INT32_MIN) return INT32_MIN;
  if (value > INT32_MAX) return INT32_MAX;
  return static_cast<int32_t>(value);
}

}  // namespace

void My820xPlaySDK::Trace(Operation operation) {
  const OperationText& text = TextOf(operation);
  if (debugLevel() < text.traceLevel) return;
  traceLog_.WriteTrace(text.description, text.name, kEmpty, kEmpty, kEmpty, kEmpty);
}

int32_t My820xPlaySDK::Refuse(int32_t line, const char* message, int32_t result) {
  traceLog_.WriteError(__FILE__, line, 0, message);
  return result;
}

int32_t My820xPlaySDK::InvalidArgument(int32_t line) {
  return Refuse(line, common::kInvalidParameter, kelo820::kInvalidArgument);
}

int32_t My820xPlaySDK::OutOfOrder(int32_t line, const char* message) {
  return Refuse(line, message, kelo820::kOutOfOrder);
}

int32_t My820xPlaySDK::OutOfResources(Operation operation) noexcept {
  try {
    return ReportDecoderError(kOutOfMemoryCode, TextOf(operation).name);
  } catch (...) {
    return kelo820::kOutOfMemory;
  }
}

int32_t My820xPlaySDK::ReportLastError(int32_t channel, const char* context) {
  const int32_t code = PlayM4_GetLastError(channel);
  return ReportDecoderError(code, context);
}

int32_t My820xPlaySDK::ReportDecoderError(int32_t code, const std::string& context) {
  const DecoderErrorRow& row = code >= 1 && code <= static_cast<int32_t>(std::size(kDecoderErrors))
                                   ? kDecoderErrors[code - 1]
                                   : kUnknownDecoderError;
  traceLog_.WriteErrorWithContext(__FILE__, row.line, code, row.words, context);
  return row.result;
}

int32_t My820xPlaySDK::RunPlayCommand(int32_t channel, int32_t command) {
  const WindowHandle window = channels_[channel].state.window;
  for (const PlayStep& step : kPlayCommands[command - kPlaying].steps) {
    if (step.context == nullptr) break;
    if (!MakePlayCall(step.call, channel, window)) return ReportLastError(channel, step.context);
  }
  return kelo820::kOk;
}

// ---------------------------------------------------------------------------
// Display initialisation and release

int32_t My820xPlaySDK::Play_InitDDraw(WindowHandle window) try {
  std::string driveRoot;
  if (!platform::CurrentPlatform().SystemDriveRoot(&driveRoot)) return kelo820::kNoSystemDirectory;
  const std::string configFile = common::ConfigFilePath(driveRoot);

  std::string traceDirectory;
  if (fileUtility_.ReadConfigValue(configFile, "GLOBAL", "TRACE_PATH", &traceDirectory) != 0) {
    traceDirectory = common::DefaultTraceDirectory();
  }
  // An empty value stays empty: the logs then go to the current directory.
  common::NormaliseDirectoryPath(traceDirectory);
  fileUtility_.MakeDirectoryPath(traceDirectory);
  traceLog_.SetRuntimeLogFile(traceDirectory + common::kRuntimeLogName);
  traceLog_.SetErrorLogFile(traceDirectory + common::kErrorLogName);

  std::string level;
  fileUtility_.ReadConfigValue(configFile, "GLOBAL", "DEBUG_LEVEL", &level);
  debugLevel_.store(ParseDebugLevel(level), std::memory_order_relaxed);

  if (!PlayM4_InitDDraw(window)) {
    traceLog_.WriteError(__FILE__, __LINE__, 0, "PlayM4_InitDDraw() error");
  }
  return kelo820::kOk;
} catch (...) {
  return OutOfResources(Operation::kInitDDraw);
}

int32_t My820xPlaySDK::Play_ReleaseDDraw() try {
  if (!PlayM4_RealeseDDraw()) {
    traceLog_.WriteError(__FILE__, __LINE__, 0, "MP4Play_RealeseDDraw() error");
  }
  return kelo820::kOk;
} catch (...) {
  return OutOfResources(Operation::kReleaseDDraw);
}

// ---------------------------------------------------------------------------
// Stream open, input and close

int32_t My820xPlaySDK::Play_SetOpenMode(int32_t channel, int32_t mode) try {
  Trace(Operation::kSetOpenMode);
  if (!IsChannel(channel)) return InvalidArgument(__LINE__);
  if (mode != 0 && mode != 1) return InvalidArgument(__LINE__);
  ChannelLock lock(channels_[channel].lock);
  // Recorded even if the decoder then refuses it.
  channels_[channel].state.openMode = mode;
  if (!PlayM4_SetStreamOpenMode(channel, mode)) {
    return ReportLastError(channel, "PlayM4_SetStreamOpenMode()");
  }
  return kelo820::kOk;
} catch (...) {
  return OutOfResources(Operation::kSetOpenMode);
}

int32_t My820xPlaySDK::Play_OpenStream(WindowHandle window, int32_t channel, const uint8_t* header,
                                       uint32_t headerSize, uint32_t /*reserved*/) try {
  Trace(Operation::kOpenStream);
  if (!IsChannel(channel)) return InvalidArgument(__LINE__);
  if (header == nullptr) return InvalidArgument(__LINE__);
  if (headerSize == 0) return InvalidArgument(__LINE__);

  Channel& record = channels_[channel];
  // Held from the close of the old stream to the start of the new one, so
  // that no other operation sees the channel in between.
  ChannelLock lock(record.lock);
  if (record.state.playState != kNotStarted) {
    traceLog_.WriteError(__FILE__, __LINE__, 0, common::kStopPlaybackFirst);
    // The close runs in full, with its own trace.
    Trace(Operation::kCloseStream);
    const int32_t closed = CloseLocked(channel);
    if (closed != kelo820::kOk) {
      traceLog_.WriteError(__FILE__, __LINE__, closed, "Play_CloseStream() error");
      return closed;
    }
  }

  if (!PlayM4_OpenStream(channel, header, headerSize, streamBufferSize_)) {
    return ReportLastError(channel, "PlayM4_OpenStream");
  }
  if (!PlayM4_Play(channel, window)) {
    const int32_t result = ReportLastError(channel, "PlayM4_Play()");
    // The channel stays closed, so the decoder's stream must not stay open.
    PlayM4_CloseStream(channel);
    return result;
  }
  record.state.window = window;
  record.state.playState = kPlaying;
  ++record.streamSerial;
  return kelo820::kOk;
} catch (...) {
  return OutOfResources(Operation::kOpenStream);
}

int32_t My820xPlaySDK::Play_InputData(int32_t channel, const uint8_t* data, uint32_t size,
                                      uint32_t /*reserved*/) try {
  Trace(Operation::kInputData);
  if (!IsChannel(channel)) return InvalidArgument(__LINE__);
  if (data == nullptr) return InvalidArgument(__LINE__);
  if (size == 0) return InvalidArgument(__LINE__);
  Channel& record = channels_[channel];
  ChannelState& state = record.state;
  ChannelLock lock(record.lock);
  if (state.playState == kNotStarted) return OutOfOrder(__LINE__, common::kInputToClosedChannel);
  // While stepping, each step command lets exactly one block through;
  // passing uses the step up, so a step granted while this block is still
  // retried is there for the next one.
  if (state.playState == kStepping) {
    if (state.stepInputAllowed != 1) return kelo820::kInputRefused;
    state.stepInputAllowed = 0;
  }
  if (PlayM4_InputData(channel, data, size)) return kelo820::kOk;
  return RetryInput(channel, data, size);
} catch (...) {
  return OutOfResources(Operation::kInputData);
}

// After the first attempt failed: the other nine, 100 ms apart. Called with
// the channel held, and returns with it held; in between the channel is held
// for one attempt at a time, never across a pause, so that a close or a play
// command need not wait out the retries.
int32_t My820xPlaySDK::RetryInput(int32_t channel, const uint8_t* data, uint32_t size) {
  Channel& record = channels_[channel];
  const uint32_t stream = record.streamSerial;
  const bool verbose = debugLevel() >= kVerboseLevel;
  int32_t result = ReportFailedInput(channel, 1, verbose);
  for (uint32_t attempt = 2; attempt <= kInputAttempts; ++attempt) {
    PauseInput(record.lock);
    // A stream closed, or replaced, since the block came is not fed it.
    if (record.state.playState == kNotStarted || record.streamSerial != stream) {
      return OutOfOrder(__LINE__, common::kInputToClosedChannel);
    }
    if (PlayM4_InputData(channel, data, size)) return kelo820::kOk;
    result = ReportFailedInput(channel, attempt, verbose);
  }
  PauseInput(record.lock);
  return result;
}

int32_t My820xPlaySDK::ReportFailedInput(int32_t channel, uint32_t attempt, bool verbose) {
  const int32_t code = PlayM4_GetLastError(channel);
  // A dropped block always leaves one entry, whatever the level.
  if (verbose || attempt == kInputAttempts) {
    return ReportDecoderError(code, "PlayM4_InputData()");
  }
  return kelo820::kOk;
}

int32_t My820xPlaySDK::Play_CloseStream(int32_t channel) try {
  Trace(Operation::kCloseStream);
  if (!IsChannel(channel)) return InvalidArgument(__LINE__);
  ChannelLock lock(channels_[channel].lock);
  return CloseLocked(channel);
} catch (...) {
  return OutOfResources(Operation::kCloseStream);
}

int32_t My820xPlaySDK::CloseLocked(int32_t channel) {
  ChannelState& state = channels_[channel].state;
  if (state.playState == kNotStarted) {
    return OutOfOrder(__LINE__, common::kCannotStopUnstarted);
  }
  if (!PlayM4_Stop(channel)) return ReportLastError(channel, "PlayM4_Stop()");
  if (!PlayM4_CloseStream(channel)) return ReportLastError(channel, "PlayM4_CloseStream()");
  state.playState = kNotStarted;
  state.videoPara.value1 = kDefaultVideoValue;
  state.videoPara.value2 = kDefaultVideoValue;
  state.videoPara.value3 = kDefaultVideoValue;
  state.videoPara.value4 = kDefaultVideoValue;
  return kelo820::kOk;
}

// ---------------------------------------------------------------------------
// Playback control

int32_t My820xPlaySDK::Play_PlayState(int32_t channel, int32_t command) try {
  Trace(Operation::kPlayState);
  if (!IsChannel(channel)) return InvalidArgument(__LINE__);
  ChannelLock lock(channels_[channel].lock);
  ChannelState& state = channels_[channel].state;
  if (state.playState == kNotStarted) {
    return OutOfOrder(__LINE__, common::kCannotChangeUnstarted);
  }
  if (command < kPlaying || command > kStepping) return kelo820::kOk;

  if (command == kStepping) {
    // A step the decoder refused is reported and changes nothing: input
    // stays gated as it was, rather than gated for a decoder not stepping.
    if (!PlayM4_OneByOne(channel)) return ReportLastError(channel, "PlayM4_OneByOne()");
    if (state.playState == kStepping) {
      state.stepInputAllowed = 1;
    } else {
      state.stepInputAllowed = 0;
      state.playState = kStepping;
    }
    return kelo820::kOk;
  }

  if (state.playState == command) return kelo820::kOk;
  const int32_t result = RunPlayCommand(channel, command);
  if (result == kelo820::kOk) state.playState = command;
  return result;
} catch (...) {
  return OutOfResources(Operation::kPlayState);
}

int32_t My820xPlaySDK::Play_GetPlayState(int32_t channel, int32_t* state) try {
  Trace(Operation::kGetPlayState);
  if (!IsChannel(channel)) return InvalidArgument(__LINE__);
  ChannelLock lock(channels_[channel].lock);
  if (state == nullptr) return InvalidArgument(__LINE__);
  *state = channels_[channel].state.playState;
  return kelo820::kOk;
} catch (...) {
  return OutOfResources(Operation::kGetPlayState);
}

// ---------------------------------------------------------------------------
// Sound and volume

int32_t My820xPlaySDK::Play_SetVolume(int32_t channel, int32_t volume) try {
  Trace(Operation::kSetVolume);
  if (!IsChannel(channel)) return InvalidArgument(__LINE__);
  ChannelLock lock(channels_[channel].lock);
  if (volume < 0 || volume > kMaxVolume) return InvalidArgument(__LINE__);
  if (volume == 0) {
    if (!PlayM4_StopSound()) return ReportLastError(channel, "PlayM4_StopSound()");
    volume_.store(0, std::memory_order_relaxed);
    return kelo820::kOk;
  }
  if (!PlayM4_PlaySound(channel)) return ReportLastError(channel, "PlayM4_PlaySound()");
  // 0..100 onto the decoder's 0..65535, truncated: 1 -> 655, 50 -> 32767.
  const auto decoderVolume = static_cast<uint16_t>(volume * 655.35);
  if (!PlayM4_SetVolume(channel, decoderVolume)) {
    return ReportLastError(channel, "PlayM4_SetVolume()");
  }
  volume_.store(volume, std::memory_order_relaxed);
  return kelo820::kOk;
} catch (...) {
  return OutOfResources(Operation::kSetVolume);
}

int32_t My820xPlaySDK::Play_GetVolume(int32_t channel, int32_t* volume) try {
  Trace(Operation::kGetVolume);
  if (!IsChannel(channel)) return InvalidArgument(__LINE__);
  if (volume == nullptr) return InvalidArgument(__LINE__);
  *volume = volume_.load(std::memory_order_relaxed);
  return kelo820::kOk;
} catch (...) {
  return OutOfResources(Operation::kGetVolume);
}

// ---------------------------------------------------------------------------
// Picture capture

int32_t My820xPlaySDK::Play_GetPicture(int32_t channel, const char* path) try {
  Trace(Operation::kGetPicture);
  if (!IsChannel(channel)) return InvalidArgument(__LINE__);
  if (path == nullptr) return InvalidArgument(__LINE__);
  std::string name(path);
  Channel& record = channels_[channel];
  PendingCapture& capture = captures_[channel];
  uint64_t request = 0;
  {
    ChannelLock lock(record.lock);
    {
      // Only this channel's pending name is replaced.
      std::lock_guard<std::mutex> pending(capture.lock);
      capture.path.swap(name);
      request = ++capture.request;
    }
    if (!PlayM4_SetDisplayCallBack(channel, DisplayCallback)) {
      return ReportLastError(channel, "PlayM4_SetDisplayCallBack()");
    }
  }
  // Long enough for the decoder to display a picture. The channel is free
  // meanwhile.
  platform::CurrentPlatform().SleepMilliseconds(kCaptureWindowMs);
  {
    ChannelLock lock(record.lock);
    if (!PlayM4_SetDisplayCallBack(channel, nullptr)) {
      return ReportLastError(channel, "PlayM4_SetDisplayCallBack()");
    }
  }
  {
    // A decoder may return from the removal while a callback is still
    // writing the picture it took in the window: that writing's outcome is
    // the answer, so it is waited for.
    std::unique_lock<std::mutex> pending(capture.lock);
    if (capture.takenRequest == request &&
        capture.answered.wait_for(pending, std::chrono::milliseconds(kConversionWaitMs),
                                  [&] { return capture.answeredRequest >= request; }) &&
        capture.answeredRequest == request) {
      return capture.answer;
    }
  }
  return Refuse(__LINE__, common::kNoPictureInWindow, kelo820::kNoPictureCaptured);
} catch (...) {
  return OutOfResources(Operation::kGetPicture);
}

// Runs on the decoder's display thread, which may hold locks of the decoder's
// own meanwhile: it takes no channel lock, only the pending name of its port.
void My820xPlaySDK::OnDisplayedFrame(int32_t port, const uint8_t* frame, int32_t frameSize,
                                     int32_t width, int32_t height, int32_t frameType) noexcept
    try {
  // Taking the name empties it: one capture writes at most one file.
  std::string path;
  uint64_t request = 0;
  if (IsChannel(port)) {
    std::lock_guard<std::mutex> pending(captures_[port].lock);
    path.swap(captures_[port].path);
    request = captures_[port].request;
    if (!path.empty()) captures_[port].takenRequest = request;
  }
  if (path.empty()) {
    traceLog_.WriteError(__FILE__, __LINE__, 0, common::kPathNotSet);
    return;
  }
  int32_t result = kelo820::kOk;
  if (!PlayM4_ConvertToBmpFile(frame, frameSize, width, height, frameType, path.c_str())) {
    result = ReportLastError(port, "PlayM4_ConvertToBmpFile()");
  }
  std::lock_guard<std::mutex> pending(captures_[port].lock);
  captures_[port].answeredRequest = request;
  captures_[port].answer = result;
  captures_[port].answered.notify_all();
} catch (...) {
  // Nothing may reach the decoder's thread; the picture is simply not saved.
}

// ---------------------------------------------------------------------------
// Display mode, region and refresh

int32_t My820xPlaySDK::Play_SetOverlayMode(int32_t channel, uint32_t colorKey) try {
  Trace(Operation::kSetOverlayMode);
  if (!IsChannel(channel)) return InvalidArgument(__LINE__);
  ChannelLock lock(channels_[channel].lock);
  if (colorKey > kMaxColorKey) return InvalidArgument(__LINE__);
  // Stored before the decoder is asked, and kept if it refuses.
  channels_[channel].state.overlayMode = 1;
  colorKey_.store(colorKey, std::memory_order_relaxed);
  if (!PlayM4_SetOverlayMode(channel, 1, colorKey)) {
    return ReportLastError(channel, "PlayM4_SetOverlayMode()");
  }
  return kelo820::kOk;
} catch (...) {
  return OutOfResources(Operation::kSetOverlayMode);
}

int32_t My820xPlaySDK::Play_GetPreviewMode(int32_t channel, int32_t* mode, uint32_t* colorKey) try {
  Trace(Operation::kGetPreviewMode);
  if (!IsChannel(channel)) return InvalidArgument(__LINE__);
  ChannelLock lock(channels_[channel].lock);
  if (mode == nullptr || colorKey == nullptr) {
    return InvalidArgument(__LINE__);
  }
  *mode = channels_[channel].state.overlayMode;
  *colorKey = colorKey_.load(std::memory_order_relaxed);
  return kelo820::kOk;
} catch (...) {
  return OutOfResources(Operation::kGetPreviewMode);
}

int32_t My820xPlaySDK::Play_RefreshPlay(int32_t channel) try {
  Trace(Operation::kRefreshPlay);
  if (!IsChannel(channel)) return InvalidArgument(__LINE__);
  ChannelLock lock(channels_[channel].lock);
  if (!PlayM4_RefreshPlay(channel)) return ReportLastError(channel, "PlayM4_RefreshPlay()");
  return kelo820::kOk;
} catch (...) {
  return OutOfResources(Operation::kRefreshPlay);
}

int32_t My820xPlaySDK::Play_SetDispRegion(int32_t channel, int32_t enable, const RECT* rect) try {
  Trace(Operation::kSetDispRegion);
  if (!IsChannel(channel)) return InvalidArgument(__LINE__);
  ChannelLock lock(channels_[channel].lock);
  ChannelState& state = channels_[channel].state;
  if (enable == 0) {
    // Hiding passes the rectangle on unexamined.
    if (!PlayM4_SetDisplayRegion(channel, 1, rect, state.window, 0)) {
      return ReportLastError(channel, "PlayM4_SetDisplayRegion(FALSE)");
    }
    state.displayRegion = RECT{0, 0, 0, 0};
    return kelo820::kOk;
  }
  if (rect == nullptr) return InvalidArgument(__LINE__);
  // Bounded by the picture size last read on the channel; edges equal to the
  // width or height are inside.
  if (rect->top < 0) return InvalidArgument(__LINE__);
  if (rect->left < 0) return InvalidArgument(__LINE__);
  if (rect->right > state.pictureRect.right) return InvalidArgument(__LINE__);
  if (rect->bottom > state.pictureRect.bottom) return InvalidArgument(__LINE__);
  if (!PlayM4_SetDisplayRegion(channel, 1, rect, state.window, enable)) {
    return ReportLastError(channel, "PlayM4_SetDisplayRegion(TRUE)");
  }
  state.displayRegion = *rect;
  return kelo820::kOk;
} catch (...) {
  return OutOfResources(Operation::kSetDispRegion);
}

int32_t My820xPlaySDK::Play_GetDispRegion(int32_t channel, RECT* rect) try {
  Trace(Operation::kGetDispRegion);
  if (!IsChannel(channel)) return InvalidArgument(__LINE__);
  ChannelLock lock(channels_[channel].lock);
  if (rect == nullptr) return InvalidArgument(__LINE__);
  *rect = channels_[channel].state.displayRegion;
  return kelo820::kOk;
} catch (...) {
  return OutOfResources(Operation::kGetDispRegion);
}

// ---------------------------------------------------------------------------
// Picture size, quality and video parameters

int32_t My820xPlaySDK::Play_GetPictureSize(int32_t channel, int32_t* width, int32_t* height) try {
  Trace(Operation::kGetPictureSize);
  if (!IsChannel(channel)) return InvalidArgument(__LINE__);
  ChannelLock lock(channels_[channel].lock);
  if (width == nullptr || height == nullptr) {
    return InvalidArgument(__LINE__);
  }
  int32_t decodedWidth = 0;
  int32_t decodedHeight = 0;
  if (!PlayM4_GetPictureSize(channel, &decodedWidth, &decodedHeight)) {
    // The client still gets a usable size; the record keeps the last real one.
    *width = kFallbackPictureWidth;
    *height = kFallbackPictureHeight;
    return ReportLastError(channel, "PlayM4_GetPictureSize()");
  }
  *width = decodedWidth;
  *height = decodedHeight;
  channels_[channel].state.pictureRect = RECT{0, 0, decodedWidth, decodedHeight};
  return kelo820::kOk;
} catch (...) {
  return OutOfResources(Operation::kGetPictureSize);
}

int32_t My820xPlaySDK::Play_SetPicQuality(int32_t channel, int32_t quality) try {
  Trace(Operation::kSetPicQuality);
  if (!IsChannel(channel)) return InvalidArgument(__LINE__);
  ChannelLock lock(channels_[channel].lock);
  if (!PlayM4_SetPicQuality(channel, quality)) {
    return ReportLastError(channel, "PlayM4_SetPicQuality()");
  }
  channels_[channel].state.picQuality = quality;
  return kelo820::kOk;
} catch (...) {
  return OutOfResources(Operation::kSetPicQuality);
}

int32_t My820xPlaySDK::Play_GetPicQuality(int32_t channel, int32_t* quality) try {
  Trace(Operation::kGetPicQuality);
  if (!IsChannel(channel)) return InvalidArgument(__LINE__);
  ChannelLock lock(channels_[channel].lock);
  if (quality == nullptr) return InvalidArgument(__LINE__);
  *quality = channels_[channel].state.picQuality;
  return kelo820::kOk;
} catch (...) {
  return OutOfResources(Operation::kGetPicQuality);
}

int32_t My820xPlaySDK::Play_SetVideoPara(int32_t channel, VideoPara* para, int32_t useDefault) try {
  Trace(Operation::kSetVideoPara);
  if (!IsChannel(channel)) return InvalidArgument(__LINE__);
  ChannelLock lock(channels_[channel].lock);
  if (para == nullptr) return InvalidArgument(__LINE__);
  // Only the first two values have a range; the defaults are written into
  // the caller's record after the check.
  if (para->value1 < 0 || para->value1 > 100 || para->value2 < 0 || para->value2 > 100) {
    return InvalidArgument(__LINE__);
  }
  if (useDefault != 0) {
    para->value1 = kDefaultVideoValue;
    para->value2 = kDefaultVideoValue;
    para->value3 = kDefaultVideoValue;
    para->value4 = kDefaultVideoValue;
  }
  VideoPara& stored = channels_[channel].state.videoPara;
  stored.value1 = para->value1;
  stored.value2 = para->value2;
  stored.value3 = para->value3;
  stored.value4 = para->value4;
  return kelo820::kOk;
} catch (...) {
  return OutOfResources(Operation::kSetVideoPara);
}

int32_t My820xPlaySDK::Play_GetVideoPara(int32_t channel, VideoPara* para) try {
  Trace(Operation::kGetVideoPara);
  if (!IsChannel(channel)) return InvalidArgument(__LINE__);
  ChannelLock lock(channels_[channel].lock);
  if (para == nullptr) return InvalidArgument(__LINE__);
  *para = channels_[channel].state.videoPara;
  return kelo820::kOk;
} catch (...) {
  return OutOfResources(Operation::kGetVideoPara);
}

// ---------------------------------------------------------------------------
// Buffer and frame controls

int32_t My820xPlaySDK::Play_GetHeadLen(uint32_t* length) try {
  Trace(Operation::kGetHeadLen);
  if (length == nullptr) return InvalidArgument(__LINE__);
  *length = PlayM4_GetFileHeadLength();
  return kelo820::kOk;
} catch (...) {
  return OutOfResources(Operation::kGetHeadLen);
}

int32_t My820xPlaySDK::Play_ThrowFrame(int32_t channel, int32_t count) try {
  const bool verbose = debugLevel() >= kVerboseLevel;
  Trace(Operation::kThrowFrame);
  if (!IsChannel(channel)) return InvalidArgument(__LINE__);
  ChannelLock lock(channels_[channel].lock);
  if (count < 0 || count > kMaxThrowBFrames) return InvalidArgument(__LINE__);
  if (!PlayM4_ThrowBFrameNum(channel, static_cast<uint32_t>(count))) {
    // Frame dropping is advisory: the client is not told of a refusal.
    const int32_t code = PlayM4_GetLastError(channel);
    if (verbose) ReportDecoderError(code, "PlayM4_ThrowBFrameNum()");
  }
  channels_[channel].state.throwBFrameNum = count;
  return kelo820::kOk;
} catch (...) {
  return OutOfResources(Operation::kThrowFrame);
}

int32_t My820xPlaySDK::Play_GetThrowNum(int32_t channel, int32_t* count) try {
  Trace(Operation::kGetThrowNum);
  if (!IsChannel(channel)) return InvalidArgument(__LINE__);
  ChannelLock lock(channels_[channel].lock);
  if (count == nullptr) return InvalidArgument(__LINE__);
  *count = channels_[channel].state.throwBFrameNum;
  return kelo820::kOk;
} catch (...) {
  return OutOfResources(Operation::kGetThrowNum);
}

int32_t My820xPlaySDK::Play_ClearBuffer(int32_t channel) try {
  Trace(Operation::kClearBuffer);
  if (!IsChannel(channel)) return InvalidArgument(__LINE__);
  ChannelLock lock(channels_[channel].lock);
  if (!PlayM4_ResetSourceBuffer(channel)) {
    return ReportLastError(channel, "PlayM4_ResetSourceBuffer()");
  }
  return kelo820::kOk;
} catch (...) {
  return OutOfResources(Operation::kClearBuffer);
}

int32_t My820xPlaySDK::Play_GetBufferRemainDataSize(int32_t channel, uint32_t* size) try {
  Trace(Operation::kGetBufferRemainDataSize);
  if (!IsChannel(channel)) return InvalidArgument(__LINE__);
  ChannelLock lock(channels_[channel].lock);
  if (size == nullptr) return InvalidArgument(__LINE__);
  *size = PlayM4_GetSourceBufferRemain(channel);
  return kelo820::kOk;
} catch (...) {
  return OutOfResources(Operation::kGetBufferRemainDataSize);
}

}  // namespace src
