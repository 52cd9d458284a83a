#include "FfmpegOwners.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/mem.h>
}

namespace decoder_ffmpeg {

void CodecContextFree::operator()(AVCodecContext* codec) const { avcodec_free_context(&codec); }

void CustomIoInputClose::operator()(AVFormatContext* format) const {
  AVIOContext* io = format->pb;
  avformat_close_input(&format);
  // The I/O context's buffer may have been replaced by a larger one since it
  // was allocated: free the one it holds now.
  if (io != nullptr) av_freep(&io->buffer);
  avio_context_free(&io);
}

}  // namespace decoder_ffmpeg
