// Kelo820 PlaySDK: the numbers that the operations of Kelo820_PlaySDK.h
// return and take, named. Include it beside that header; the operations
// themselves keep plain int32_t.
/** @file Kelo820_PlaySDKCodes.h
    @brief The result codes and play states of Kelo820_PlaySDK.h, named. */
#ifndef KELO820_PLAYSDK_CODES_H
#define KELO820_PLAYSDK_CODES_H

#include <cstdint>

/** @brief The names of the SDK's numbers. */
namespace kelo820 {

// Results. A decoder failure returns the decoder's error code plus one (2 to
// 24), and its words are in the error log.
constexpr int32_t kOk = 0;  ///< success
constexpr int32_t kNoSystemDirectory = -1;    ///< Play_InitDDraw only
constexpr int32_t kInvalidArgument = 2;       ///< also the decoder's error 1
constexpr int32_t kOutOfOrder = 3;            ///< no stream open; also decoder error 2
constexpr int32_t kOutOfMemory = 7;           ///< also the decoder's error 6
constexpr int32_t kInputRefused = 12;         ///< stepping, or the decoder's buffer full
constexpr int32_t kUnknownDecoderError = 26;  ///< a decoder error code without words
constexpr int32_t kNoPictureCaptured = 27;    ///< Play_GetPicture: no picture taken in its window

/// Play states, as Play_GetPlayState reports them; Play_PlayState takes 1 to
/// 9 as commands that move a started channel to that state.
enum PlayState : int32_t {
  kNotStarted = 0,
  kPlaying = 1,
  kPaused = 2,
  kFast1 = 3,
  kFast2 = 4,
  kFast3 = 5,
  kSlow1 = 6,
  kSlow2 = 7,
  kSlow3 = 8,
  kStepping = 9,  ///< one picture and one block of input per further command 9
};

constexpr int32_t kChannelCount = 32;  ///< channels 0 to 31

}  // namespace kelo820

#endif  // KELO820_PLAYSDK_CODES_H
