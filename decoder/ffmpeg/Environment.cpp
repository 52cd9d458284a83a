#include "Environment.h"

#include <cstdlib>
#include <cstring>

namespace decoder_ffmpeg {

DecoderEnvironment ReadDecoderEnvironment() {
  DecoderEnvironment environment;
  const char* clock = std::getenv("KELO_M4_CLOCK");
  environment.virtualClock = clock != nullptr && std::strcmp(clock, "virtual") == 0;
  const char* audioFile = std::getenv("KELO_M4_AUDIO_FILE");
  if (audioFile != nullptr) environment.audioFile = audioFile;
  return environment;
}

}  // namespace decoder_ffmpeg
