// The way a port's bytes take from its source buffer to the demuxer: the
// stages its stream header calls for, composed once per stream and reset at
// each session, in this order:
// - a program stream: its G.711 sound taken out (G711Separator.h), and for
//   a live one in H.264 or H.265 each picture's end marked as soon as the
//   stream proves it (PictureEnds.h, told of the packets by the separator's
//   walk);
// - a live transport stream: the end of each video PES marked
//   (PesEndMarker.h);
// - last, the program stream map made from the header, ahead of each
//   session's data (ProgramStreamMap.h).
// Without a header, or for any other stream, the bytes pass as they came.
#ifndef M4_FFMPEG_INPUT_CHAIN_H
#define M4_FFMPEG_INPUT_CHAIN_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "G711Separator.h"
#include "InputStage.h"
#include "PictureEnds.h"
#include "StreamFormat.h"

namespace decoder_ffmpeg {

class InputChain {
 public:
  // |g711| hears the G.711 packets taken out of a program stream.
  InputChain(const std::optional<streamformat::StreamHeader>& header, bool live,
             G711Separator::Sink g711);
  InputChain(const InputChain&) = delete;
  InputChain& operator=(const InputChain&) = delete;

  // |fresh| bytes just read into |buffer|, which has room for |room|: fills
  // it with what is ready for the demuxer; answers how many (0: all of it
  // held back, read on).
  size_t Pass(uint8_t* buffer, size_t fresh, size_t room);
  // What is ready without new bytes (a session's map, what a stage held
  // back), up to |room| of it; 0 when nothing is.
  size_t TakeWaiting(uint8_t* out, size_t room);
  // A new session.
  void Reset();

 private:
  // Takes from stage |last|, feeding it from the stages before as needed.
  size_t TakeFrom(size_t last, uint8_t* out, size_t room);

  std::optional<PictureEnds> pictureEnds_;  // told by the G.711 separator
  std::vector<std::unique_ptr<InputStage>> stages_;
};

}  // namespace decoder_ffmpeg

#endif
