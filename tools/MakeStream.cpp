// m4stream: turns a media file that FFmpeg reads into what a port takes: the
// 64-byte stream header, the payload, and the end-of-stream marker.
//
//   m4stream INPUT OUTPUT [--no-end-marker]
//
// Program and transport streams are carried over byte for byte; any other
// container is remuxed into a transport stream without re-encoding.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/rational.h>
}

#include "G711Separator.h"
#include "StreamFormat.h"

namespace {

struct FormatContexts {
  AVFormatContext* input = nullptr;
  AVFormatContext* output = nullptr;
  ~FormatContexts() {
    avformat_close_input(&input);
    if (output != nullptr) {
      if (output->pb != nullptr) avio_closep(&output->pb);
      avformat_free_context(output);
    }
  }
};

std::string DecoderName(const AVCodecParameters* parameters) {
  const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
  return codec != nullptr ? codec->name : "";
}

bool IsCarriedAsIs(const AVInputFormat* format) {
  return std::strcmp(format->name, "mpeg") == 0 || std::strcmp(format->name, "mpegts") == 0;
}

m4::StreamHeader DescribeInput(const AVFormatContext* input, const std::string& container) {
  m4::StreamHeader header;
  header.container = container;
  for (unsigned i = 0; i < input->nb_streams; ++i) {
    const AVStream* stream = input->streams[i];
    const AVCodecParameters* parameters = stream->codecpar;
    if (parameters->codec_type == AVMEDIA_TYPE_VIDEO && header.videoCodec.empty()) {
      header.videoCodec = DecoderName(parameters);
      header.width = static_cast<uint16_t>(parameters->width);
      header.height = static_cast<uint16_t>(parameters->height);
      int num = 0;
      int den = 0;
      if (stream->avg_frame_rate.num > 0 && stream->avg_frame_rate.den > 0) {
        av_reduce(&num, &den, stream->avg_frame_rate.num, stream->avg_frame_rate.den, UINT16_MAX);
      }
      header.frameRateNum = static_cast<uint16_t>(num);
      header.frameRateDen = static_cast<uint16_t>(den);
    } else if (parameters->codec_type == AVMEDIA_TYPE_AUDIO && header.audioCodec.empty()) {
      header.audioCodec = DecoderName(parameters);
    }
  }
  return header;
}

// FFmpeg takes a camera's G.711 sound for MPEG audio; the stream's own map
// says what it is.
m4::G711Law G711LawIn(const std::vector<char>& programStream) {
  m4::G711Separator separator(m4::G711Law::kNone, [](m4::G711Law, const uint8_t*, size_t) {});
  separator.Add(reinterpret_cast<const uint8_t*>(programStream.data()), programStream.size());
  return separator.LawSeen();
}

bool ReadWholeFile(const char* path, std::vector<char>* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

// Copies the first video and audio streams into an MPEG-TS in memory.
bool RemuxToTransportStream(FormatContexts& contexts, std::vector<char>* payload) {
  if (avformat_alloc_output_context2(&contexts.output, nullptr, "mpegts", nullptr) < 0)
    return false;
  std::vector<int> outputIndex(contexts.input->nb_streams, -1);
  bool haveVideo = false;
  bool haveAudio = false;
  for (unsigned i = 0; i < contexts.input->nb_streams; ++i) {
    const AVStream* from = contexts.input->streams[i];
    const AVMediaType type = from->codecpar->codec_type;
    bool& taken = type == AVMEDIA_TYPE_VIDEO ? haveVideo : haveAudio;
    if ((type != AVMEDIA_TYPE_VIDEO && type != AVMEDIA_TYPE_AUDIO) || taken) continue;
    AVStream* to = avformat_new_stream(contexts.output, nullptr);
    if (to == nullptr || avcodec_parameters_copy(to->codecpar, from->codecpar) < 0) return false;
    to->codecpar->codec_tag = 0;
    to->time_base = from->time_base;
    outputIndex[i] = to->index;
    taken = true;
  }
  if (avio_open_dyn_buf(&contexts.output->pb) < 0) return false;
  if (avformat_write_header(contexts.output, nullptr) < 0) return false;
  AVPacket* packet = av_packet_alloc();
  bool ok = packet != nullptr;
  while (ok && av_read_frame(contexts.input, packet) >= 0) {
    const int index = outputIndex[packet->stream_index];
    if (index >= 0) {
      av_packet_rescale_ts(packet, contexts.input->streams[packet->stream_index]->time_base,
                           contexts.output->streams[index]->time_base);
      packet->stream_index = index;
      packet->pos = -1;
      ok = av_interleaved_write_frame(contexts.output, packet) >= 0;
    }
    av_packet_unref(packet);
  }
  av_packet_free(&packet);
  ok = ok && av_write_trailer(contexts.output) >= 0;
  uint8_t* buffer = nullptr;
  const int size = avio_close_dyn_buf(contexts.output->pb, &buffer);
  contexts.output->pb = nullptr;
  if (ok) payload->assign(buffer, buffer + size);
  av_free(buffer);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4 || (argc == 4 && std::strcmp(argv[3], "--no-end-marker") != 0)) {
    std::cerr << "usage: " << argv[0] << " INPUT OUTPUT [--no-end-marker]\n";
    return 2;
  }
  av_log_set_level(AV_LOG_ERROR);
  FormatContexts contexts;
  if (avformat_open_input(&contexts.input, argv[1], nullptr, nullptr) < 0 ||
      avformat_find_stream_info(contexts.input, nullptr) < 0) {
    std::cerr << argv[1] << ": not a media file FFmpeg reads\n";
    return 1;
  }
  const bool asIs = IsCarriedAsIs(contexts.input->iformat);
  m4::StreamHeader header =
      DescribeInput(contexts.input, asIs ? contexts.input->iformat->name : "mpegts");
  std::vector<char> payload;
  if (!(asIs ? ReadWholeFile(argv[1], &payload) : RemuxToTransportStream(contexts, &payload))) {
    std::cerr << argv[1] << ": cannot carry these streams in a transport stream\n";
    return 1;
  }
  if (header.container == "mpeg") {
    const m4::G711Law law = G711LawIn(payload);
    if (law != m4::G711Law::kNone) header.audioCodec = m4::G711DecoderName(law);
  }
  std::array<uint8_t, m4::kStreamHeaderLength> record{};
  if (!m4::EncodeStreamHeader(header, &record)) {
    std::cerr << argv[1] << ": codec names do not fit the header\n";
    return 1;
  }
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(record.data()),
            static_cast<std::streamsize>(record.size()));
  out.write(payload.data(), static_cast<std::streamsize>(payload.size()));
  if (argc == 3) {
    out.write(reinterpret_cast<const char*>(m4::kEndOfStreamMarker.data()),
              static_cast<std::streamsize>(m4::kEndOfStreamMarker.size()));
  }
  if (!out.flush()) {
    std::cerr << argv[2] << ": cannot write\n";
    return 1;
  }
  std::cout << argv[2] << ": " << header.container << ", video " << header.videoCodec << " "
            << header.width << "x" << header.height << ", audio "
            << (header.audioCodec.empty() ? "none" : header.audioCodec) << ", " << payload.size()
            << " payload bytes\n";
  return 0;
}
