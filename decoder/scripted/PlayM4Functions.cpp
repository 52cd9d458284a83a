// The 27 decoder functions as the scripted decoder plays them: each records
// its call, then succeeds unless a failure plan says otherwise.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "BmpFile.h"
#include "CallFormat.h"
#include "ConversionHold.h"
#include "FrameDelivery.h"
#include "ScriptState.h"
#include "m4playerApi.h"

using scripted::AddressText;
using scripted::CallbackText;
using scripted::LockState;
using scripted::NameText;
using scripted::RecordCall;
using scripted::RectText;
using scripted::State;
using std::to_string;

namespace {

// The whole behaviour of a function that only reports success or failure.
int Answer(const char* function, std::initializer_list<std::string> arguments) {
  auto lock = LockState();
  return RecordCall(function, arguments) ? 1 : 0;
}

}  // namespace

extern "C" {

M4API int M4CALL PlayM4_InitDDraw(WindowHandle window) {
  return Answer(__func__, {AddressText(window)});
}

M4API int M4CALL PlayM4_RealeseDDraw(void) { return Answer(__func__, {}); }

M4API int32_t M4CALL PlayM4_GetLastError(int32_t port) {
  auto lock = LockState();
  RecordCall(__func__, {to_string(port)});
  if (port < 0 || port >= scripted::kPortCount) return 0;
  return State().answers.lastErrors[static_cast<size_t>(port)];
}

M4API int M4CALL PlayM4_SetStreamOpenMode(int32_t port, int32_t mode) {
  return Answer(__func__, {to_string(port), to_string(mode)});
}

M4API int M4CALL PlayM4_OpenStream(int32_t port, const uint8_t* header, uint32_t headerSize,
                                   uint32_t bufferSize) {
  return Answer(__func__, {to_string(port), AddressText(header), to_string(headerSize),
                           to_string(bufferSize)});
}

M4API int M4CALL PlayM4_Play(int32_t port, WindowHandle window) {
  return Answer(__func__, {to_string(port), AddressText(window)});
}

M4API int M4CALL PlayM4_InputData(int32_t port, const uint8_t* data, uint32_t size) {
  return Answer(__func__, {to_string(port), AddressText(data), to_string(size)});
}

M4API int M4CALL PlayM4_Stop(int32_t port) { return Answer(__func__, {to_string(port)}); }

M4API int M4CALL PlayM4_CloseStream(int32_t port) { return Answer(__func__, {to_string(port)}); }

M4API int M4CALL PlayM4_Pause(int32_t port, uint32_t pause) {
  return Answer(__func__, {to_string(port), to_string(pause)});
}

M4API int M4CALL PlayM4_Fast(int32_t port) { return Answer(__func__, {to_string(port)}); }

M4API int M4CALL PlayM4_Slow(int32_t port) { return Answer(__func__, {to_string(port)}); }

M4API int M4CALL PlayM4_OneByOne(int32_t port) { return Answer(__func__, {to_string(port)}); }

M4API int M4CALL PlayM4_PlaySound(int32_t port) { return Answer(__func__, {to_string(port)}); }

M4API int M4CALL PlayM4_StopSound(void) { return Answer(__func__, {}); }

M4API int M4CALL PlayM4_SetVolume(int32_t port, uint16_t volume) {
  return Answer(__func__, {to_string(port), to_string(volume)});
}

M4API int M4CALL PlayM4_SetDisplayCallBack(int32_t port, M4DisplayCallback callback) {
  auto lock = LockState();
  // Frames of an earlier install come first, in the record too: a removal
  // returns only once they are all delivered.
  scripted::JoinDelivery(lock, port);
  if (!RecordCall(__func__, {to_string(port), CallbackText(callback)})) return 0;
  if (callback != nullptr) {
    State().lastCallbacks[port] = callback;
    const scripted::Answers& answers = State().answers;
    State().deliveries[port] = scripted::StartFrameDelivery(
        port, callback, answers.framesPerCallback, answers.pictureWidth, answers.pictureHeight);
  }
  return 1;
}

M4API int M4CALL PlayM4_ConvertToBmpFile(const uint8_t* frame, int32_t frameSize, int32_t width,
                                         int32_t height, int32_t frameType, const char* fileName) {
  {
    auto lock = LockState();
    const bool succeeds =
        RecordCall(__func__, {AddressText(frame), to_string(frameSize), to_string(width),
                              to_string(height), to_string(frameType), NameText(fileName)});
    if (!succeeds || !State().answers.bmpWriting || fileName == nullptr) return 0;
  }
  scripted::WaitWhileHeld(fileName);
  const uint8_t grey = frame != nullptr && frameSize > 0 ? frame[0] : 0;
  // One pixel of the frame's first byte is enough for tests to tell snapshots apart.
  std::vector<uint8_t> image = decoder_common::NewImage(1, 1);
  std::fill_n(image.begin() + decoder_common::kPixelOffset, 3, grey);
  std::FILE* file = std::fopen(fileName, "wb");
  return file != nullptr && decoder_common::WriteAndClose(file, image) ? 1 : 0;
}

M4API int M4CALL PlayM4_SetOverlayMode(int32_t port, int overlay, uint32_t colorKey) {
  return Answer(__func__, {to_string(port), to_string(overlay), to_string(colorKey)});
}

M4API int M4CALL PlayM4_RefreshPlay(int32_t port) { return Answer(__func__, {to_string(port)}); }

M4API int M4CALL PlayM4_SetDisplayRegion(int32_t port, uint32_t region, const RECT* rect,
                                         WindowHandle window, int enable) {
  return Answer(__func__, {to_string(port), to_string(region), RectText(rect), AddressText(window),
                           to_string(enable)});
}

M4API int M4CALL PlayM4_GetPictureSize(int32_t port, int32_t* width, int32_t* height) {
  auto lock = LockState();
  if (!RecordCall(__func__, {to_string(port), AddressText(width), AddressText(height)})) return 0;
  if (width != nullptr) *width = State().answers.pictureWidth;
  if (height != nullptr) *height = State().answers.pictureHeight;
  return 1;
}

M4API int M4CALL PlayM4_SetPicQuality(int32_t port, int32_t quality) {
  return Answer(__func__, {to_string(port), to_string(quality)});
}

M4API int M4CALL PlayM4_ThrowBFrameNum(int32_t port, uint32_t count) {
  return Answer(__func__, {to_string(port), to_string(count)});
}

M4API int M4CALL PlayM4_ResetSourceBuffer(int32_t port) {
  return Answer(__func__, {to_string(port)});
}

M4API uint32_t M4CALL PlayM4_GetSourceBufferRemain(int32_t port) {
  auto lock = LockState();
  RecordCall(__func__, {to_string(port)});
  return State().answers.sourceBufferRemain;
}

M4API uint32_t M4CALL PlayM4_GetFileHeadLength(void) {
  auto lock = LockState();
  RecordCall(__func__, {});
  return State().answers.fileHeadLength;
}

}  // extern "C"
