#include "StreamDecoder.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <utility>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/mem.h>
}

#include "AudioRenderer.h"
#include "PictureQueue.h"
#include "SourceBuffer.h"

namespace decoder_ffmpeg {
namespace {

// Small reads free the source buffer steadily: with large ones, a client
// feeding faster than the stream plays finds no room until a whole read's
// worth has been played, which at a low bit rate outlasts the player's retries.
constexpr int kIoBufferBytes = 4 * 1024;
// Enough for a transport stream's tables or a program stream's first packs;
// with a header the container is known and nothing is probed.
constexpr int64_t kProbeBytes = 128 * 1024;
// A live transport stream with a header: its codecs are known, and opening
// reads only far enough for its tables (streams that come later are taken
// as their packets arrive), so that the first picture is not held until
// opening has read the data of the pictures after it.
constexpr int64_t kLiveTransportProbeBytes = 16 * 188;
// Once the pictures are decoding, a stream that appears later (in damaged
// data, a packet whose header went astray) is told from what is at hand:
// the demuxer holds back every packet behind such a stream's first until it
// has gathered the probe size, half a second of a 2 Mbit/s stream at 128 KiB.
constexpr int64_t kLateStreamProbeBytes = 16 * 188;
// Data in which nothing decodable has been found after this much is not a
// stream this port can play (a header naming the wrong container, say);
// generous enough for a stream joined at the start of a long group of
// pictures at a high rate.
constexpr uint64_t kRecognitionBytes = 2u << 20;
constexpr int64_t kDefaultFrameMicros = 40000;
constexpr int64_t kShortestFrameMicros = 1000000 / 240;
constexpr int64_t kLongestFrameMicros = 1000000;
// A stamp further than this many picture intervals beyond the one expected
// (or not beyond the last) breaks the time line: a damaged stamp must not
// hold the picture on screen, nor a stream that skips ahead wait it out.
constexpr int64_t kTimeLineJumpIntervals = 4;
constexpr AVRational kMicros = {1, 1000000};
constexpr int kG711Rate = 8000;

// Streams being decoded in this process, each on its own thread.
std::atomic<int> decodersAlive{0};

AVDiscard DiscardFor(uint32_t throwLevel) {
  switch (throwLevel) {
    case 1:
      return AVDISCARD_NONREF;
    case 2:
      return AVDISCARD_BIDIR;
    default:
      return AVDISCARD_DEFAULT;
  }
}

// The decoder the header names binds the stream; the container's choice
// only counts where the header names none.
const AVCodec* DecoderFor(const AVStream* stream, const std::string& named) {
  const AVCodec* codec = named.empty() ? nullptr : avcodec_find_decoder_by_name(named.c_str());
  return codec != nullptr ? codec : avcodec_find_decoder(stream->codecpar->codec_id);
}

// G.711 as cameras send it (and as RTP carries it); neither a program
// stream nor a transport stream has a field that says otherwise.
void AssumeG711Format(AVCodecContext* decoder) {
  decoder->sample_rate = kG711Rate;
  av_channel_layout_default(&decoder->ch_layout, 1);
}

}  // namespace

StreamDecoder::StreamDecoder(SourceBuffer& source, PictureQueue& pictures,
                             const DecoderSettings& settings,
                             std::optional<streamformat::StreamHeader> header, bool live,
                             PictureSizeRecord& pictureSize, AudioRenderer& audio,
                             std::function<bool()> showing, std::function<bool()> catchingUp)
    : source_(source),
      pictures_(pictures),
      settings_(settings),
      header_(std::move(header)),
      live_(live),
      liveTransport_(live && header_ && header_->container == "mpegts"),
      pictureSize_(pictureSize),
      audio_(audio),
      showing_(std::move(showing)),
      catchingUp_(std::move(catchingUp)),
      input_(header_, live_,
             [this](streamformat::G711Law law, const uint8_t* payload, size_t size) {
               HearG711(law, payload, size);
             }) {
  ++decodersAlive;
}

StreamDecoder::~StreamDecoder() {
  CloseSession();
  --decodersAlive;
}

void StreamDecoder::Run() {
  while (!source_.Closed()) RunSession();
}

int StreamDecoder::ReadSource(void* opaque, uint8_t* buffer, int size) {
  auto* self = static_cast<StreamDecoder*>(opaque);
  // The demuxer may ask again after the end (a resync seeks back and
  // clears its end flag); the session's end is final.
  if (self->end_ == SessionEnd::kInterrupted) return AVERROR_EXIT;
  if (self->end_ != SessionEnd::kNone) return AVERROR_EOF;
  const auto room = static_cast<size_t>(size);
  if (const size_t waiting = self->input_.TakeWaiting(buffer, room)) {
    return static_cast<int>(waiting);
  }
  // Before the first byte of a session there is nothing to flush, so the
  // wait for data has no end.
  const auto idle = self->sawData_ ? kIdleFlushDelay : std::chrono::milliseconds(-1);
  for (;;) {
    SourceBuffer::ReadResult result{};
    do {
      result = self->source_.Read(buffer, room, self->generation_, idle);
    } while (result.status == SourceBuffer::ReadStatus::kIdle && !self->showing_());
    switch (result.status) {
      case SourceBuffer::ReadStatus::kData:
        self->sawData_ = true;
        if (!self->recognised_) {
          self->unrecognisedBytes_ += result.bytes;
          if (self->unrecognisedBytes_ > kRecognitionBytes) {
            self->source_.MarkUnrecognised(self->generation_);
          }
        }
        if (const size_t ready = self->input_.Pass(buffer, result.bytes, room)) {
          return static_cast<int>(ready);
        }
        continue;  // all of it held back (a packet header still incomplete)
      case SourceBuffer::ReadStatus::kEndOfStream:
        self->end_ = SessionEnd::kEndOfStream;
        return AVERROR_EOF;
      case SourceBuffer::ReadStatus::kIdle:
        self->end_ = SessionEnd::kIdle;
        return AVERROR_EOF;
      case SourceBuffer::ReadStatus::kInterrupted:
        break;
    }
    self->end_ = SessionEnd::kInterrupted;
    return AVERROR_EXIT;
  }
}

void StreamDecoder::RunSession() {
  const uint64_t generation = source_.Generation();
  if (generation != generation_) {
    recognised_ = false;
    unrecognisedBytes_ = 0;
  }
  generation_ = generation;
  end_ = SessionEnd::kNone;
  sawData_ = false;
  input_.Reset();
  firstTimestamp_ = INT64_MIN;
  lastPtsMicros_ = -1;
  lastStampMicros_ = INT64_MIN;
  timeLineShift_ = 0;
  unconfirmedStep_ = 0;
  confirmedStep_ = 0;
  catchUp_.Reset();
  // Before opening: opening reads the first packets, G.711 among them.
  frame_ = av_frame_alloc();
  if (OpenInput()) {
    AVPacket* packet = av_packet_alloc();
    bool going = packet != nullptr && frame_ != nullptr;
    while (going) {
      DiscardUnheardSound();
      const int status = av_read_frame(format_.get(), packet);
      if (status < 0) {
        // Also a demuxer error: the next session resynchronises on the data.
        if (end_ != SessionEnd::kInterrupted) Drain();
        break;
      }
      going = HandlePacket(packet);
      av_packet_unref(packet);
    }
    av_packet_free(&packet);
  }
  CloseSession();
}

bool StreamDecoder::OpenInput() {
  auto* ioBuffer = static_cast<unsigned char*>(av_malloc(kIoBufferBytes));
  AVIOContext* io = ioBuffer == nullptr
                        ? nullptr
                        : avio_alloc_context(ioBuffer, kIoBufferBytes, 0, this,
                                             &StreamDecoder::ReadSource, nullptr, nullptr);
  if (io == nullptr) {
    av_free(ioBuffer);
    return false;
  }
  AVFormatContext* format = avformat_alloc_context();
  if (format != nullptr) {
    format->pb = io;
    format->flags |= AVFMT_FLAG_CUSTOM_IO;
    format->probesize = kProbeBytes;
    // A transport stream carries a picture per PES packet: handed on whole,
    // it needs no parser, which would hold each picture back until the next
    // one begins.
    if (liveTransport_) {
      format->flags |= AVFMT_FLAG_NOPARSE;
      format->probesize = kLiveTransportProbeBytes;
    }
    const AVInputFormat* container =
        header_ ? av_find_input_format(header_->container.c_str()) : nullptr;
    // On failure this frees the format context, never our I/O context.
    if (avformat_open_input(&format, nullptr, container, nullptr) == 0) {
      format_.reset(format);
      return true;
    }
  }
  av_freep(&io->buffer);
  avio_context_free(&io);
  return false;
}

void StreamDecoder::CloseSession() {
  video_.reset();
  sound_.reset();
  g711_.reset();
  g711Law_ = streamformat::G711Law::kNone;
  av_frame_free(&frame_);
  reordering_ = false;
  heldPictures_.reset();
  displayOrder_.Reset();
  ready_.clear();
  videoIndex_ = -1;
  audioIndex_ = -1;
  undecodable_.clear();
  format_.reset();
}

bool StreamDecoder::HandlePacket(AVPacket* packet) {
  AVStream* stream = format_->streams[packet->stream_index];
  const AVMediaType type = stream->codecpar->codec_type;
  const bool untried = undecodable_.count(packet->stream_index) == 0;
  if (videoIndex_ < 0 && type == AVMEDIA_TYPE_VIDEO && untried) {
    if (OpenVideoDecoder(stream)) {
      videoIndex_ = packet->stream_index;
      format_->probesize = kLateStreamProbeBytes;
    } else {
      undecodable_.insert(packet->stream_index);
    }
  }
  // A transport stream has no stream type for G.711 (a muxer marks it as
  // private data): a header naming G.711 says what the first such stream is.
  const bool g711Data =
      type == AVMEDIA_TYPE_DATA && stream->codecpar->codec_id == AV_CODEC_ID_BIN_DATA && header_ &&
      streamformat::G711LawOf(header_->audioCodec.c_str()) != streamformat::G711Law::kNone;
  if (audioIndex_ < 0 && (type == AVMEDIA_TYPE_AUDIO || g711Data) && untried) {
    if (OpenAudioDecoder(stream)) {
      audioIndex_ = packet->stream_index;
      if (header_ && header_->videoCodec.empty()) recognised_ = true;
    } else {
      undecodable_.insert(packet->stream_index);
    }
  }
  if (packet->stream_index == videoIndex_) {
    if (live_ && SkipsToCatchUp(*packet)) return true;
    ApplySettings();
    if (heldPictures_ && heldPictures_->Taking(packet->data, static_cast<size_t>(packet->size)) &&
        !RestartVideoDecoder()) {
      return false;
    }
    // A damaged packet costs its picture, not the stream.
    avcodec_send_packet(video_.get(), packet);
    if (!ReceivePictures()) return false;
    if (!heldPictures_ || !heldPictures_->Holding(video_->has_b_frames)) return true;
    if (!GiveOutHeldPictures()) return false;
    heldPictures_->Released();
    return true;
  }
  if (packet->stream_index == audioIndex_ && audio_.Active() && !SoundIsLate()) {
    if (avcodec_send_packet(sound_.get(), packet) >= 0) ReceiveSamples(sound_.get());
  }
  return true;
}

bool StreamDecoder::SkipsToCatchUp(const AVPacket& packet) {
  const AVCodecID codec = video_->codec_id;
  return catchUp_.Skips(codec, packet.data, static_cast<size_t>(packet.size),
                        source_.UnreadAgeMicros(), [&] {
                          return source_.UnreadHoldsUnit(
                              [codec](uint8_t unit) { return StartsKeyPicture(codec, unit); });
                        });
}

// Live sound that comes with pictures too late to be shown is not played
// late either.
bool StreamDecoder::SoundIsLate() const {
  return live_ && (catchingUp_() || source_.UnreadAgeMicros() > kBehindMicros);
}

bool StreamDecoder::OpenVideoDecoder(AVStream* stream) {
  const AVCodec* codec = DecoderFor(stream, header_ ? header_->videoCodec : std::string());
  if (codec == nullptr) return false;
  video_.reset(avcodec_alloc_context3(codec));
  if (video_ == nullptr) return false;
  if (codec->id == stream->codecpar->codec_id)
    avcodec_parameters_to_context(video_.get(), stream->codecpar);
  video_->pkt_timebase = stream->time_base;
  // A live stream wants each picture as soon as its data is in; frame
  // threads would hold pictures back. A file wants throughput, from frame
  // threads while there is a core for each stream decoding; with more
  // streams than cores (a wall of channels) the cores are busy anyway, and
  // frame threads would only add hand-offs and a copy of the decoder each.
  const auto cores = static_cast<int>(std::thread::hardware_concurrency());
  if (live_ || decodersAlive.load() > std::max(cores, 1)) {
    video_->thread_count = 1;
  } else {
    video_->thread_count = 0;
    video_->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
  }
  if (settings_.quality.load() == kFastQuality) video_->flags2 |= AV_CODEC_FLAG2_FAST;
  reordering_ = live_ && (codec->id == AV_CODEC_ID_MPEG1VIDEO ||
                          codec->id == AV_CODEC_ID_MPEG2VIDEO || codec->id == AV_CODEC_ID_MPEG4);
  if (reordering_) video_->flags |= AV_CODEC_FLAG_LOW_DELAY;
  if (!live_ && codec->id == AV_CODEC_ID_H264) heldPictures_.emplace();
  if (avcodec_open2(video_.get(), codec, nullptr) < 0) {
    video_.reset();
    return false;
  }
  return true;
}

bool StreamDecoder::OpenAudioDecoder(AVStream* stream) {
  const AVCodec* codec = DecoderFor(stream, header_ ? header_->audioCodec : std::string());
  if (codec == nullptr) return false;
  sound_.reset(avcodec_alloc_context3(codec));
  if (sound_ == nullptr) return false;
  if (codec->id == stream->codecpar->codec_id) {
    avcodec_parameters_to_context(sound_.get(), stream->codecpar);
  } else if (codec->id == AV_CODEC_ID_PCM_ALAW || codec->id == AV_CODEC_ID_PCM_MULAW) {
    AssumeG711Format(sound_.get());
  }
  sound_->pkt_timebase = stream->time_base;
  if (avcodec_open2(sound_.get(), codec, nullptr) < 0) {
    sound_.reset();
    return false;
  }
  return true;
}

// Sound nobody hears is skipped by the demuxer unread, once a picture
// stream is decoding (before that, sound may be all the stream holds and
// tells that it is recognised). It is read again as soon as sound is on.
void StreamDecoder::DiscardUnheardSound() {
  if (videoIndex_ < 0) return;
  const AVDiscard discard = audio_.Active() ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
  for (unsigned i = 0; i < format_->nb_streams; ++i) {
    AVStream* stream = format_->streams[i];
    if (stream->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) stream->discard = discard;
  }
}

void StreamDecoder::ApplySettings() {
  video_->skip_frame = DiscardFor(settings_.throwLevel.load());
  video_->skip_loop_filter =
      settings_.quality.load() == kFastQuality ? AVDISCARD_ALL : AVDISCARD_DEFAULT;
}

bool StreamDecoder::ReceivePictures() {
  while (avcodec_receive_frame(video_.get(), frame_) >= 0) {
    if (heldPictures_) heldPictures_->GaveOut();
    if (!reordering_) {
      FramePtr picture(av_frame_alloc());
      if (picture == nullptr) continue;
      av_frame_move_ref(picture.get(), frame_);
      const int64_t stamp = picture->best_effort_timestamp;
      if (!QueuePicture(std::move(picture), stamp)) return false;
      continue;
    }
    const int64_t interval =
        av_rescale_q(FrameDurationMicros(), kMicros, format_->streams[videoIndex_]->time_base);
    displayOrder_.Add(frame_, interval, &ready_);
    if (!QueueReady()) return false;
  }
  return true;
}

// One picture for each unit, each out through the frame threads' delay, and
// as many more as the packets still in those threads may add (see
// HeldPictures.h).
bool StreamDecoder::GiveOutHeldPictures() {
  AVPacket* unit = av_packet_alloc();
  bool going = true;
  if (unit != nullptr && av_new_packet(unit, HeldPictures::kReleaseUnit.size()) == 0) {
    std::memcpy(unit->data, HeldPictures::kReleaseUnit.data(), HeldPictures::kReleaseUnit.size());
    for (int i = 0; going && i <= video_->has_b_frames + 2 * video_->delay; ++i) {
      avcodec_send_packet(video_.get(), unit);
      going = ReceivePictures();
    }
  }
  av_packet_free(&unit);
  return going;
}

bool StreamDecoder::RestartVideoDecoder() {
  if (!GiveOutHeldPictures()) return false;
  avcodec_flush_buffers(video_.get());
  heldPictures_->Restarted();
  return true;
}

bool StreamDecoder::QueueReady() {
  bool queued = true;
  // In the order sent, the stamps of pictures to be shown look out of
  // order, and libavcodec's guess would take the decoding stamps instead.
  for (FramePtr& picture : ready_) {
    const int64_t stamp =
        picture->pts != AV_NOPTS_VALUE ? picture->pts : picture->best_effort_timestamp;
    if (queued) queued = QueuePicture(std::move(picture), stamp);
  }
  ready_.clear();
  return queued;
}

void StreamDecoder::ReceiveSamples(AVCodecContext* decoder) {
  while (avcodec_receive_frame(decoder, frame_) >= 0) {
    audio_.Render(*frame_);
    av_frame_unref(frame_);
  }
}

void StreamDecoder::HearG711(streamformat::G711Law law, const uint8_t* payload, size_t size) {
  if (header_->videoCodec.empty()) recognised_ = true;
  if (!audio_.Active() || frame_ == nullptr || SoundIsLate()) return;
  if (g711_ == nullptr || law != g711Law_) {
    g711_.reset();
    g711Law_ = law;
    const AVCodec* codec = avcodec_find_decoder_by_name(streamformat::G711DecoderName(law));
    if (codec == nullptr) return;
    g711_.reset(avcodec_alloc_context3(codec));
    if (g711_ == nullptr) return;
    AssumeG711Format(g711_.get());
    if (avcodec_open2(g711_.get(), codec, nullptr) < 0) {
      g711_.reset();
      return;
    }
  }
  AVPacket* packet = av_packet_alloc();
  if (packet != nullptr && av_new_packet(packet, static_cast<int>(size)) == 0) {
    std::memcpy(packet->data, payload, size);
    if (avcodec_send_packet(g711_.get(), packet) >= 0) ReceiveSamples(g711_.get());
  }
  av_packet_free(&packet);
}

bool StreamDecoder::QueuePicture(FramePtr frame, int64_t timestamp) {
  recognised_ = true;
  pictureSize_.Set(frame->width, frame->height);
  const int64_t ptsMicros = PictureTime(timestamp);
  lastPtsMicros_ = ptsMicros;

  DecodedPicture picture;
  picture.frame = std::move(frame);
  picture.ptsMicros = ptsMicros;
  picture.generation = generation_;
  // The data has ended (marker, idle delay): what the demuxer and decoder
  // still hold comes out now.
  picture.flushed = end_ != SessionEnd::kNone;
  if (!pictures_.Push(std::move(picture), generation_)) {
    end_ = SessionEnd::kInterrupted;
    return false;
  }
  return true;
}

// The picture's place on the session's time line. A break in the time line
// is mended at once: the picture comes one interval after the last, and the
// stamps after it keep their distances from it. A step that breaks the line
// twice in a row is the stream's own rhythm (a rate slower than announced),
// and is kept from then on.
int64_t StreamDecoder::PictureTime(int64_t timestamp) {
  const int64_t interval = FrameDurationMicros();
  const int64_t expected = lastPtsMicros_ < 0 ? 0 : lastPtsMicros_ + interval;
  if (timestamp == AV_NOPTS_VALUE) return expected;
  if (firstTimestamp_ == INT64_MIN) firstTimestamp_ = timestamp;
  const int64_t stamp =
      av_rescale_q(timestamp - firstTimestamp_, format_->streams[videoIndex_]->time_base, kMicros);
  if (lastStampMicros_ != INT64_MIN) {
    const int64_t step = stamp - lastStampMicros_;
    const int64_t limit = kTimeLineJumpIntervals * std::max(interval, confirmedStep_) + interval;
    const bool repeatsBreak =
        unconfirmedStep_ > 0 && std::abs(step - unconfirmedStep_) <= unconfirmedStep_ / 4;
    if (step > 0 && step <= limit) {
      unconfirmedStep_ = 0;
    } else if (repeatsBreak) {
      confirmedStep_ = step;
      unconfirmedStep_ = 0;
    } else {
      unconfirmedStep_ = step;
      timeLineShift_ = expected - stamp;
    }
  }
  lastStampMicros_ = stamp;
  return stamp + timeLineShift_;
}

void StreamDecoder::Drain() {
  if (video_ != nullptr && avcodec_send_packet(video_.get(), nullptr) >= 0 && ReceivePictures()) {
    displayOrder_.Flush(&ready_);
    QueueReady();
  }
}

// The header's rate first: damage to the stream's parameter sets changes
// the decoder's from one picture to the next (once to a picture every 16
// months, and a damaged stamp 2.6 s ahead then passed for the stream's
// rhythm and held the picture on screen). A rate outside 1 to 240 pictures a
// second is no picture interval (nor is the header's, which m4stream takes
// from the same parameter sets).
int64_t StreamDecoder::FrameDurationMicros() const {
  const AVRational header =
      header_ ? AVRational{header_->frameRateNum, header_->frameRateDen} : AVRational{0, 1};
  for (const AVRational rate :
       {header, format_->streams[videoIndex_]->avg_frame_rate, video_->framerate}) {
    if (rate.num <= 0 || rate.den <= 0) continue;
    const int64_t micros = av_rescale_q(1, av_inv_q(rate), kMicros);
    if (micros >= kShortestFrameMicros && micros <= kLongestFrameMicros) return micros;
  }
  return kDefaultFrameMicros;
}

}  // namespace decoder_ffmpeg
