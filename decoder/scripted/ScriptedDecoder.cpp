// The controls tests use to script the decoder (ScriptedDecoder.h).
#include "ScriptedDecoder.h"

#include <algorithm>
#include <cstring>

#include "FrameDelivery.h"
#include "ScriptState.h"

using scripted::LockState;
using scripted::State;

extern "C" {

M4API void Scripted_Reset(void) {
  auto lock = LockState();
  // Joined first, so that no frame of an old script lands in the new record.
  scripted::JoinAllDeliveries(lock);
  scripted::ScriptState& state = State();
  state.answers = scripted::Answers();
  state.failurePlans.Clear();
  state.calls.clear();
  state.lastCallbacks.clear();
  Scripted_ReleaseConversions();
}

M4API void Scripted_FailAlways(const char* function) {
  if (function == nullptr) return;
  auto lock = LockState();
  State().failurePlans.FailAlways(function);
}

M4API void Scripted_FailNthCall(const char* function, int32_t n) {
  if (function == nullptr) return;
  auto lock = LockState();
  State().failurePlans.FailNthCall(function, n);
}

M4API void Scripted_FailNextCalls(const char* function, int32_t k) {
  if (function == nullptr) return;
  auto lock = LockState();
  State().failurePlans.FailNextCalls(function, k);
}

M4API void Scripted_SetLastError(int32_t port, int32_t code) {
  // Other ports always answer 0, as the real decoder knows only these.
  if (port < 0 || port >= scripted::kPortCount) return;
  auto lock = LockState();
  State().answers.lastErrors[static_cast<size_t>(port)] = code;
}

M4API void Scripted_SetPictureSize(int32_t width, int32_t height) {
  auto lock = LockState();
  State().answers.pictureWidth = width;
  State().answers.pictureHeight = height;
}

M4API void Scripted_SetSourceBufferRemain(uint32_t bytes) {
  auto lock = LockState();
  State().answers.sourceBufferRemain = bytes;
}

M4API void Scripted_SetFileHeadLength(uint32_t length) {
  auto lock = LockState();
  State().answers.fileHeadLength = length;
}

M4API void Scripted_SetFramesPerCallback(int32_t frames) {
  auto lock = LockState();
  State().answers.framesPerCallback = frames;
}

M4API void Scripted_SetBmpWriting(int32_t enabled) {
  auto lock = LockState();
  State().answers.bmpWriting = enabled != 0;
}

M4API int32_t Scripted_CallCount(void) {
  auto lock = LockState();
  return static_cast<int32_t>(State().calls.size());
}

M4API int32_t Scripted_GetCall(int32_t index, char* buffer, int32_t size) {
  auto lock = LockState();
  const std::vector<std::string>& calls = State().calls;
  if (index < 0 || static_cast<size_t>(index) >= calls.size()) return -1;
  const std::string& call = calls[static_cast<size_t>(index)];
  if (buffer != nullptr && size > 0) {
    const size_t copied = std::min(call.size(), static_cast<size_t>(size) - 1);
    std::memcpy(buffer, call.data(), copied);
    buffer[copied] = '\0';
  }
  return static_cast<int32_t>(call.size());
}

M4API void Scripted_ClearCalls(void) {
  auto lock = LockState();
  State().calls.clear();
}

}  // extern "C"

M4API void Scripted_DeliverLateFrames(int32_t port, int32_t frames) {
  std::thread delivery;
  {
    auto lock = LockState();
    const auto found = State().lastCallbacks.find(port);
    if (found == State().lastCallbacks.end()) return;
    const scripted::Answers& answers = State().answers;
    delivery = scripted::StartFrameDelivery(port, found->second, frames, answers.pictureWidth,
                                            answers.pictureHeight);
  }
  delivery.join();
}
