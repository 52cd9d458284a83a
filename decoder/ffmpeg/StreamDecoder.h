// The decoder thread's work: demultiplex the source buffer with libavformat,
// decode the video (and, while sound is on, the audio) with libavcodec and
// queue the pictures. One run of the demuxer is a session; a session ends at
// a reset, at the end-of-stream marker, or when no data has come for the idle
// delay, and the next data starts a new one.
#ifndef M4_FFMPEG_STREAM_DECODER_H
#define M4_FFMPEG_STREAM_DECODER_H

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <vector>

#include "DecoderSettings.h"
#include "DisplayOrder.h"
#include "FfmpegOwners.h"
#include "HeldPictures.h"
#include "InputChain.h"
#include "LiveCatchUp.h"
#include "StreamFormat.h"

struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct AVStream;

namespace decoder_ffmpeg {

class AudioRenderer;
class PictureQueue;
class SourceBuffer;

// A stream's last pictures wait in the demuxer and decoder for more data;
// after this long without any, while pictures are being shown, they are
// flushed out. Not while paused or stepping: a flush costs the decoder its
// reference pictures, and a client stepping through a stream feeds it slowly.
constexpr std::chrono::milliseconds kIdleFlushDelay{1000};

// The size of the last decoded picture, both halves read at once.
class PictureSizeRecord {
 public:
  void Set(int width, int height) {
    packed_.store((static_cast<uint64_t>(width) << 32) | static_cast<uint32_t>(height));
  }
  bool Get(int32_t* width, int32_t* height) const {
    const uint64_t packed = packed_.load();
    if (packed == 0) return false;
    *width = static_cast<int32_t>(packed >> 32);
    *height = static_cast<int32_t>(packed & 0xFFFFFFFF);
    return true;
  }

 private:
  std::atomic<uint64_t> packed_{0};
};

class StreamDecoder {
 public:
  // |showing| tells whether pictures are being shown (playing, not paused);
  // |catchingUp|, whether a live stream's pictures are being dropped as late.
  StreamDecoder(SourceBuffer& source, PictureQueue& pictures, const DecoderSettings& settings,
                std::optional<streamformat::StreamHeader> header, bool live,
                PictureSizeRecord& pictureSize, AudioRenderer& audio, std::function<bool()> showing,
                std::function<bool()> catchingUp);
  ~StreamDecoder();
  StreamDecoder(const StreamDecoder&) = delete;
  StreamDecoder& operator=(const StreamDecoder&) = delete;

  // The thread body: sessions one after another until the source closes.
  void Run();

 private:
  enum class SessionEnd { kNone, kEndOfStream, kIdle, kInterrupted };

  static int ReadSource(void* opaque, uint8_t* buffer, int size);
  void RunSession();
  bool OpenInput();
  void CloseSession();
  bool HandlePacket(AVPacket* packet);
  bool SkipsToCatchUp(const AVPacket& packet);
  bool SoundIsLate() const;
  bool OpenVideoDecoder(AVStream* stream);
  bool OpenAudioDecoder(AVStream* stream);
  void DiscardUnheardSound();
  void ApplySettings();
  bool ReceivePictures();
  bool QueueReady();
  bool GiveOutHeldPictures();
  bool RestartVideoDecoder();
  void ReceiveSamples(AVCodecContext* decoder);
  // A G.711 packet taken out of a program stream (see G711Separator.h).
  void HearG711(streamformat::G711Law law, const uint8_t* payload, size_t size);
  bool QueuePicture(FramePtr frame, int64_t timestamp);
  int64_t PictureTime(int64_t timestamp);
  void Drain();
  int64_t FrameDurationMicros() const;

  SourceBuffer& source_;
  PictureQueue& pictures_;
  const DecoderSettings& settings_;
  const std::optional<streamformat::StreamHeader> header_;
  const bool live_;
  // A live transport stream with a header: its PES packets go to the
  // decoder whole, each as soon as its end is seen.
  const bool liveTransport_;
  PictureSizeRecord& pictureSize_;
  AudioRenderer& audio_;
  const std::function<bool()> showing_;
  const std::function<bool()> catchingUp_;

  // Per generation of the source buffer.
  uint64_t generation_ = 0;
  bool recognised_ = false;         // a picture (or, without video, sound) came out
  uint64_t unrecognisedBytes_ = 0;  // read before that

  // Per session.
  SessionEnd end_ = SessionEnd::kNone;
  bool sawData_ = false;
  // What the source's bytes go through on their way to the demuxer.
  InputChain input_;
  CodecContextOwner g711_;
  streamformat::G711Law g711Law_ = streamformat::G711Law::kNone;
  CustomIoInputOwner format_;
  CodecContextOwner video_;
  LiveCatchUp catchUp_;
  CodecContextOwner sound_;
  int videoIndex_ = -1;
  int audioIndex_ = -1;
  std::set<int> undecodable_;  // streams whose decoder would not open
  AVFrame* frame_ = nullptr;
  // A live MPEG-1, MPEG-2 or MPEG-4 Visual stream's pictures come out of
  // the decoder in the order sent, and are put in display order here.
  bool reordering_ = false;
  DisplayOrder displayOrder_;
  std::vector<FramePtr> ready_;
  // Watches a file's H.264 decoder for pictures held for a lost key picture.
  std::optional<HeldPictures> heldPictures_;
  int64_t firstTimestamp_ = INT64_MIN;
  int64_t lastPtsMicros_ = -1;
  // The time line: the last stamp as read, the shift that breaks in it have
  // added up to, and the step of a break waiting to be confirmed by the next.
  int64_t lastStampMicros_ = INT64_MIN;
  int64_t timeLineShift_ = 0;
  int64_t unconfirmedStep_ = 0;
  int64_t confirmedStep_ = 0;
};

}  // namespace decoder_ffmpeg

#endif
