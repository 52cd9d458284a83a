// The error numbers that PlayM4_GetLastError answers. The player turns each
// into words for its error log, so the numbering is fixed. Codes above 23
// are this decoder's own: the player logs them by number, without words.
#ifndef M4_FFMPEG_ERROR_CODE_H
#define M4_FFMPEG_ERROR_CODE_H

#include <cstdint>

namespace decoder_ffmpeg {

enum ErrorCode : int32_t {
  kNoError = 0,
  kInvalidArgument = 1,
  kWrongOrder = 2,
  kOutOfMemory = 6,
  kFileOperationFailed = 7,
  kThreadCreationFailed = 8,
  kBufferFull = 11,
  kNoHeader = 17,
  kDecoderInitFailed = 19,
  kStreamUnrecognised = 20,
  // One of FFmpeg's libraries, or a function the decoder needs in it, is
  // missing (Windows, where the decoder loads them itself: SystemServices.h).
  kLibraryUnavailable = 24,
};

}  // namespace decoder_ffmpeg

#endif
