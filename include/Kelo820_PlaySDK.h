// Kelo820 PlaySDK: playback control for up to 32 audio/video channels.
//
// A client obtains the single player with CreateSinglePlayerDll(), drives its
// channels through the SinglePlayer operations and hands it back with
// ReleaseSinglePlayerDll(). Every operation returns 0 on success or a small
// result code (2 invalid argument, 3 call out of order, 12 input refused while
// stepping, other values report a decoder failure; see the README).
#ifndef KELO820_PLAYSDK_H
#define KELO820_PLAYSDK_H

#include <cstdint>

#include "Kelo820_PlaySDKTypes.h"  // WindowHandle, RECT

#if defined(_WIN32)
#if defined(KELO820_PLAYSDK_BUILD)
#define KELO820_API __declspec(dllexport)
#else
#define KELO820_API __declspec(dllimport)
#endif
#else
#define KELO820_API __attribute__((visibility("default")))
#endif

struct VideoPara { int32_t reserved1, value1, value2, value3, value4, reserved2; };

class SinglePlayer {   // 26 pure virtual operations in this slot order; no destructor, no other member
public:
  virtual int32_t Play_InitDDraw(WindowHandle window) = 0;
  virtual int32_t Play_ReleaseDDraw() = 0;
  virtual int32_t Play_SetOverlayMode(int32_t channel, uint32_t colorKey) = 0;
  virtual int32_t Play_GetPreviewMode(int32_t channel, int32_t* mode, uint32_t* colorKey) = 0;
  virtual int32_t Play_SetOpenMode(int32_t channel, int32_t mode) = 0;
  virtual int32_t Play_OpenStream(WindowHandle window, int32_t channel, const uint8_t* header, uint32_t headerSize, uint32_t reserved) = 0;
  virtual int32_t Play_InputData(int32_t channel, const uint8_t* data, uint32_t size, uint32_t reserved) = 0;
  virtual int32_t Play_CloseStream(int32_t channel) = 0;
  virtual int32_t Play_PlayState(int32_t channel, int32_t command) = 0;
  virtual int32_t Play_GetPlayState(int32_t channel, int32_t* state) = 0;
  virtual int32_t Play_SetVolume(int32_t channel, int32_t volume) = 0;
  virtual int32_t Play_GetVolume(int32_t channel, int32_t* volume) = 0;
  virtual int32_t Play_GetPicture(int32_t channel, const char* path) = 0;
  virtual int32_t Play_RefreshPlay(int32_t channel) = 0;
  virtual int32_t Play_GetHeadLen(uint32_t* length) = 0;
  virtual int32_t Play_GetPictureSize(int32_t channel, int32_t* width, int32_t* height) = 0;
  virtual int32_t Play_SetPicQuality(int32_t channel, int32_t quality) = 0;
  virtual int32_t Play_GetPicQuality(int32_t channel, int32_t* quality) = 0;
  virtual int32_t Play_ThrowFrame(int32_t channel, int32_t count) = 0;
  virtual int32_t Play_GetThrowNum(int32_t channel, int32_t* count) = 0;
  virtual int32_t Play_SetVideoPara(int32_t channel, VideoPara* para, int32_t useDefault) = 0;
  virtual int32_t Play_GetVideoPara(int32_t channel, VideoPara* para) = 0;
  virtual int32_t Play_SetDispRegion(int32_t channel, int32_t enable, const RECT* rect) = 0;
  virtual int32_t Play_GetDispRegion(int32_t channel, RECT* rect) = 0;
  virtual int32_t Play_ClearBuffer(int32_t channel) = 0;
  virtual int32_t Play_GetBufferRemainDataSize(int32_t channel, uint32_t* size) = 0;
};

extern "C" KELO820_API SinglePlayer* CreateSinglePlayerDll();
extern "C" KELO820_API void ReleaseSinglePlayerDll(SinglePlayer* player);

#endif  // KELO820_PLAYSDK_H
