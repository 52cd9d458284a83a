// PlayM4_ConvertToBmpFile: a picture of any frame type as a 24-bit BMP file.
#ifndef M4_FFMPEG_BMP_WRITER_H
#define M4_FFMPEG_BMP_WRITER_H

#include <cstddef>
#include <cstdint>

namespace decoder_ffmpeg {

// Answers kNoError or the error code. The file appears whole or not at all:
// it is written under a temporary name beside the target and renamed.
int32_t WriteBmpFile(const uint8_t* frame, size_t frameSize, int width, int height,
                     int32_t frameType, const char* fileName);

}  // namespace decoder_ffmpeg

#endif
