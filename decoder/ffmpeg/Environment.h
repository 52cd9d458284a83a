// The environment variables the decoder heeds, all read here (docs/decoder.md
// lists them). They are read when they are needed, not once at loading: a
// port's clock when its stream opens, the sound's destination when sound
// first plays, so that a test may change them from one port to the next.
#ifndef M4_FFMPEG_ENVIRONMENT_H
#define M4_FFMPEG_ENVIRONMENT_H

#include <string>

namespace decoder_ffmpeg {

struct DecoderEnvironment {
  // KELO_M4_CLOCK=virtual: a port's waits for pictures end at once.
  bool virtualClock = false;
  // KELO_M4_AUDIO_FILE=path: sound is appended to this file, raw, instead of
  // going to the device; empty when unset.
  std::string audioFile;
};

DecoderEnvironment ReadDecoderEnvironment();

}  // namespace decoder_ffmpeg

#endif
