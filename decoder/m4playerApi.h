/* The decoder and display library that the player drives: 27 C functions.
   A port is a channel number, 0 to 31. Functions returning int report
   success as nonzero; after a failure PlayM4_GetLastError(port) says why.
   Plain C. */
#ifndef M4PLAYERAPI_H
#define M4PLAYERAPI_H

#include <stdint.h>

#include "Kelo820_PlaySDKTypes.h" /* WindowHandle, RECT */

#if defined(_WIN32)
#define M4CALL __stdcall
#if defined(M4PLAYERAPI_BUILD)
#define M4API __declspec(dllexport)
#else
#define M4API __declspec(dllimport)
#endif
#else
#define M4CALL
#define M4API __attribute__((visibility("default")))
#endif

/* On Windows, the registered window message (RegisterWindowMessageW) that
   the decoder posts to a window after each picture drawn into it, both
   parameters 0, when the window has a property of the same name (SetPropW,
   any non-null value) as it is handed to the decoder: Windows reports no
   drawing done by another thread to the window's owner. */
#define M4_PICTURE_DRAWN_MESSAGE L"Kelo820PlaySDK.PictureDrawn"

#ifdef __cplusplus
extern "C" {
#endif

typedef void(M4CALL* M4DisplayCallback)(int32_t port, const uint8_t* frame, int32_t frameSize,
                                        int32_t width, int32_t height, int32_t timeStamp,
                                        int32_t frameType, int32_t reserved);

M4API int M4CALL PlayM4_InitDDraw(WindowHandle window);
M4API int M4CALL PlayM4_RealeseDDraw(void);
M4API int32_t M4CALL PlayM4_GetLastError(int32_t port);
M4API int M4CALL PlayM4_SetStreamOpenMode(int32_t port, int32_t mode);
M4API int M4CALL PlayM4_OpenStream(int32_t port, const uint8_t* header, uint32_t headerSize,
                                   uint32_t bufferSize);
M4API int M4CALL PlayM4_Play(int32_t port, WindowHandle window);
M4API int M4CALL PlayM4_InputData(int32_t port, const uint8_t* data, uint32_t size);
M4API int M4CALL PlayM4_Stop(int32_t port);
M4API int M4CALL PlayM4_CloseStream(int32_t port);
M4API int M4CALL PlayM4_Pause(int32_t port, uint32_t pause);
M4API int M4CALL PlayM4_Fast(int32_t port);
M4API int M4CALL PlayM4_Slow(int32_t port);
M4API int M4CALL PlayM4_OneByOne(int32_t port);
M4API int M4CALL PlayM4_PlaySound(int32_t port);
M4API int M4CALL PlayM4_StopSound(void);
M4API int M4CALL PlayM4_SetVolume(int32_t port, uint16_t volume);
M4API int M4CALL PlayM4_SetDisplayCallBack(int32_t port, M4DisplayCallback callback);
M4API int M4CALL PlayM4_ConvertToBmpFile(const uint8_t* frame, int32_t frameSize, int32_t width,
                                         int32_t height, int32_t frameType, const char* fileName);
M4API int M4CALL PlayM4_SetOverlayMode(int32_t port, int overlay, uint32_t colorKey);
M4API int M4CALL PlayM4_RefreshPlay(int32_t port);
M4API int M4CALL PlayM4_SetDisplayRegion(int32_t port, uint32_t region, const RECT* rect,
                                         WindowHandle window, int enable);
M4API int M4CALL PlayM4_GetPictureSize(int32_t port, int32_t* width, int32_t* height);
M4API int M4CALL PlayM4_SetPicQuality(int32_t port, int32_t quality);
M4API int M4CALL PlayM4_ThrowBFrameNum(int32_t port, uint32_t count);
M4API int M4CALL PlayM4_ResetSourceBuffer(int32_t port);
M4API uint32_t M4CALL PlayM4_GetSourceBufferRemain(int32_t port);
M4API uint32_t M4CALL PlayM4_GetFileHeadLength(void);

#ifdef __cplusplus
}
#endif

#endif /* M4PLAYERAPI_H */
