// Ending a live camera program stream's pictures when their last packet is
// in: the demuxer, with its parser, reading the stream through the G.711
// separator and PictureEnds, hands on each picture before any byte of the
// next pack has arrived, where the layout lets its end be known.
#include <gtest/gtest.h>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/mem.h>
}

#include <algorithm>
#include <optional>
#include <vector>

#include "G711Separator.h"
#include "PictureEnds.h"
#include "StoredStreams.h"
#include "TestStreams.h"

namespace decoder_ffmpeg {
namespace {

using tests_ffmpeg::CameraLayout;
using tests_ffmpeg::CameraVideo;
using tests_ffmpeg::EndsCase;
using tests_ffmpeg::PesLayout;

// Serves what has arrived; only when that is all read does the next step
// arrive.
struct ArrivingSource {
  const std::vector<uint8_t>* input = nullptr;
  std::vector<size_t> arrivals;  // how far the input has arrived, step by step
  size_t arrived = 0;
  size_t read = 0;
  std::optional<PictureEnds> ends;
  std::optional<G711Separator> separator;
  size_t Limit() const { return arrived < arrivals.size() ? arrivals[arrived] : input->size(); }
};

int ReadArriving(void* opaque, uint8_t* buffer, int size) {
  auto* source = static_cast<ArrivingSource*>(opaque);
  for (;;) {
    if (const size_t ready = source->separator->Take(buffer, static_cast<size_t>(size))) {
      return static_cast<int>(ready);
    }
    if (source->read == source->Limit()) {
      if (source->arrived == source->arrivals.size()) return AVERROR_EOF;
      ++source->arrived;
    }
    const size_t fresh = std::min(static_cast<size_t>(size), source->Limit() - source->read);
    source->separator->Add(source->input->data() + source->read, fresh);
    source->read += fresh;
  }
}

// How far the input had arrived when each picture was handed on.
std::vector<size_t> ArrivedAtEachPicture(const std::vector<uint8_t>& input,
                                         const std::vector<size_t>& arrivals, CameraVideo codec) {
  ArrivingSource source;
  source.input = &input;
  source.arrivals = arrivals;
  source.ends.emplace(codec == CameraVideo::kH264 ? PictureEnds::Codec::kH264
                                                  : PictureEnds::Codec::kH265);
  source.separator.emplace(
      streamformat::G711Law::kNone, [](streamformat::G711Law, const uint8_t*, size_t) {},
      &*source.ends);
  constexpr int kIoBytes = 4096;
  auto* ioBuffer = static_cast<uint8_t*>(av_malloc(kIoBytes));
  AVIOContext* io =
      avio_alloc_context(ioBuffer, kIoBytes, 0, &source, &ReadArriving, nullptr, nullptr);
  AVFormatContext* format = avformat_alloc_context();
  format->pb = io;
  format->flags |= AVFMT_FLAG_CUSTOM_IO;
  std::vector<size_t> arrivedAt;
  if (avformat_open_input(&format, nullptr, av_find_input_format("mpeg"), nullptr) == 0) {
    AVPacket* packet = av_packet_alloc();
    while (av_read_frame(format, packet) >= 0) {
      // The delimiter after the last picture comes out alone at the end.
      constexpr int kDelimiterOnly = 8;
      if (format->streams[packet->stream_index]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
          packet->size > kDelimiterOnly) {
        arrivedAt.push_back(source.Limit());
      }
      av_packet_unref(packet);
    }
    av_packet_free(&packet);
    avformat_close_input(&format);
  }
  av_freep(&io->buffer);
  avio_context_free(&io);
  return arrivedAt;
}

// Where each pack (a picture and its sound) ends.
std::vector<size_t> PackEnds(const std::vector<uint8_t>& stream) {
  std::vector<size_t> ends;
  for (size_t at = 0; at + 14 <= stream.size();) {
    if (stream[at + 3] == 0xBA) {
      if (at > 0) ends.push_back(at);
      at += 14 + (stream[at + 13] & 7);
    } else {
      at += 6 + (stream[at + 4] << 8 | stream[at + 5]);
    }
  }
  return ends;
}

// The ffmpeg tool's program stream: stamped PES that do not begin pictures,
// sound within pictures. Nothing is put in it.
TEST(PictureEndsTest, AMuxersProgramStreamPassesUnchanged) {
  const tests_ffmpeg::TestStream& stream =
      tests_ffmpeg::Stream(tests_ffmpeg::StreamKind::kCameraProgramH264);
  const std::vector<uint8_t> input = tests_ffmpeg::ReadFile(stream.mediaFile);
  PictureEnds ends(PictureEnds::Codec::kH264);
  G711Separator separator(
      streamformat::G711Law::kNone, [](streamformat::G711Law, const uint8_t*, size_t) {}, &ends);
  separator.Add(input.data(), input.size());
  std::vector<uint8_t> output(input.size() + 1024);
  output.resize(separator.Take(output.data(), output.size()));
  EXPECT_EQ(output, input);
}

class PictureEndsTest : public ::testing::TestWithParam<EndsCase> {};

TEST_P(PictureEndsTest, EachPictureIsHandedOnAsSoonAsItsEndIsKnown) {
  static tests::TempDirectory dir;
  const EndsCase& tested = GetParam();
  const tests_ffmpeg::TestStream stream =
      tests_ffmpeg::MakeCameraProgramStream(tested.layout, tests_ffmpeg::kEndsFrames, dir);
  std::vector<uint8_t> input = tests_ffmpeg::ReadFile(stream.mediaFile);
  if (!tested.withSound) {
    // The same stream without its sound.
    const std::string video = stream.mediaFile.substr(0, stream.mediaFile.rfind('.')) + ".es";
    input = tests_ffmpeg::LayOutAsCamera(tests_ffmpeg::ReadFile(video), {}, tested.layout);
  }
  const std::vector<size_t> ends = PackEnds(input);
  const std::vector<size_t> arrivedAt = ArrivedAtEachPicture(input, ends, tested.layout.video);
  ASSERT_EQ(arrivedAt.size(), ends.size() + 1);
  // The first two pictures show the layout; from the third on the end is
  // known at once.
  for (size_t index = 2; index < ends.size(); ++index) {
    SCOPED_TRACE("picture " + std::to_string(index));
    if (tested.endKnown) {
      EXPECT_EQ(arrivedAt[index], ends[index]);
    } else {
      EXPECT_GT(arrivedAt[index], ends[index]);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Layouts, PictureEndsTest, ::testing::ValuesIn(tests_ffmpeg::kEndsCases),
                         [](const ::testing::TestParamInfo<EndsCase>& tested) {
                           return std::string(tested.param.name);
                         });

}  // namespace
}  // namespace decoder_ffmpeg
