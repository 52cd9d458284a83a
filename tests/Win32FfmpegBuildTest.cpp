// The FFmpeg DLLs that scripts/build-ffmpeg-win32.sh builds with only the
// parts we enable: a part the decoder or the viewer needs but the configure
// options leave out shows up only when a stream fails to play, so each is
// looked up here the way the code asks for it.
#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <set>
#include <string>

namespace {

// The decoders named in stream headers and chosen for what the streams carry.
TEST(Win32FfmpegBuildTest, HasTheDecodersStreamsName) {
  for (const char* name : {"mpeg1video", "mpeg2video", "mpeg4", "h264", "hevc", "mp2", "mp3", "aac",
                           "ac3", "pcm_alaw", "pcm_mulaw"}) {
    EXPECT_NE(avcodec_find_decoder_by_name(name), nullptr) << name;
  }
}

// Program and transport streams are cut into frames by these parsers.
TEST(Win32FfmpegBuildTest, HasAParserForEveryCompressedCodec) {
  std::set<int> parsed;
  void* iterator = nullptr;
  while (const AVCodecParser* parser = av_parser_iterate(&iterator)) {
    for (const int id : parser->codec_ids) parsed.insert(id);
  }
  for (const AVCodecID id :
       {AV_CODEC_ID_MPEG1VIDEO, AV_CODEC_ID_MPEG2VIDEO, AV_CODEC_ID_MPEG4, AV_CODEC_ID_H264,
        AV_CODEC_ID_HEVC, AV_CODEC_ID_MP2, AV_CODEC_ID_MP3, AV_CODEC_ID_AAC, AV_CODEC_ID_AC3}) {
    EXPECT_EQ(parsed.count(id), 1u) << avcodec_get_name(id);
  }
}

// The decoder opens containers by name; the viewer's cameras come over the
// network.
TEST(Win32FfmpegBuildTest, HasTheDemuxersAndProtocols) {
  for (const char* name : {"mpeg", "mpegts", "rtsp", "rtp", "sdp"}) {
    EXPECT_NE(av_find_input_format(name), nullptr) << name;
  }
  std::set<std::string> protocols;
  void* iterator = nullptr;
  while (const char* name = avio_enum_protocols(&iterator, 0)) protocols.insert(name);
  for (const char* name : {"udp", "tcp", "rtp", "file"}) {
    EXPECT_EQ(protocols.count(name), 1u) << name;
  }
}

// Shipped beside a client's program, the DLLs must be LGPL only.
TEST(Win32FfmpegBuildTest, EveryLibraryIsLgplOnly) {
  for (const char* license : {avcodec_license(), avformat_license(), avutil_license(),
                              swscale_license(), swresample_license()}) {
    EXPECT_STREQ(license, "LGPL version 2.1 or later");
  }
}

}  // namespace
