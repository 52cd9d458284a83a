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
// complete at the end of its PES when the stream sends one PES per picture
// (no video PES without a stamp seen so far, the PES holds a slice and is
// short of the largest length, after which a picture may go on in more),
// and in any layout when a PES of another stream follows its data, once
// the stream has shown that the video after such a PES begins a picture
// (a stamped PES; an unstamped one there, as muxers interleave sound within
// a picture, means the stream is not aligned). Nothing is decided before two
// stamped PES have been seen.
#ifndef M4_FFMPEG_PICTURE_ENDS_H
#define M4_FFMPEG_PICTURE_ENDS_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace m4 {

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
  bool onePesPerPicture_ = true;
  int stampedPes_ = 0;
  bool afterOther_ = false;       // a PES of another stream since the last video PES
  bool breaksConfirmed_ = false;  // video after such a PES has begun a picture
  bool pictureOpen_ = false;      // video data since the last delimiter
  // The PES passing now.
  bool stamped_ = false;
  bool mayGoOn_ = false;
  bool firstNal_ = false;  // its first NAL unit not yet seen
  bool sliceSeen_ = false;
  uint32_t recent_ = 0xFFFFFFFF;  // the last bytes, for start codes
  int headerBytesWanted_ = 0;     // NAL header bytes still to come
  uint8_t nalHeader_[3] = {};
  int nalHeaderSize_ = 0;
};

}  // namespace m4

#endif
