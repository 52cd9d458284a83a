// The 27 decoder functions, each succeeding at once.
#include "AcceptingDecoder.h"

#include <cstring>
#include <vector>

namespace {

bool g_copyInput = false;
std::vector<uint8_t> g_sourceBuffer;

}  // namespace

extern "C" {

M4API void Accepting_SetCopyInput(int32_t copy) { g_copyInput = copy != 0; }

M4API int M4CALL PlayM4_InitDDraw(WindowHandle) { return 1; }
M4API int M4CALL PlayM4_RealeseDDraw(void) { return 1; }
M4API int32_t M4CALL PlayM4_GetLastError(int32_t) { return 0; }
M4API int M4CALL PlayM4_SetStreamOpenMode(int32_t, int32_t) { return 1; }
M4API int M4CALL PlayM4_OpenStream(int32_t, const uint8_t*, uint32_t, uint32_t) { return 1; }
M4API int M4CALL PlayM4_Play(int32_t, WindowHandle) { return 1; }

M4API int M4CALL PlayM4_InputData(int32_t, const uint8_t* data, uint32_t size) {
  if (g_copyInput) {
    if (g_sourceBuffer.size() < size) g_sourceBuffer.resize(size);
    std::memcpy(g_sourceBuffer.data(), data, size);
  }
  return 1;
}

M4API int M4CALL PlayM4_Stop(int32_t) { return 1; }
M4API int M4CALL PlayM4_CloseStream(int32_t) { return 1; }
M4API int M4CALL PlayM4_Pause(int32_t, uint32_t) { return 1; }
M4API int M4CALL PlayM4_Fast(int32_t) { return 1; }
M4API int M4CALL PlayM4_Slow(int32_t) { return 1; }
M4API int M4CALL PlayM4_OneByOne(int32_t) { return 1; }
M4API int M4CALL PlayM4_PlaySound(int32_t) { return 1; }
M4API int M4CALL PlayM4_StopSound(void) { return 1; }
M4API int M4CALL PlayM4_SetVolume(int32_t, uint16_t) { return 1; }
M4API int M4CALL PlayM4_SetDisplayCallBack(int32_t, M4DisplayCallback) { return 1; }
M4API int M4CALL PlayM4_ConvertToBmpFile(const uint8_t*, int32_t, int32_t, int32_t, int32_t,
                                         const char*) {
  return 1;
}
M4API int M4CALL PlayM4_SetOverlayMode(int32_t, int, uint32_t) { return 1; }
M4API int M4CALL PlayM4_RefreshPlay(int32_t) { return 1; }
M4API int M4CALL PlayM4_SetDisplayRegion(int32_t, uint32_t, const RECT*, WindowHandle, int) {
  return 1;
}
M4API int M4CALL PlayM4_GetPictureSize(int32_t, int32_t* width, int32_t* height) {
  *width = 352;
  *height = 288;
  return 1;
}
M4API int M4CALL PlayM4_SetPicQuality(int32_t, int32_t) { return 1; }
M4API int M4CALL PlayM4_ThrowBFrameNum(int32_t, uint32_t) { return 1; }
M4API int M4CALL PlayM4_ResetSourceBuffer(int32_t) { return 1; }
M4API uint32_t M4CALL PlayM4_GetSourceBufferRemain(int32_t) { return 0; }
M4API uint32_t M4CALL PlayM4_GetFileHeadLength(void) { return 40; }

}  // extern "C"
