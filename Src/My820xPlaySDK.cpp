// The 26 operations. Each one traces itself first (when the debug level asks
// for it), checks the channel and its other arguments, calls the decoder and
// updates its records only after the decoder succeeded. Every error entry is
// written from a statement of its own, so that the line in the entry tells
// which check or which decoder error wrote it.
#include "My820xPlaySDK.h"

#include <climits>
#include <cstdlib>

#include "DirectoryPath.h"
#include "GbkTexts.h"
#include "Platform.h"
#include "PlayerInstance.h"
#include "SharedConstants.h"
#include "m4playerApi.h"

namespace kelo {

namespace {

constexpr uint32_t kInputAttempts = 10;
constexpr uint32_t kInputRetryPauseMs = 100;
constexpr uint32_t kCaptureWindowMs = 50;
constexpr int32_t kFallbackPictureWidth = 352;
constexpr int32_t kFallbackPictureHeight = 288;
constexpr int32_t kMaxVolume = 100;
constexpr uint32_t kMaxColorKey = 0x00FFFFFF;
constexpr int32_t kMaxThrowBFrames = 2;

// Debug levels at which traces are written.
constexpr int32_t kTraceLevel = 1;
constexpr int32_t kVerboseLevel = 2;  // Play_InputData and Play_ThrowFrame

// Result codes of the player's own refusals.
constexpr int32_t kResultOk = 0;
constexpr int32_t kResultInvalidParameter = 2;
constexpr int32_t kResultOutOfOrder = 3;
constexpr int32_t kResultStepping = 12;

// The decoder's code for an allocation failure, whose words and result an
// operation reports when it runs out of memory itself.
constexpr int32_t kOutOfMemoryCode = 6;
constexpr int32_t kResultOutOfMemory = 7;

const char* const kEmpty = "";

using ChannelLock = std::lock_guard<TicketLock>;

void M4CALL DisplayCallback(int32_t port, const uint8_t* frame, int32_t frameSize,
                            int32_t width, int32_t height, int32_t /*timeStamp*/,
                            int32_t frameType, int32_t /*reserved*/) noexcept try {
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

void My820xPlaySDK::Trace(const char* description, const char* name) {
  traceLog_.WriteTrace(description, name, kEmpty, kEmpty, kEmpty, kEmpty);
}

int32_t My820xPlaySDK::Refuse(int32_t line, const char* message, int32_t result) {
  traceLog_.WriteError(__FILE__, line, 0, message);
  return result;
}

int32_t My820xPlaySDK::OutOfResources(const char* operation) noexcept {
  try {
    return ReportDecoderError(kOutOfMemoryCode, operation);
  } catch (...) {
    return kResultOutOfMemory;
  }
}

int32_t My820xPlaySDK::ReportLastError(int32_t channel, const char* context) {
  const int32_t code = PlayM4_GetLastError(channel);
  return ReportDecoderError(code, context);
}

int32_t My820xPlaySDK::ReportDecoderError(int32_t code, const std::string& context) {
  switch (code) {
    case 1: traceLog_.WriteErrorWithContext(__FILE__, __LINE__, code, gbk::kDecoderError1, context); return 2;
    case 2: traceLog_.WriteErrorWithContext(__FILE__, __LINE__, code, gbk::kDecoderError2, context); return 3;
    case 3: traceLog_.WriteErrorWithContext(__FILE__, __LINE__, code, gbk::kDecoderError3, context); return 4;
    case 4: traceLog_.WriteErrorWithContext(__FILE__, __LINE__, code, gbk::kDecoderError4, context); return 5;
    case 5: traceLog_.WriteErrorWithContext(__FILE__, __LINE__, code, gbk::kDecoderError5, context); return 6;
    case 6: traceLog_.WriteErrorWithContext(__FILE__, __LINE__, code, gbk::kDecoderError6, context); return 7;
    case 7: traceLog_.WriteErrorWithContext(__FILE__, __LINE__, code, gbk::kDecoderError7, context); return 8;
    case 8: traceLog_.WriteErrorWithContext(__FILE__, __LINE__, code, gbk::kDecoderError8, context); return 9;
    case 9: traceLog_.WriteErrorWithContext(__FILE__, __LINE__, code, gbk::kDecoderError9, context); return 10;
    case 10: traceLog_.WriteErrorWithContext(__FILE__, __LINE__, code, gbk::kDecoderError10, context); return 11;
    case 11: traceLog_.WriteErrorWithContext(__FILE__, __LINE__, code, gbk::kDecoderError11, context); return 12;
    case 12: traceLog_.WriteErrorWithContext(__FILE__, __LINE__, code, gbk::kDecoderError12, context); return 13;
    case 13: traceLog_.WriteErrorWithContext(__FILE__, __LINE__, code, gbk::kDecoderError13, context); return 14;
    case 14: traceLog_.WriteErrorWithContext(__FILE__, __LINE__, code, gbk::kDecoderError14, context); return 15;
    case 15: traceLog_.WriteErrorWithContext(__FILE__, __LINE__, code, gbk::kDecoderError15, context); return 16;
    case 16: traceLog_.WriteErrorWithContext(__FILE__, __LINE__, code, gbk::kDecoderError16, context); return 17;
    case 17: traceLog_.WriteErrorWithContext(__FILE__, __LINE__, code, gbk::kDecoderError17, context); return 18;
    case 18: traceLog_.WriteErrorWithContext(__FILE__, __LINE__, code, gbk::kDecoderError18, context); return 19;
    case 19: traceLog_.WriteErrorWithContext(__FILE__, __LINE__, code, gbk::kDecoderError19, context); return 20;
    case 20: traceLog_.WriteErrorWithContext(__FILE__, __LINE__, code, gbk::kDecoderError20, context); return 21;
    case 21: traceLog_.WriteErrorWithContext(__FILE__, __LINE__, code, gbk::kDecoderError21, context); return 22;
    case 22: traceLog_.WriteErrorWithContext(__FILE__, __LINE__, code, gbk::kDecoderError22, context); return 23;
    case 23: traceLog_.WriteErrorWithContext(__FILE__, __LINE__, code, gbk::kDecoderError23, context); return 24;
    default: traceLog_.WriteErrorWithContext(__FILE__, __LINE__, code, gbk::kDecoderErrorUnknown, context); return 26;
  }
}

// ---------------------------------------------------------------------------
// Display initialisation and release

int32_t My820xPlaySDK::Play_InitDDraw(WindowHandle window) try {
  std::string driveRoot;
  if (!CurrentPlatform().SystemDriveRoot(&driveRoot)) return -1;
  const std::string configFile = driveRoot + CONFIG_FILE;

  std::string traceDirectory;
  if (fileUtility_.ReadConfigValue(configFile, "GLOBAL", "TRACE_PATH", &traceDirectory) != 0) {
    traceDirectory = CurrentPlatform().DefaultTraceDirectory(driveRoot);
  }
  // An empty value stays empty: the logs then go to the current directory.
  NormaliseDirectoryPath(traceDirectory);
  fileUtility_.MakeDirectoryPath(traceDirectory);
  traceLog_.SetRuntimeLogFile(traceDirectory + "ZQ_Player_Runtime.log");
  traceLog_.SetErrorLogFile(traceDirectory + "ZQ_Player_Error.log");

  std::string level;
  fileUtility_.ReadConfigValue(configFile, "GLOBAL", "DEBUG_LEVEL", &level);
  debugLevel_.store(ParseDebugLevel(level), std::memory_order_relaxed);

  if (!PlayM4_InitDDraw(window)) {
    traceLog_.WriteError(__FILE__, __LINE__, 0, "PlayM4_InitDDraw() error");
  }
  return kResultOk;
} catch (...) {
  return OutOfResources("Play_InitDDraw");
}

int32_t My820xPlaySDK::Play_ReleaseDDraw() try {
  if (!PlayM4_RealeseDDraw()) {
    traceLog_.WriteError(__FILE__, __LINE__, 0, "MP4Play_RealeseDDraw() error");
  }
  return kResultOk;
} catch (...) {
  return OutOfResources("Play_ReleaseDDraw");
}

// ---------------------------------------------------------------------------
// Stream open, input and close

int32_t My820xPlaySDK::Play_SetOpenMode(int32_t channel, int32_t mode) try {
  if (debugLevel() >= kTraceLevel) Trace(gbk::kTraceSetOpenMode, "Play_SetOpenMode");
  if (!IsChannel(channel)) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  if (mode != 0 && mode != 1) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  ChannelLock lock(channels_[channel].lock);
  // Recorded even if the decoder then refuses it.
  channels_[channel].state.openMode = mode;
  if (!PlayM4_SetStreamOpenMode(channel, mode)) {
    return ReportLastError(channel, "PlayM4_SetStreamOpenMode()");
  }
  return kResultOk;
} catch (...) {
  return OutOfResources("Play_SetOpenMode");
}

int32_t My820xPlaySDK::Play_OpenStream(WindowHandle window, int32_t channel,
                                       const uint8_t* header, uint32_t headerSize,
                                       uint32_t /*reserved*/) try {
  if (debugLevel() >= kTraceLevel) Trace(gbk::kTraceOpenStream, "Play_OpenStream");
  if (!IsChannel(channel)) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  if (header == nullptr) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  if (headerSize == 0) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);

  Channel& record = channels_[channel];
  // Held from the close of the old stream to the start of the new one, so
  // that no other operation sees the channel in between.
  ChannelLock lock(record.lock);
  if (record.state.playState != kNotStarted) {
    traceLog_.WriteError(__FILE__, __LINE__, 0, gbk::kStopPlaybackFirst);
    // The close runs in full, with its own trace.
    if (debugLevel() >= kTraceLevel) Trace(gbk::kTraceCloseStream, "Play_CloseStream");
    const int32_t closed = CloseLocked(channel);
    if (closed != kResultOk) {
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
  return kResultOk;
} catch (...) {
  return OutOfResources("Play_OpenStream");
}

int32_t My820xPlaySDK::Play_InputData(int32_t channel, const uint8_t* data, uint32_t size,
                                      uint32_t /*reserved*/) try {
  const bool verbose = debugLevel() >= kVerboseLevel;
  if (verbose) Trace(gbk::kTraceInputData, "Play_InputData");
  if (!IsChannel(channel)) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  if (data == nullptr) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  if (size == 0) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  Channel& record = channels_[channel];
  ChannelState& state = record.state;
  uint32_t stream = 0;
  int32_t result = kResultOk;
  // The channel is held for one attempt at a time, never across a pause, so
  // that a close or a play command need not wait out the retries.
  for (uint32_t attempt = 1;; ++attempt) {
    {
      ChannelLock lock(record.lock);
      // A stream closed, or replaced, since the block came is not fed it.
      if (state.playState == kNotStarted || (attempt > 1 && record.streamSerial != stream)) {
        return Refuse(__LINE__, gbk::kInputToClosedChannel, kResultOutOfOrder);
      }
      if (attempt == 1) {
        stream = record.streamSerial;
        // While stepping, each step command lets exactly one block through;
        // passing uses the step up, so a step granted while this block is
        // still retried is there for the next one.
        if (state.playState == kStepping) {
          if (state.stepInputAllowed != 1) return kResultStepping;
          state.stepInputAllowed = 0;
        }
      }
      if (PlayM4_InputData(channel, data, size)) return kResultOk;
      const int32_t code = PlayM4_GetLastError(channel);
      // A dropped block always leaves one entry, whatever the level.
      if (verbose || attempt == kInputAttempts) {
        result = ReportDecoderError(code, "PlayM4_InputData()");
      }
    }
    CurrentPlatform().SleepMilliseconds(kInputRetryPauseMs);
    if (attempt == kInputAttempts) return result;
  }
} catch (...) {
  return OutOfResources("Play_InputData");
}

int32_t My820xPlaySDK::Play_CloseStream(int32_t channel) try {
  if (debugLevel() >= kTraceLevel) Trace(gbk::kTraceCloseStream, "Play_CloseStream");
  if (!IsChannel(channel)) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  ChannelLock lock(channels_[channel].lock);
  return CloseLocked(channel);
} catch (...) {
  return OutOfResources("Play_CloseStream");
}

int32_t My820xPlaySDK::CloseLocked(int32_t channel) {
  ChannelState& state = channels_[channel].state;
  if (state.playState == kNotStarted) {
    return Refuse(__LINE__, gbk::kCannotStopUnstarted, kResultOutOfOrder);
  }
  if (!PlayM4_Stop(channel)) return ReportLastError(channel, "PlayM4_Stop()");
  if (!PlayM4_CloseStream(channel)) return ReportLastError(channel, "PlayM4_CloseStream()");
  state.playState = kNotStarted;
  state.videoPara.value1 = kDefaultVideoValue;
  state.videoPara.value2 = kDefaultVideoValue;
  state.videoPara.value3 = kDefaultVideoValue;
  state.videoPara.value4 = kDefaultVideoValue;
  return kResultOk;
}

// ---------------------------------------------------------------------------
// Playback control

int32_t My820xPlaySDK::Play_PlayState(int32_t channel, int32_t command) try {
  if (debugLevel() >= kTraceLevel) Trace(gbk::kTracePlayState, "Play_PlayState");
  if (!IsChannel(channel)) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  ChannelLock lock(channels_[channel].lock);
  ChannelState& state = channels_[channel].state;
  if (state.playState == kNotStarted) {
    return Refuse(__LINE__, gbk::kCannotChangeUnstarted, kResultOutOfOrder);
  }
  if (command < kPlaying || command > kStepping) return kResultOk;

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
    return kResultOk;
  }

  if (state.playState == command) return kResultOk;
  const int32_t result = RunPlayCommand(channel, command);
  if (result == kResultOk) state.playState = command;
  return result;
} catch (...) {
  return OutOfResources("Play_PlayState");
}

// The decoder calls of commands 1 to 8. Speed levels count from normal speed:
// each speed command starts with PlayM4_Play. The context texts are fixed per
// call and are what the error log has always shown.
int32_t My820xPlaySDK::RunPlayCommand(int32_t channel, int32_t command) {
  WindowHandle window = channels_[channel].state.window;
  if (command == kPaused) {
    return PlayM4_Pause(channel, 1) ? kResultOk : ReportLastError(channel, "PlayM4_Pause()");
  }
  if (!PlayM4_Play(channel, window)) return ReportLastError(channel, "PlayM4_Play()");
  switch (command) {
    case kPlaying:
      if (!PlayM4_Pause(channel, 0)) return ReportLastError(channel, "PlayM4_Pause()");
      return kResultOk;
    case kFast1:
      if (!PlayM4_Fast(channel)) return ReportLastError(channel, "MP4Play_Fast()");
      return kResultOk;
    case kFast1 + 1:
      if (!PlayM4_Fast(channel)) return ReportLastError(channel, "MP4Play_Fast(1)");
      if (!PlayM4_Fast(channel)) return ReportLastError(channel, "PlayM4_Fast(2)");
      return kResultOk;
    case kFast3:
      if (!PlayM4_Fast(channel)) return ReportLastError(channel, "PlayM4_Fast(1)");
      if (!PlayM4_Fast(channel)) return ReportLastError(channel, "PlayM4_Fast(2)");
      if (!PlayM4_Fast(channel)) return ReportLastError(channel, "PlayM4_Fast(3)");
      return kResultOk;
    case kSlow1:
      if (!PlayM4_Slow(channel)) return ReportLastError(channel, "PlayM4_Slow()");
      return kResultOk;
    case kSlow1 + 1:
      if (!PlayM4_Slow(channel)) return ReportLastError(channel, "PlayM4_Slow()");
      if (!PlayM4_Slow(channel)) return ReportLastError(channel, "PlayM4_Slow()");
      return kResultOk;
    default:  // kSlow3
      if (!PlayM4_Slow(channel)) return ReportLastError(channel, "PlayM4_Slow(1)");
      if (!PlayM4_Slow(channel)) return ReportLastError(channel, "PlayM4_Slow(2)");
      if (!PlayM4_Slow(channel)) return ReportLastError(channel, "PlayM4_Slow(3)");
      return kResultOk;
  }
}

int32_t My820xPlaySDK::Play_GetPlayState(int32_t channel, int32_t* state) try {
  if (debugLevel() >= kTraceLevel) Trace(gbk::kTraceGetPlayState, "Play_GetPlayState");
  if (!IsChannel(channel)) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  ChannelLock lock(channels_[channel].lock);
  if (state == nullptr) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  *state = channels_[channel].state.playState;
  return kResultOk;
} catch (...) {
  return OutOfResources("Play_GetPlayState");
}

// ---------------------------------------------------------------------------
// Sound and volume

int32_t My820xPlaySDK::Play_SetVolume(int32_t channel, int32_t volume) try {
  if (debugLevel() >= kTraceLevel) Trace(gbk::kTraceSetVolume, "Play_SetVolume");
  if (!IsChannel(channel)) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  ChannelLock lock(channels_[channel].lock);
  if (volume < 0 || volume > kMaxVolume) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  if (volume == 0) {
    if (!PlayM4_StopSound()) return ReportLastError(channel, "PlayM4_StopSound()");
    volume_.store(0, std::memory_order_relaxed);
    return kResultOk;
  }
  if (!PlayM4_PlaySound(channel)) return ReportLastError(channel, "PlayM4_PlaySound()");
  // 0..100 onto the decoder's 0..65535, truncated: 1 -> 655, 50 -> 32767.
  const auto decoderVolume = static_cast<uint16_t>(volume * 655.35);
  if (!PlayM4_SetVolume(channel, decoderVolume)) {
    return ReportLastError(channel, "PlayM4_SetVolume()");
  }
  volume_.store(volume, std::memory_order_relaxed);
  return kResultOk;
} catch (...) {
  return OutOfResources("Play_SetVolume");
}

int32_t My820xPlaySDK::Play_GetVolume(int32_t channel, int32_t* volume) try {
  if (debugLevel() >= kTraceLevel) Trace(gbk::kTraceGetVolume, "Play_GetVolume");
  if (!IsChannel(channel)) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  if (volume == nullptr) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  *volume = volume_.load(std::memory_order_relaxed);
  return kResultOk;
} catch (...) {
  return OutOfResources("Play_GetVolume");
}

// ---------------------------------------------------------------------------
// Picture capture

int32_t My820xPlaySDK::Play_GetPicture(int32_t channel, const char* path) try {
  if (debugLevel() >= kTraceLevel) Trace(gbk::kTraceGetPicture, "Play_GetPicture");
  if (!IsChannel(channel)) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  if (path == nullptr) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  std::string name(path);
  Channel& record = channels_[channel];
  {
    ChannelLock lock(record.lock);
    {
      // Only this channel's pending name is replaced.
      std::lock_guard<std::mutex> pending(captures_[channel].lock);
      captures_[channel].path.swap(name);
    }
    if (!PlayM4_SetDisplayCallBack(channel, DisplayCallback)) {
      return ReportLastError(channel, "PlayM4_SetDisplayCallBack()");
    }
  }
  // Long enough for the decoder to display a picture; no test of whether it
  // did. The channel is free meanwhile.
  CurrentPlatform().SleepMilliseconds(kCaptureWindowMs);
  ChannelLock lock(record.lock);
  if (!PlayM4_SetDisplayCallBack(channel, nullptr)) {
    return ReportLastError(channel, "PlayM4_SetDisplayCallBack()");
  }
  return kResultOk;
} catch (...) {
  return OutOfResources("Play_GetPicture");
}

// Runs on the decoder's display thread, which may hold locks of the decoder's
// own meanwhile: it takes no channel lock, only the pending name of its port.
void My820xPlaySDK::OnDisplayedFrame(int32_t port, const uint8_t* frame, int32_t frameSize,
                                     int32_t width, int32_t height,
                                     int32_t frameType) noexcept try {
  // Taking the name empties it: one capture writes at most one file.
  std::string path;
  if (IsChannel(port)) {
    std::lock_guard<std::mutex> pending(captures_[port].lock);
    path.swap(captures_[port].path);
  }
  if (path.empty()) {
    traceLog_.WriteError(__FILE__, __LINE__, 0, gbk::kPathNotSet);
    return;
  }
  if (!PlayM4_ConvertToBmpFile(frame, frameSize, width, height, frameType, path.c_str())) {
    ReportLastError(port, "PlayM4_ConvertToBmpFile()");
  }
} catch (...) {
  // Nothing may reach the decoder's thread; the picture is simply not saved.
}

// ---------------------------------------------------------------------------
// Display mode, region and refresh

int32_t My820xPlaySDK::Play_SetOverlayMode(int32_t channel, uint32_t colorKey) try {
  if (debugLevel() >= kTraceLevel) Trace(gbk::kTraceSetOverlayMode, "Play_SetOverlayMode");
  if (!IsChannel(channel)) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  ChannelLock lock(channels_[channel].lock);
  if (colorKey > kMaxColorKey) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  // Stored before the decoder is asked, and kept if it refuses.
  channels_[channel].state.overlayMode = 1;
  colorKey_.store(colorKey, std::memory_order_relaxed);
  if (!PlayM4_SetOverlayMode(channel, 1, colorKey)) {
    return ReportLastError(channel, "PlayM4_SetOverlayMode()");
  }
  return kResultOk;
} catch (...) {
  return OutOfResources("Play_SetOverlayMode");
}

int32_t My820xPlaySDK::Play_GetPreviewMode(int32_t channel, int32_t* mode, uint32_t* colorKey) try {
  if (debugLevel() >= kTraceLevel) Trace(gbk::kTraceGetPreviewMode, "Play_GetPreviewMode");
  if (!IsChannel(channel)) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  ChannelLock lock(channels_[channel].lock);
  if (mode == nullptr || colorKey == nullptr) {
    return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  }
  *mode = channels_[channel].state.overlayMode;
  *colorKey = colorKey_.load(std::memory_order_relaxed);
  return kResultOk;
} catch (...) {
  return OutOfResources("Play_GetPreviewMode");
}

int32_t My820xPlaySDK::Play_RefreshPlay(int32_t channel) try {
  if (debugLevel() >= kTraceLevel) Trace(gbk::kTraceRefreshPlay, "Play_RefreshPlay");
  if (!IsChannel(channel)) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  ChannelLock lock(channels_[channel].lock);
  if (!PlayM4_RefreshPlay(channel)) return ReportLastError(channel, "PlayM4_RefreshPlay()");
  return kResultOk;
} catch (...) {
  return OutOfResources("Play_RefreshPlay");
}

int32_t My820xPlaySDK::Play_SetDispRegion(int32_t channel, int32_t enable, const RECT* rect) try {
  if (debugLevel() >= kTraceLevel) Trace(gbk::kTraceSetDispRegion, "Play_SetDispRegion");
  if (!IsChannel(channel)) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  ChannelLock lock(channels_[channel].lock);
  ChannelState& state = channels_[channel].state;
  if (enable == 0) {
    // Hiding passes the rectangle on unexamined.
    if (!PlayM4_SetDisplayRegion(channel, 1, rect, state.window, 0)) {
      return ReportLastError(channel, "PlayM4_SetDisplayRegion(FALSE)");
    }
    state.displayRegion = RECT{0, 0, 0, 0};
    return kResultOk;
  }
  if (rect == nullptr) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  // Bounded by the picture size last read on the channel; edges equal to the
  // width or height are inside.
  if (rect->top < 0) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  if (rect->left < 0) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  if (rect->right > state.pictureRect.right) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  if (rect->bottom > state.pictureRect.bottom) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  if (!PlayM4_SetDisplayRegion(channel, 1, rect, state.window, enable)) {
    return ReportLastError(channel, "PlayM4_SetDisplayRegion(TRUE)");
  }
  state.displayRegion = *rect;
  return kResultOk;
} catch (...) {
  return OutOfResources("Play_SetDispRegion");
}

int32_t My820xPlaySDK::Play_GetDispRegion(int32_t channel, RECT* rect) try {
  if (debugLevel() >= kTraceLevel) Trace(gbk::kTraceGetDispRegion, "Play_GetDispRegion");
  if (!IsChannel(channel)) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  ChannelLock lock(channels_[channel].lock);
  if (rect == nullptr) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  *rect = channels_[channel].state.displayRegion;
  return kResultOk;
} catch (...) {
  return OutOfResources("Play_GetDispRegion");
}

// ---------------------------------------------------------------------------
// Picture size, quality and video parameters

int32_t My820xPlaySDK::Play_GetPictureSize(int32_t channel, int32_t* width, int32_t* height) try {
  if (debugLevel() >= kTraceLevel) Trace(gbk::kTraceGetPictureSize, "Play_GetPictureSize");
  if (!IsChannel(channel)) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  ChannelLock lock(channels_[channel].lock);
  if (width == nullptr || height == nullptr) {
    return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
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
  return kResultOk;
} catch (...) {
  return OutOfResources("Play_GetPictureSize");
}

int32_t My820xPlaySDK::Play_SetPicQuality(int32_t channel, int32_t quality) try {
  if (debugLevel() >= kTraceLevel) Trace(gbk::kTraceSetPicQuality, "Play_SetPicQuality");
  if (!IsChannel(channel)) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  ChannelLock lock(channels_[channel].lock);
  if (!PlayM4_SetPicQuality(channel, quality)) {
    return ReportLastError(channel, "PlayM4_SetPicQuality()");
  }
  channels_[channel].state.picQuality = quality;
  return kResultOk;
} catch (...) {
  return OutOfResources("Play_SetPicQuality");
}

int32_t My820xPlaySDK::Play_GetPicQuality(int32_t channel, int32_t* quality) try {
  if (debugLevel() >= kTraceLevel) Trace(gbk::kTraceGetPicQuality, "Play_GetPicQuality");
  if (!IsChannel(channel)) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  ChannelLock lock(channels_[channel].lock);
  if (quality == nullptr) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  *quality = channels_[channel].state.picQuality;
  return kResultOk;
} catch (...) {
  return OutOfResources("Play_GetPicQuality");
}

int32_t My820xPlaySDK::Play_SetVideoPara(int32_t channel, VideoPara* para, int32_t useDefault) try {
  if (debugLevel() >= kTraceLevel) Trace(gbk::kTraceSetVideoPara, "Play_SetVideoPara");
  if (!IsChannel(channel)) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  ChannelLock lock(channels_[channel].lock);
  if (para == nullptr) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  // Only the first two values have a range; the defaults are written into
  // the caller's record after the check.
  if (para->value1 < 0 || para->value1 > 100 || para->value2 < 0 || para->value2 > 100) {
    return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
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
  return kResultOk;
} catch (...) {
  return OutOfResources("Play_SetVideoPara");
}

int32_t My820xPlaySDK::Play_GetVideoPara(int32_t channel, VideoPara* para) try {
  if (debugLevel() >= kTraceLevel) Trace(gbk::kTraceGetVideoPara, "Play_GetVideoPara");
  if (!IsChannel(channel)) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  ChannelLock lock(channels_[channel].lock);
  if (para == nullptr) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  *para = channels_[channel].state.videoPara;
  return kResultOk;
} catch (...) {
  return OutOfResources("Play_GetVideoPara");
}

// ---------------------------------------------------------------------------
// Buffer and frame controls

int32_t My820xPlaySDK::Play_GetHeadLen(uint32_t* length) try {
  if (debugLevel() >= kTraceLevel) Trace(gbk::kTraceGetHeadLen, "Play_GetHeadLen");
  if (length == nullptr) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  *length = PlayM4_GetFileHeadLength();
  return kResultOk;
} catch (...) {
  return OutOfResources("Play_GetHeadLen");
}

int32_t My820xPlaySDK::Play_ThrowFrame(int32_t channel, int32_t count) try {
  const bool verbose = debugLevel() >= kVerboseLevel;
  if (verbose) Trace(gbk::kTraceThrowFrame, "Play_ThrowFrame");
  if (!IsChannel(channel)) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  ChannelLock lock(channels_[channel].lock);
  if (count < 0 || count > kMaxThrowBFrames) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  if (!PlayM4_ThrowBFrameNum(channel, static_cast<uint32_t>(count))) {
    // Frame dropping is advisory: the client is not told of a refusal.
    const int32_t code = PlayM4_GetLastError(channel);
    if (verbose) ReportDecoderError(code, "PlayM4_ThrowBFrameNum()");
  }
  channels_[channel].state.throwBFrameNum = count;
  return kResultOk;
} catch (...) {
  return OutOfResources("Play_ThrowFrame");
}

int32_t My820xPlaySDK::Play_GetThrowNum(int32_t channel, int32_t* count) try {
  if (debugLevel() >= kTraceLevel) Trace(gbk::kTraceGetThrowNum, "Play_GetThrowNum");
  if (!IsChannel(channel)) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  ChannelLock lock(channels_[channel].lock);
  if (count == nullptr) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  *count = channels_[channel].state.throwBFrameNum;
  return kResultOk;
} catch (...) {
  return OutOfResources("Play_GetThrowNum");
}

int32_t My820xPlaySDK::Play_ClearBuffer(int32_t channel) try {
  if (debugLevel() >= kTraceLevel) Trace(gbk::kTraceClearBuffer, "Play_ClearBuffer");
  if (!IsChannel(channel)) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  ChannelLock lock(channels_[channel].lock);
  if (!PlayM4_ResetSourceBuffer(channel)) {
    return ReportLastError(channel, "PlayM4_ResetSourceBuffer()");
  }
  return kResultOk;
} catch (...) {
  return OutOfResources("Play_ClearBuffer");
}

int32_t My820xPlaySDK::Play_GetBufferRemainDataSize(int32_t channel, uint32_t* size) try {
  if (debugLevel() >= kTraceLevel) Trace(gbk::kTraceGetBufferRemain, "Play_GetBufferRemainDataSize");
  if (!IsChannel(channel)) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  ChannelLock lock(channels_[channel].lock);
  if (size == nullptr) return Refuse(__LINE__, gbk::kInvalidParameter, kResultInvalidParameter);
  *size = PlayM4_GetSourceBufferRemain(channel);
  return kResultOk;
} catch (...) {
  return OutOfResources("Play_GetBufferRemainDataSize");
}

}  // namespace kelo
