// The 27 exported functions: argument checks that need no port, the port
// table, and the translation of error codes into a failed result.
#include <array>
#include <atomic>

#include "BmpWriter.h"
#include "ErrorCode.h"
#include "FfmpegLogging.h"
#include "LastError.h"
#include "Port.h"
#include "PortCount.h"
#include "StreamFormat.h"
#include "SystemServices.h"
#include "m4playerApi.h"

namespace {

using decoder_ffmpeg::kPortCount;

// Never destroyed: a client may exit with streams still open, and their
// threads must not find their port gone.
std::array<decoder_ffmpeg::Port, kPortCount>& Ports() {
  static auto* ports = [] {
    auto* table = new std::array<decoder_ffmpeg::Port, kPortCount>();
    for (int32_t port = 0; port < kPortCount; ++port) (*table)[port].SetNumber(port);
    return table;
  }();
  return *ports;
}

std::atomic<bool> displayInitialised{false};

// FFmpeg is first called on behalf of a stream being opened or a bitmap
// being converted, and only once its libraries were found there, whatever
// else the client does before. The display's initialisation, the player's
// first call, looks for them already, so that loading them is not part of
// the first stream's start.
int32_t FfmpegReady() {
  static const int32_t code = [] {
    const int32_t checked = decoder_ffmpeg::TheSystemServices().CheckFfmpegLibraries();
    if (checked == decoder_ffmpeg::kNoError) decoder_ffmpeg::InitFfmpegLogging();
    return checked;
  }();
  return code;
}

int Result(int32_t port, int32_t code) {
  if (code == decoder_ffmpeg::kNoError) return 1;
  decoder_ffmpeg::RecordError(port, code);
  return 0;
}

template <typename Action>
int OnPort(int32_t port, Action&& action) {
  if (!decoder_ffmpeg::IsPort(port)) return Result(port, decoder_ffmpeg::kInvalidArgument);
  return Result(port, action(Ports()[port]));
}

}  // namespace

extern "C" {

M4API int M4CALL PlayM4_InitDDraw(WindowHandle /*window*/) {
  // Drawing needs no FFmpeg: without it the streams fail, not the display.
  FfmpegReady();
  displayInitialised.store(true);
  return 1;
}

M4API int M4CALL PlayM4_RealeseDDraw(void) {
  if (!displayInitialised.exchange(false)) {
    decoder_ffmpeg::RecordPortlessError(decoder_ffmpeg::kWrongOrder);
    return 0;
  }
  return 1;
}

M4API int32_t M4CALL PlayM4_GetLastError(int32_t port) { return decoder_ffmpeg::LastError(port); }

M4API int M4CALL PlayM4_SetStreamOpenMode(int32_t port, int32_t mode) {
  return OnPort(port, [&](decoder_ffmpeg::Port& p) { return p.SetOpenMode(mode); });
}

M4API int M4CALL PlayM4_OpenStream(int32_t port, const uint8_t* header, uint32_t headerSize,
                                   uint32_t bufferSize) {
  return OnPort(port, [&](decoder_ffmpeg::Port& p) {
    const int32_t ready = FfmpegReady();
    return ready != decoder_ffmpeg::kNoError ? ready : p.Open(header, headerSize, bufferSize);
  });
}

M4API int M4CALL PlayM4_Play(int32_t port, WindowHandle window) {
  return OnPort(port, [&](decoder_ffmpeg::Port& p) { return p.Play(window); });
}

M4API int M4CALL PlayM4_InputData(int32_t port, const uint8_t* data, uint32_t size) {
  return OnPort(port, [&](decoder_ffmpeg::Port& p) { return p.Input(data, size); });
}

M4API int M4CALL PlayM4_Stop(int32_t port) {
  return OnPort(port, [&](decoder_ffmpeg::Port& p) { return p.Stop(); });
}

M4API int M4CALL PlayM4_CloseStream(int32_t port) {
  return OnPort(port, [&](decoder_ffmpeg::Port& p) { return p.Close(); });
}

M4API int M4CALL PlayM4_Pause(int32_t port, uint32_t pause) {
  return OnPort(port, [&](decoder_ffmpeg::Port& p) { return p.Pause(pause); });
}

M4API int M4CALL PlayM4_Fast(int32_t port) {
  return OnPort(port, [&](decoder_ffmpeg::Port& p) { return p.ChangeSpeed(+1); });
}

M4API int M4CALL PlayM4_Slow(int32_t port) {
  return OnPort(port, [&](decoder_ffmpeg::Port& p) { return p.ChangeSpeed(-1); });
}

M4API int M4CALL PlayM4_OneByOne(int32_t port) {
  return OnPort(port, [&](decoder_ffmpeg::Port& p) { return p.Step(); });
}

// One port's sound at a time: selecting one silences the others.
M4API int M4CALL PlayM4_PlaySound(int32_t port) {
  return OnPort(port, [&](decoder_ffmpeg::Port&) {
    for (int32_t other = 0; other < kPortCount; ++other) Ports()[other].SetSoundOn(other == port);
    return decoder_ffmpeg::kNoError;
  });
}

M4API int M4CALL PlayM4_StopSound(void) {
  for (decoder_ffmpeg::Port& port : Ports()) port.SetSoundOn(false);
  return 1;
}

M4API int M4CALL PlayM4_SetVolume(int32_t port, uint16_t volume) {
  return OnPort(port, [&](decoder_ffmpeg::Port& p) {
    p.SetVolume(volume);
    return decoder_ffmpeg::kNoError;
  });
}

M4API int M4CALL PlayM4_SetDisplayCallBack(int32_t port, M4DisplayCallback callback) {
  return OnPort(port, [&](decoder_ffmpeg::Port& p) { return p.SetDisplayCallback(callback); });
}

M4API int M4CALL PlayM4_ConvertToBmpFile(const uint8_t* frame, int32_t frameSize, int32_t width,
                                         int32_t height, int32_t frameType, const char* fileName) {
  if (frameSize < 0) {
    decoder_ffmpeg::RecordPortlessError(decoder_ffmpeg::kInvalidArgument);
    return 0;
  }
  const int32_t ready = FfmpegReady();
  const int32_t code = ready != decoder_ffmpeg::kNoError
                           ? ready
                           : decoder_ffmpeg::WriteBmpFile(frame, static_cast<size_t>(frameSize),
                                                          width, height, frameType, fileName);
  if (code == decoder_ffmpeg::kNoError) return 1;
  decoder_ffmpeg::RecordPortlessError(code);
  return 0;
}

// Recorded only: X11 has no overlay surfaces, the picture is always drawn.
M4API int M4CALL PlayM4_SetOverlayMode(int32_t port, int /*overlay*/, uint32_t /*colorKey*/) {
  return OnPort(port, [](decoder_ffmpeg::Port&) { return decoder_ffmpeg::kNoError; });
}

M4API int M4CALL PlayM4_RefreshPlay(int32_t port) {
  return OnPort(port, [&](decoder_ffmpeg::Port& p) { return p.Refresh(); });
}

M4API int M4CALL PlayM4_SetDisplayRegion(int32_t port, uint32_t region, const RECT* rect,
                                         WindowHandle window, int enable) {
  return OnPort(port, [&](decoder_ffmpeg::Port& p) {
    return p.SetDisplayRegion(region, rect, window, enable);
  });
}

M4API int M4CALL PlayM4_GetPictureSize(int32_t port, int32_t* width, int32_t* height) {
  return OnPort(port, [&](decoder_ffmpeg::Port& p) { return p.GetPictureSize(width, height); });
}

M4API int M4CALL PlayM4_SetPicQuality(int32_t port, int32_t quality) {
  return OnPort(port, [&](decoder_ffmpeg::Port& p) { return p.SetQuality(quality); });
}

M4API int M4CALL PlayM4_ThrowBFrameNum(int32_t port, uint32_t count) {
  return OnPort(port, [&](decoder_ffmpeg::Port& p) { return p.SetThrowLevel(count); });
}

M4API int M4CALL PlayM4_ResetSourceBuffer(int32_t port) {
  return OnPort(port, [&](decoder_ffmpeg::Port& p) { return p.ResetSource(); });
}

M4API uint32_t M4CALL PlayM4_GetSourceBufferRemain(int32_t port) {
  uint32_t bytes = 0;
  OnPort(port, [&](decoder_ffmpeg::Port& p) { return p.SourceRemain(&bytes); });
  return bytes;
}

M4API uint32_t M4CALL PlayM4_GetFileHeadLength(void) { return streamformat::kStreamHeaderLength; }

}  // extern "C"
