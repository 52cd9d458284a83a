// Owners for FFmpeg's contexts, so that every way out of a session, early
// returns included, frees what the session opened.
#ifndef M4_FFMPEG_FFMPEG_OWNERS_H
#define M4_FFMPEG_FFMPEG_OWNERS_H

#include <memory>

struct AVCodecContext;
struct AVFormatContext;

namespace decoder_ffmpeg {

struct CodecContextFree {
  void operator()(AVCodecContext* codec) const;
};
using CodecContextOwner = std::unique_ptr<AVCodecContext, CodecContextFree>;

// For an input opened on an I/O context of our own: closing the input leaves
// that context and its buffer to the caller, so they are freed here too.
struct CustomIoInputClose {
  void operator()(AVFormatContext* format) const;
};
using CustomIoInputOwner = std::unique_ptr<AVFormatContext, CustomIoInputClose>;

}  // namespace decoder_ffmpeg

#endif
