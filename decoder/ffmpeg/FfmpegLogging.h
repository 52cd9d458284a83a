// FFmpeg's logging, set up once for the whole library before any stream is
// opened.
#ifndef M4_FFMPEG_FFMPEG_LOGGING_H
#define M4_FFMPEG_FFMPEG_LOGGING_H

namespace decoder_ffmpeg {

// Safe to call from any thread, any number of times: only the first call
// changes FFmpeg's settings.
void InitFfmpegLogging();

}  // namespace decoder_ffmpeg

#endif
