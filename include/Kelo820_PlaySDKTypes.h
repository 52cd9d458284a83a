/* Kelo820 PlaySDK: the two platform types that the player's interface and
   its decoder library's C interface share. Plain C, so that a decoder
   written in C can include it. */
#ifndef KELO820_PLAYSDK_TYPES_H
#define KELO820_PLAYSDK_TYPES_H

#include <stdint.h>

#if defined(_WIN32)
#include <windows.h>
typedef HWND WindowHandle;
#else
typedef struct RECT { int32_t left; int32_t top; int32_t right; int32_t bottom; } RECT;
typedef void* WindowHandle;
#endif

#endif /* KELO820_PLAYSDK_TYPES_H */
