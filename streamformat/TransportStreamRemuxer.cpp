#include "TransportStreamRemuxer.h"

#include <cerrno>
#include <utility>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/mem.h>
}

namespace streamformat {

TransportStreamRemuxer::TransportStreamRemuxer(Sink sink, Options options)
    : sink_(std::move(sink)), options_(options) {}

TransportStreamRemuxer::~TransportStreamRemuxer() {
  if (output_ != nullptr) avformat_free_context(output_);
  if (outputIo_ != nullptr) {
    av_freep(&outputIo_->buffer);
    avio_context_free(&outputIo_);
  }
}

int TransportStreamRemuxer::WriteOutput(void* opaque, uint8_t* buffer, int size) {
  static_cast<TransportStreamRemuxer*>(opaque)->sink_(buffer, static_cast<size_t>(size));
  return size;
}

int TransportStreamRemuxer::Start(const AVFormatContext* input, const ChosenStreams& chosen) {
  input_ = input;
  int error = avformat_alloc_output_context2(&output_, nullptr, "mpegts", nullptr);
  if (error < 0) return error;
  outputIndex_.assign(input->nb_streams, -1);
  for (int index : {chosen.video, chosen.audio}) {
    if (index < 0) continue;
    const AVStream* from = input->streams[index];
    AVStream* to = avformat_new_stream(output_, nullptr);
    if (to == nullptr) return AVERROR(ENOMEM);
    error = avcodec_parameters_copy(to->codecpar, from->codecpar);
    if (error < 0) return error;
    to->codecpar->codec_tag = 0;
    to->time_base = from->time_base;
    outputIndex_[static_cast<size_t>(index)] = to->index;
  }
  auto* buffer = static_cast<uint8_t*>(av_malloc(static_cast<size_t>(options_.pieceBytes)));
  outputIo_ = buffer == nullptr ? nullptr
                                : avio_alloc_context(buffer, options_.pieceBytes, 1, this, nullptr,
                                                     &WriteOutput, nullptr);
  if (outputIo_ == nullptr) {
    av_free(buffer);
    return AVERROR(ENOMEM);
  }
  output_->pb = outputIo_;
  AVDictionary* muxerOptions = nullptr;
  if (options_.videoPesLength) av_dict_set(&muxerOptions, "omit_video_pes_length", "0", 0);
  error = avformat_write_header(output_, &muxerOptions);
  av_dict_free(&muxerOptions);
  return error;
}

int TransportStreamRemuxer::OutputStreamId(int inputIndex) const {
  return output_->streams[outputIndex_[static_cast<size_t>(inputIndex)]]->id;
}

int TransportStreamRemuxer::Write(AVPacket* packet) {
  const int index = outputIndex_[static_cast<size_t>(packet->stream_index)];
  if (index < 0) return 0;
  av_packet_rescale_ts(packet, input_->streams[packet->stream_index]->time_base,
                       output_->streams[index]->time_base);
  packet->stream_index = index;
  packet->pos = -1;
  if (!options_.live) return av_interleaved_write_frame(output_, packet);
  const int error = av_write_frame(output_, packet);
  if (error >= 0) avio_flush(output_->pb);
  return error;
}

int TransportStreamRemuxer::Finish() {
  const int error = av_write_trailer(output_);
  avio_flush(output_->pb);
  return error;
}

}  // namespace streamformat
