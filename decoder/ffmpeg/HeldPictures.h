// FFmpeg's H.264 decoder gives a picture out once no picture decoded after it
// can come before it on screen, by their order counts. When damage costs a
// key picture, the pictures after it count anew, lower than those given out
// already: the decoder drops each as out of order, and the last pictures
// before the loss wait for the next key picture (or for the counts to catch
// up), a group of pictures later. At full speed the pictures decoded ahead
// hide that; fed at the stream's pace, the picture froze for up to two
// seconds although the data of the pictures held had come in time.
//
// HeldPictures watches the pictures a file's decoder takes and gives out.
// Once it has taken more than it holds back for reordering without giving
// one out, it holds them for a key picture that damage has cost, and is to
// give them out with end-of-sequence units (one picture each, its references
// and state kept), so that it drops and shows after them what it would have
// anyway. Those pictures no longer stand between the group before the loss
// and the next key picture's, where the decoder counts afresh, and without
// them it would drop that group too: before that key picture it gives out
// what it holds and starts afresh.
//
// Pictures are counted by their first slices, not by packets: in damaged
// data the parser cuts a picture into several packets.
#ifndef M4_FFMPEG_HELD_PICTURES_H
#define M4_FFMPEG_HELD_PICTURES_H

#include <array>
#include <cstddef>
#include <cstdint>

namespace decoder_ffmpeg {

class HeldPictures {
 public:
  // An H.264 end-of-sequence unit alone: the decoder gives out the first
  // picture it holds.
  static constexpr std::array<uint8_t, 5> kReleaseUnit = {0, 0, 0, 1, 0x0A};

  // The decoder is about to take |data|: whether it must first give out
  // what it holds and start afresh (a key picture after a release).
  bool Taking(const uint8_t* data, size_t size);
  void GaveOut();
  // Whether it holds pictures for a key picture that damage has cost.
  bool Holding(int reorderDepth) const;
  // It has given out what it held; it has started afresh.
  void Released();
  void Restarted();

 private:
  bool gaveAny_ = false;  // its first picture is out: it no longer fills up
  int takenSinceOut_ = 0;
  // Since the last picture out: given out what it held, or (at a key
  // picture after that) started afresh, when it fills up anew.
  bool released_ = false;
  bool restarted_ = false;
};

}  // namespace decoder_ffmpeg

#endif
