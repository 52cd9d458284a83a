/* Kelo820 PlaySDK: the two platform types that the player's interface and
   its decoder library's C interface share. Plain C, so that a decoder
   written in C can include it. */
/** @file Kelo820_PlaySDKTypes.h
    @brief The window and rectangle types the player shares with its decoder. */
#ifndef KELO820_PLAYSDK_TYPES_H
#define KELO820_PLAYSDK_TYPES_H

#include <stdint.h>

#if defined(_WIN32)
#include <windows.h>
/** @brief A window to show pictures in: the HWND of a window of the
    client's; null for none. RECT is Windows' own, from windows.h. */
typedef HWND WindowHandle;
#else
/** @brief A rectangle in pixels of the decoded picture, as Windows defines
    it: the right and bottom edges are the width and height of a region that
    starts at 0. */
typedef struct RECT { int32_t left; int32_t top; int32_t right; int32_t bottom; } RECT;
/** @brief A window to show pictures in: an X11 window id cast to a
    pointer on Linux, an HWND on Windows; null for none. */
typedef void* WindowHandle;
/** @var RECT::left
    the left edge
    @var RECT::top
    the top edge
    @var RECT::right
    the right edge, past the last column
    @var RECT::bottom
    the bottom edge, past the last row */
#endif

#endif /* KELO820_PLAYSDK_TYPES_H */
