#include "ErrorCode.h"
#include "FfmpegLibraries.h"

namespace m4 {

// Linked as usual: without FFmpeg's libraries the dynamic loader refuses
// the decoder itself, and the player reports that.
int32_t CheckFfmpegLibraries() { return kNoError; }

}  // namespace m4
