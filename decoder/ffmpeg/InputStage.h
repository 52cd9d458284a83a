// One stage on the bytes' way from a port's source buffer to the demuxer
// (InputChain.h): bytes in, bytes out, each stage with one job. A stage may
// hold bytes back (a packet header not yet whole, what follows a marker it
// made) and put bytes of its own between them; it never reorders what it
// passes.
#ifndef M4_FFMPEG_INPUT_STAGE_H
#define M4_FFMPEG_INPUT_STAGE_H

#include <cstddef>
#include <cstdint>

namespace decoder_ffmpeg {

class InputStage {
 public:
  virtual ~InputStage() = default;
  // Bytes on their way to the demuxer, after those added before.
  virtual void Add(const uint8_t* data, size_t size) = 0;
  // Copies up to |room| bytes that are ready for the next stage to |out|;
  // answers how many (0: none ready yet).
  virtual size_t Take(uint8_t* out, size_t room) = 0;
  // A new session: nothing waits, nothing of the stream before counts.
  virtual void Reset() = 0;
};

}  // namespace decoder_ffmpeg

#endif
