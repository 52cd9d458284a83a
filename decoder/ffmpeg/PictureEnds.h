// In a live program stream as cameras send it, a picture is complete long
// before the next one begins: its PES packets give their lengths, and the
// sound of the same pack follows its last one. libavformat's H.264 and H.265
// parsers see the end of a picture only at the next picture's start, one
// picture interval later. PictureEnds, told about the packets on their way
// to the demuxer, answers when a picture is complete, and the bytes to put
// after it there: a PES packet holding only an access unit delimiter, which
// the parser takes as the next picture's start, handing on the one before
// at once (the decoder skips the delimiter).
//
// Only where a stream's pictures are PES-aligned: every video PES with a
// time stamp begins a picture (checked on each one; once one does not, the
// stream keeps the parser's own pace for the session). A picture is then
// complete only where the stream proves it:
// - when a PES of another stream follows its data, once the stream has
//   shown that the video after such a PES begins a picture (a stamped PES;
//   an unstamped one there, as muxers interleave sound within a picture,
//   means the stream is not aligned);
// - at the end of a PES that cannot be a piece of a larger picture. A camera
//   cuts a picture longer than its PES into pieces of one length, going on
//   in unstamped PES that begin in the middle of a NAL unit; once the
//   stream has shown such a piece, a PES clearly shorter ends its picture.
//   Before that no length proves anything: a key picture after a join may
//   be the first to be cut. Nor does it in a stream whose pictures go on in
//   PES that begin with a NAL unit (a PES per NAL unit), which may end
//   anywhere.
// Otherwise the parser hands a picture on when the next one begins. Nothing
// is decided before two stamped PES have been seen.
#ifndef M4_FFMPEG_PICTURE_ENDS_H
#define M4_FFMPEG_PICTURE_ENDS_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace decoder_ffmpeg {

class PictureEnds {
 public:
  enum class Codec { kH264, kH265 };
  explicit PictureEnds(Codec codec) : codec_(codec) {}

  // A video PES begins: |header| is its PES header, |size| its whole length.
  void VideoPesBegins(const uint8_t* header, size_t headerSize, size_t size);
  // Payload bytes of that PES as they pass.
  void VideoPayload(const uint8_t* data, size_t size);
  // That PES has passed whole: the bytes to put after it (none, or a
  // delimiter when it completes a picture).
  std::vector<uint8_t> VideoPesEnded();
  // A PES of another stream begins: the bytes to put before it.
  std::vector<uint8_t> OtherPesBegins();
  void Reset();

 private:
  bool Deciding() const { return aligned_ && stampedPes_ >= 2; }
  std::vector<uint8_t> Delimiter();

  const Codec codec_;
  uint8_t videoId_ = 0xE0;
  bool aligned_ = true;
  bool cutsAtNalUnits_ = false;  // a picture went on in a PES beginning with a NAL unit
  size_t shortestPiece_ = 0;     // of the PES seen to go on mid NAL unit; 0 before one
  int stampedPes_ = 0;
  bool afterOther_ = false;       // a PES of another stream since the last video PES
  bool breaksConfirmed_ = false;  // video after such a PES has begun a picture
  bool pictureOpen_ = false;      // video data since the last delimiter
  bool sliceSeen_ = false;        // in the picture since its stamped PES
  size_t previousSize_ = 0;       // of the video PES before the one passing now
  // The PES passing now.
  size_t size_ = 0;
  bool stamped_ = false;
  bool continues_ = false;        // goes on with the video of the PES before it
  bool opening_ = false;          // the first byte after its leading zeros not yet seen
  bool firstNal_ = false;         // its first NAL unit not yet seen
  uint32_t recent_ = 0xFFFFFFFF;  // the last bytes, for start codes
  int headerBytesWanted_ = 0;     // NAL header bytes still to come
  uint8_t nalHeader_[3] = {};
  int nalHeaderSize_ = 0;
};

}  // namespace decoder_ffmpeg

#endif
