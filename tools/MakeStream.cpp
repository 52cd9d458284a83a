// m4stream: turns a media file that FFmpeg reads into what a port takes: the
// 64-byte stream header, the payload, and the end-of-stream marker.
//
//   m4stream INPUT OUTPUT [--no-end-marker]
//   m4stream --help
//
// Program and transport streams are carried over byte for byte; any other
// container is remuxed into a transport stream without re-encoding. --help
// says which containers and codecs the FFmpeg it runs on has.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "HeaderFromFormat.h"
#include "ProgramStream.h"
#include "StreamFormat.h"
#include "TransportStreamRemuxer.h"

namespace {

constexpr char kUsage[] = " INPUT OUTPUT [--no-end-marker]\n";

struct Container {
  const char* demuxer;
  const char* description;
};
constexpr Container kCarriedAsIs[] = {{"mpeg", "MPEG program stream (.mpg .vob, as cameras send)"},
                                      {"mpegts", "MPEG transport stream (.ts)"}};
constexpr Container kRemuxed[] = {{"mov", "MP4, MOV (.mp4 .mov)"},
                                  {"matroska", "Matroska, WebM (.mkv .webm)"},
                                  {"avi", "AVI (.avi)"},
                                  {"flv", "FLV (.flv)"},
                                  {"mpegvideo", "MPEG-1/2 video elementary stream (.m2v)"},
                                  {"h264", "H.264 elementary stream (.h264 .264)"},
                                  {"hevc", "H.265 elementary stream (.h265 .265)"}};
// The codecs a stream header may name that the decoder plays, by the names
// the header carries.
constexpr const char* kCodecs[] = {"mpeg1video", "mpeg2video", "mpeg4",    "h264",
                                   "hevc",       "mp2",        "mp3",      "aac",
                                   "ac3",        "pcm_alaw",   "pcm_mulaw"};

// What the FFmpeg that m4stream runs on reads and decodes: the Windows SDK's
// is built with only what the decoder needs.
void PrintHelp(const char* program) {
  std::cout << "usage: " << program << kUsage
            << "\nWrites OUTPUT, a stream file for the Kelo820 PlaySDK: the 64-byte stream header"
               "\n(KM4H: the container, the video and audio codec, picture size and frame rate),"
               "\nthen INPUT's streams as the payload, then the 16-byte end-of-stream marker. A"
               "\nclient gives the first Play_GetHeadLen bytes to Play_OpenStream and feeds the"
               "\nrest to Play_InputData.\n\nINPUT, a media file. Carried over byte for byte:\n";
  for (const Container& container : kCarriedAsIs) {
    if (av_find_input_format(container.demuxer) != nullptr) {
      std::cout << "  " << container.description << "\n";
    }
  }
  if (av_guess_format("mpegts", nullptr, nullptr) == nullptr) {
    std::cout << "No other container: this FFmpeg has no transport stream muxer.\n";
  } else {
    std::cout
        << "Remuxed into a transport stream (first video and audio stream, not re-encoded):\n";
    for (const Container& container : kRemuxed) {
      if (av_find_input_format(container.demuxer) != nullptr) {
        std::cout << "  " << container.description << "\n";
      }
    }
  }
  std::cout << "Codecs the SDK's decoder plays with this FFmpeg:\n ";
  for (const char* codec : kCodecs) {
    if (avcodec_find_decoder_by_name(codec) != nullptr) std::cout << " " << codec;
  }
  std::cout << "\n\nOptions:\n"
               "  --no-end-marker  leave out the end marker, for a stream that more data will"
               "\n                   follow (without it the decoder shows the last pictures"
               "\n                   only after a second without data)\n"
               "  --help           this text\n"
               "\nExit status: 0 written; 1 INPUT unreadable, its streams not carried, or OUTPUT"
               " not\nwritten; 2 wrong arguments.\n";
}

bool IsCarriedAsIs(const AVInputFormat* format) {
  return std::strcmp(format->name, "mpeg") == 0 || std::strcmp(format->name, "mpegts") == 0;
}

// FFmpeg takes a camera's G.711 sound for MPEG audio; the stream's own map
// says what it is.
streamformat::G711Law G711LawIn(const std::vector<char>& programStream) {
  return streamformat::FirstG711Law(reinterpret_cast<const uint8_t*>(programStream.data()),
                                    programStream.size());
}

bool ReadWholeFile(const char* path, std::vector<char>* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

// Copies the first video and audio streams into an MPEG-TS in memory.
bool RemuxToTransportStream(AVFormatContext* input, std::vector<char>* payload) {
  streamformat::TransportStreamRemuxer remuxer(
      [payload](const uint8_t* data, size_t size) {
        payload->insert(payload->end(), data, data + size);
      },
      streamformat::TransportStreamRemuxer::Options{});
  if (remuxer.Start(input, streamformat::ChooseStreams(input)) < 0) return false;
  AVPacket* packet = av_packet_alloc();
  bool ok = packet != nullptr;
  while (ok && av_read_frame(input, packet) >= 0) {
    ok = remuxer.Write(packet) >= 0;
    av_packet_unref(packet);
  }
  av_packet_free(&packet);
  return ok && remuxer.Finish() >= 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    PrintHelp(argv[0]);
    return 0;
  }
  if (argc < 3 || argc > 4 || (argc == 4 && std::strcmp(argv[3], "--no-end-marker") != 0)) {
    std::cerr << "usage: " << argv[0] << kUsage << "       " << argv[0] << " --help\n";
    return 2;
  }
  av_log_set_level(AV_LOG_ERROR);
  AVFormatContext* opened = nullptr;
  if (avformat_open_input(&opened, argv[1], nullptr, nullptr) < 0) {
    std::cerr << argv[1] << ": not a media file FFmpeg reads\n";
    return 1;
  }
  const std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> input(
      opened, [](AVFormatContext* unused) { avformat_close_input(&unused); });
  if (avformat_find_stream_info(input.get(), nullptr) < 0) {
    std::cerr << argv[1] << ": not a media file FFmpeg reads\n";
    return 1;
  }
  const bool asIs = IsCarriedAsIs(input->iformat);
  streamformat::StreamHeader header =
      streamformat::HeaderFromFormat(input.get(), asIs ? input->iformat->name : "mpegts");
  std::vector<char> payload;
  if (!(asIs ? ReadWholeFile(argv[1], &payload) : RemuxToTransportStream(input.get(), &payload))) {
    std::cerr << argv[1] << ": cannot carry these streams in a transport stream\n";
    return 1;
  }
  if (header.container == "mpeg") {
    const streamformat::G711Law law = G711LawIn(payload);
    if (law != streamformat::G711Law::kNone) header.audioCodec = streamformat::G711DecoderName(law);
  }
  std::array<uint8_t, streamformat::kStreamHeaderLength> record{};
  if (!streamformat::EncodeStreamHeader(header, &record)) {
    std::cerr << argv[1] << ": codec names do not fit the header\n";
    return 1;
  }
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(record.data()),
            static_cast<std::streamsize>(record.size()));
  out.write(payload.data(), static_cast<std::streamsize>(payload.size()));
  if (argc == 3) {
    out.write(reinterpret_cast<const char*>(streamformat::kEndOfStreamMarker.data()),
              static_cast<std::streamsize>(streamformat::kEndOfStreamMarker.size()));
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
