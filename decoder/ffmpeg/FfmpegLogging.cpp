#include "FfmpegLogging.h"

#include <mutex>

extern "C" {
#include <libavutil/log.h>
}

namespace decoder_ffmpeg {

void InitFfmpegLogging() {
  static std::once_flag once;
  // Damaged or cut data is normal for a stream decoder; FFmpeg's complaints
  // about it would only clutter the client's terminal.
  std::call_once(once, [] { av_log_set_level(AV_LOG_FATAL); });
}

}  // namespace decoder_ffmpeg
