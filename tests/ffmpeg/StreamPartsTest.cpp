// The parts under the decoder's functions: the source buffer, the picture
// queue, display order, the stream header (and building one from what
// libavformat reports), bitmap writing from every frame type, and the
// volume scale.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <thread>

#include "AudioRenderer.h"
#include "BmpWriter.h"
#include "ErrorCode.h"
#include "DisplayOrder.h"
#include "FrameFormat.h"
#include "HeaderFromFormat.h"
#include "PictureQueue.h"
#include "SourceBuffer.h"
#include "StreamFormat.h"
#include "TestStreams.h"
#include "TransportStreamRemuxer.h"

namespace decoder_ffmpeg {
namespace {

using std::chrono::milliseconds;
constexpr milliseconds kForever{-1};

std::vector<uint8_t> Bytes(size_t count, uint8_t first) {
  std::vector<uint8_t> bytes(count);
  for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(first + i);
  return bytes;
}

TEST(SourceBufferTest, TakesBlocksWholeOrNotAtAllAndWrapsAround) {
  SourceBuffer buffer(10);
  EXPECT_TRUE(buffer.Write(Bytes(6, 0).data(), 6));
  EXPECT_FALSE(buffer.Write(Bytes(5, 6).data(), 5));
  EXPECT_EQ(buffer.Remain(), 6u);
  uint8_t out[10] = {};
  ASSERT_EQ(buffer.Read(out, 4, 0, kForever).bytes, 4u);
  EXPECT_TRUE(buffer.Write(Bytes(8, 6).data(), 8));  // wraps
  EXPECT_EQ(buffer.Remain(), 10u);
  const SourceBuffer::ReadResult result = buffer.Read(out, 10, 0, kForever);
  ASSERT_EQ(result.bytes, 10u);
  for (uint8_t i = 0; i < 10; ++i) EXPECT_EQ(out[i], 4 + i);
}

// A block as large as the ring must not wait for the ring to run dry: what
// the ring holds goes to the demuxer's side while that side has room.
TEST(SourceBufferTest, TakesABlockAsLargeAsTheRingWhileTheDemuxerSideHasRoom) {
  SourceBuffer buffer(10, 10);
  ASSERT_TRUE(buffer.Write(Bytes(8, 0).data(), 8));
  uint8_t out[30] = {};
  ASSERT_EQ(buffer.Read(out, 2, 0, kForever).bytes, 2u);
  EXPECT_FALSE(buffer.Write(Bytes(10, 8).data(), 10));  // paused: waits for room
  EXPECT_TRUE(buffer.Write(Bytes(10, 8).data(), 10, true));
  EXPECT_EQ(buffer.Remain(), 10u);
  EXPECT_EQ(buffer.Unread(), 16u);
  EXPECT_FALSE(buffer.Write(Bytes(10, 18).data(), 10, true));  // no room for the ring's 10
  ASSERT_EQ(buffer.Read(out, 5, 0, kForever).bytes, 5u);
  EXPECT_FALSE(buffer.Write(Bytes(10, 18).data(), 10, true));
  ASSERT_EQ(buffer.Read(out + 5, 1, 0, kForever).bytes, 1u);
  EXPECT_TRUE(buffer.Write(Bytes(10, 18).data(), 10, true));
  ASSERT_EQ(buffer.Read(out + 6, 30, 0, kForever).bytes, 20u);
  for (uint8_t i = 0; i < 26; ++i) EXPECT_EQ(out[i], 2 + i);
}

TEST(SourceBufferTest, EndMarkerStopsReadingEvenWhenSplitOverBlocks) {
  SourceBuffer buffer(100);
  const std::vector<uint8_t> data = Bytes(20, 1);
  ASSERT_TRUE(buffer.Write(data.data(), data.size()));
  ASSERT_TRUE(buffer.Write(streamformat::kEndOfStreamMarker.data(), 5));
  ASSERT_TRUE(buffer.Write(streamformat::kEndOfStreamMarker.data() + 5, 11));
  ASSERT_TRUE(buffer.Write(data.data(), 3));
  uint8_t out[100];
  EXPECT_EQ(buffer.Read(out, 100, 0, kForever).bytes, 20u);
  EXPECT_EQ(buffer.Read(out, 100, 0, kForever).status, SourceBuffer::ReadStatus::kEndOfStream);
  EXPECT_EQ(buffer.Read(out, 100, 0, kForever).bytes, 3u);
}

TEST(SourceBufferTest, IdleTimeoutAnswersIdle) {
  SourceBuffer buffer(100);
  uint8_t out[4];
  EXPECT_EQ(buffer.Read(out, 4, 0, milliseconds(0)).status, SourceBuffer::ReadStatus::kIdle);
}

TEST(SourceBufferTest, ResetAndCloseReleaseAWaitingReader) {
  SourceBuffer buffer(100);
  ASSERT_TRUE(buffer.Write(Bytes(50, 0).data(), 50));
  SourceBuffer::ReadResult afterReset{};
  std::thread reader([&] {
    uint8_t out[100];
    buffer.Read(out, 100, 0, kForever);
    afterReset = buffer.Read(out, 100, 0, kForever);  // waits: empty
  });
  while (buffer.Remain() != 0) std::this_thread::yield();
  buffer.Reset(1);
  reader.join();
  EXPECT_EQ(afterReset.status, SourceBuffer::ReadStatus::kInterrupted);
  EXPECT_EQ(buffer.Generation(), 1u);

  std::thread closed([&] {
    uint8_t out[4];
    EXPECT_EQ(buffer.Read(out, 4, 1, kForever).status, SourceBuffer::ReadStatus::kInterrupted);
  });
  buffer.Close();
  closed.join();
  EXPECT_FALSE(buffer.Write(Bytes(1, 0).data(), 1));
}

// A decoder held back by a full queue must always be let go again: by the
// queue emptying down to its refill level, by a clear, or by a close.
TEST(PictureQueueTest, APusherHeldByAFullQueueIsLetGoByTheRefillAClearOrAClose) {
  PictureQueue queue(3, 1, [](bool) {});
  std::atomic<int> pushed{0};
  std::atomic<bool> lastPushAccepted{true};
  std::thread decoder([&] {
    for (uint64_t generation : {0, 0, 0, 0, 0, 0, 1, 1, 1, 1}) {
      const bool accepted = queue.Push(DecodedPicture{}, generation);
      // The answer before the count, which the test waits on.
      lastPushAccepted = accepted;
      ++pushed;
      if (!accepted) return;
    }
  });
  while (pushed < 3) std::this_thread::yield();
  ASSERT_TRUE(queue.TryTake());
  ASSERT_TRUE(queue.TryTake());  // down to one: two more fit
  while (pushed < 5) std::this_thread::yield();
  queue.Clear(1);  // the sixth, of the old generation, is dropped
  while (pushed < 6) std::this_thread::yield();
  EXPECT_FALSE(lastPushAccepted);
  decoder.join();
  EXPECT_EQ(queue.Size(), 0u);

  std::thread late([&] {
    for (int i = 0; i < 4; ++i) {
      if (!queue.Push(DecodedPicture{}, 1)) return;
    }
    ADD_FAILURE() << "a closed queue took a fourth picture";
  });
  while (queue.Size() < 3) std::this_thread::yield();
  queue.Close();
  late.join();
}

// Pictures in the order sent, as letters (I, P, B) and display stamps in
// intervals (-1: none), and decoding stamps where the case has them; what
// is handed on after each, and at the end.
struct SentPicture {
  char type;
  int shown;
  std::optional<int> decoded = std::nullopt;
};

struct OrderCase {
  const char* name;
  std::vector<SentPicture> sent;
  std::vector<std::vector<int>> handedOn;  // after each picture, then at the end
};

TEST(DisplayOrderTest, HandsEachPictureOnOnceNothingCanComeBeforeIt) {
  constexpr int64_t kInterval = 3600;
  const OrderCase cases[] = {
      {"two B pictures between references",
       {{'I', 0}, {'P', 3}, {'B', 1}, {'B', 2}, {'P', 6}, {'B', 4}, {'B', 5}},
       {{}, {0}, {1}, {2, 3}, {}, {4}, {5, 6}, {}}},
      {"no B pictures", {{'I', 0}, {'P', 1}, {'P', 2}}, {{}, {0, 1}, {2}, {}}},
      {"a picture missing", {{'I', 0}, {'P', 1}, {'P', 3}, {'P', 4}}, {{}, {0, 1}, {}, {3, 4}, {}}},
      {"no stamps: the next reference lets it go",
       {{'I', -1}, {'P', -1}, {'B', -1}, {'P', -1}},
       {{}, {-1}, {-1}, {-1}, {-1}}},
      {"decoding stamps: only a reference with B pictures after it waits",
       {{'I', 0, -1}, {'P', 3, 0}, {'B', 1, 1}, {'B', 2, 2}, {'P', 4, 4}, {'P', 7, 5}, {'B', 6, 6}},
       {{0}, {}, {1}, {2, 3}, {4}, {}, {6, 7}, {}}},
  };
  for (const OrderCase& tested : cases) {
    SCOPED_TRACE(tested.name);
    DisplayOrder order;
    std::vector<FramePtr> ready;
    auto stamps = [&] {
      std::vector<int> handed;
      for (const FramePtr& picture : ready) {
        handed.push_back(
            picture->pts == AV_NOPTS_VALUE ? -1 : static_cast<int>(picture->pts / kInterval));
      }
      ready.clear();
      return handed;
    };
    for (size_t i = 0; i < tested.sent.size(); ++i) {
      FramePtr frame(av_frame_alloc());
      const SentPicture& sent = tested.sent[i];
      frame->pict_type = sent.type == 'B'   ? AV_PICTURE_TYPE_B
                         : sent.type == 'P' ? AV_PICTURE_TYPE_P
                                            : AV_PICTURE_TYPE_I;
      frame->pts = sent.shown < 0 ? AV_NOPTS_VALUE : sent.shown * kInterval;
      if (sent.decoded) frame->pkt_dts = *sent.decoded * kInterval;
      order.Add(frame.get(), kInterval, &ready);
      EXPECT_EQ(stamps(), tested.handedOn[i]) << "after picture " << i;
    }
    order.Flush(&ready);
    EXPECT_EQ(stamps(), tested.handedOn.back()) << "at the end";
  }
}

TEST(StreamHeaderTest, RoundTripsAndRecognisesStreamStarts) {
  streamformat::StreamHeader header;
  header.container = "mpegts";
  header.videoCodec = "h264";
  header.audioCodec = "aac";
  header.width = 704;
  header.height = 576;
  header.frameRateNum = 25;
  header.frameRateDen = 1;
  std::array<uint8_t, streamformat::kStreamHeaderLength> record{};
  ASSERT_TRUE(streamformat::EncodeStreamHeader(header, &record));
  streamformat::StreamHeader decoded;
  ASSERT_EQ(streamformat::DecodeStreamHeader(record.data(), record.size(), &decoded),
            streamformat::HeaderKind::kHeader);
  EXPECT_EQ(decoded.container, "mpegts");
  EXPECT_EQ(decoded.videoCodec, "h264");
  EXPECT_EQ(decoded.audioCodec, "aac");
  EXPECT_EQ(decoded.width, 704);
  EXPECT_EQ(decoded.frameRateNum, 25);

  header.videoCodec = std::string(16, 'x');
  EXPECT_FALSE(streamformat::EncodeStreamHeader(header, &record));
  const uint8_t pack[] = {0, 0, 1, 0xBA, 0x44};
  const uint8_t transport[] = {0x47, 0x40, 0x00};
  const uint8_t junk[] = {1, 2, 3, 4};
  EXPECT_EQ(streamformat::DecodeStreamHeader(pack, sizeof pack, &decoded),
            streamformat::HeaderKind::kStreamStart);
  EXPECT_EQ(streamformat::DecodeStreamHeader(transport, sizeof transport, &decoded),
            streamformat::HeaderKind::kStreamStart);
  EXPECT_EQ(streamformat::DecodeStreamHeader(junk, sizeof junk, &decoded),
            streamformat::HeaderKind::kMalformed);
}

// m4stream and the viewer's live sources once disagreed here: one ignored
// libavformat's guessed rate, the other dropped rates beyond 16 bits.
TEST(StreamHeaderTest, FrameRateFromWhatLibavformatReports) {
  struct Case {
    AVRational average;
    AVRational guessed;
    uint16_t num;
    uint16_t den;
  };
  const Case cases[] = {
      {{25, 1}, {50, 1}, 25, 1},             // the average wins
      {{50, 2}, {0, 0}, 25, 1},              // ... reduced
      {{0, 0}, {30000, 1001}, 30000, 1001},  // no average yet: the guess
      {{0, 1}, {0, 0}, 0, 0},                // neither known
      {{120000, 1001}, {0, 0}, 40999, 342},  // beyond 16 bits: approximated
  };
  for (const Case& tested : cases) {
    std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> format(avformat_alloc_context(),
                                                                        avformat_free_context);
    AVStream* audio = avformat_new_stream(format.get(), nullptr);
    AVStream* video = avformat_new_stream(format.get(), nullptr);
    ASSERT_NE(audio, nullptr);
    ASSERT_NE(video, nullptr);
    audio->codecpar->codec_type = AVMEDIA_TYPE_AUDIO;
    video->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
    video->avg_frame_rate = tested.average;
    video->r_frame_rate = tested.guessed;
    const streamformat::StreamHeader header =
        streamformat::HeaderFromFormat(format.get(), "mpegts");
    EXPECT_EQ(header.frameRateNum, tested.num) << tested.average.num << "/" << tested.average.den;
    EXPECT_EQ(header.frameRateDen, tested.den) << tested.average.num << "/" << tested.average.den;
  }
}

// A 4x2 picture: left half red, right half blue, in each frame type.
std::vector<uint8_t> TwoColourFrame(int32_t type) {
  const std::vector<uint8_t> bgrRow = {0, 0, 255, 0, 0, 255, 255, 0, 0, 255, 0, 0};
  std::vector<uint8_t> frame;
  switch (type) {
    case kFrameBgr24:
      frame = bgrRow;
      frame.insert(frame.end(), bgrRow.begin(), bgrRow.end());
      return frame;
    case kFrameBgra32:
      for (int row = 0; row < 2; ++row) {
        for (int x = 0; x < 4; ++x) {
          frame.insert(frame.end(), bgrRow.begin() + 3 * x, bgrRow.begin() + 3 * x + 3);
          frame.push_back(255);
        }
      }
      return frame;
    case kFrameYuy2:  // red Y81 U90 V240, blue Y41 U240 V110
      return {81, 90, 81, 240, 41, 240, 41, 110, 81, 90, 81, 240, 41, 240, 41, 110};
    case kFrameUyvy:
      return {90, 81, 240, 81, 240, 41, 110, 41, 90, 81, 240, 81, 240, 41, 110, 41};
    case kFrameYv12:  // Y plane, then V, then U (one chroma sample per 2x2)
      return {81, 81, 41, 41, 81, 81, 41, 41, 240, 110, 90, 240};
    default:  // I420: Y, U, V
      return {81, 81, 41, 41, 81, 81, 41, 41, 90, 240, 240, 110};
  }
}

// What a live source the decoder is not given as it is (an RTSP camera in
// the viewer) goes through: its packets copied into a transport stream, as
// they come, on every system's FFmpeg.
TEST(TransportStreamRemuxerTest, CopiesAProgramStreamsPacketsIntoTransportPackets) {
  const std::string& file =
      tests_ffmpeg::Stream(tests_ffmpeg::StreamKind::kCameraProgramH264).mediaFile;
  AVFormatContext* input = nullptr;
  ASSERT_EQ(avformat_open_input(&input, file.c_str(), nullptr, nullptr), 0) << file;
  ASSERT_GE(avformat_find_stream_info(input, nullptr), 0);
  std::vector<uint8_t> output;
  {
    streamformat::TransportStreamRemuxer remuxer(
        [&](const uint8_t* data, size_t size) { output.insert(output.end(), data, data + size); },
        streamformat::TransportStreamRemuxer::Options{32 * 1024, true, true});
    ASSERT_EQ(remuxer.Start(input, streamformat::ChooseStreams(input)), 0);
    AVPacket* packet = av_packet_alloc();
    while (av_read_frame(input, packet) >= 0) {
      EXPECT_GE(remuxer.Write(packet), 0);
      av_packet_unref(packet);
    }
    av_packet_free(&packet);
    EXPECT_EQ(remuxer.Finish(), 0);
  }
  avformat_close_input(&input);
  ASSERT_GT(output.size(), 100u * 188);
  EXPECT_EQ(output.size() % 188, 0u);
  size_t unsynced = 0;
  for (size_t at = 0; at < output.size(); at += 188) unsynced += output[at] != 0x47 ? 1 : 0;
  EXPECT_EQ(unsynced, 0u);
}

TEST(BmpWriterTest, WritesBottomUpPaddedRowsFromEveryFrameType) {
  tests::TempDirectory dir;
  for (int32_t type : {kFrameYv12, kFrameI420, kFrameYuy2, kFrameUyvy, kFrameBgr24, kFrameBgra32}) {
    const std::vector<uint8_t> frame = TwoColourFrame(type);
    ASSERT_EQ(frame.size(), FrameBytes(type, 4, 2)) << "type " << type;
    // Odd width: each 9-byte row takes 12 bytes in the file.
    const std::string file = dir.path() + ("t" + std::to_string(type) + ".bmp");
    ASSERT_EQ(WriteBmpFile(frame.data(), frame.size(), 4, 2, type, file.c_str()), kNoError);
    tests_ffmpeg::Bitmap bitmap;
    ASSERT_TRUE(tests_ffmpeg::ReadBitmap(file, &bitmap)) << "type " << type;
    EXPECT_EQ(bitmap.width, 4);
    for (int y = 0; y < 2; ++y) {
      EXPECT_TRUE(tests_ffmpeg::Near(bitmap.Pixel(0, y), {255, 0, 0})) << "type " << type;
      EXPECT_TRUE(tests_ffmpeg::Near(bitmap.Pixel(3, y), {0, 0, 255})) << "type " << type;
    }
  }
}

TEST(BmpWriterTest, OddSizesArePaddedAndStayUpright) {
  tests::TempDirectory dir;
  // 3x3 BGR picture: the top row white, the rest black.
  std::vector<uint8_t> frame(27, 0);
  std::fill(frame.begin(), frame.begin() + 9, 255);
  const std::string file = dir.path() + "odd.bmp";
  ASSERT_EQ(WriteBmpFile(frame.data(), frame.size(), 3, 3, kFrameBgr24, file.c_str()), kNoError);
  tests_ffmpeg::Bitmap bitmap;
  ASSERT_TRUE(tests_ffmpeg::ReadBitmap(file, &bitmap));
  EXPECT_EQ(bitmap.file.size(), 54u + 3 * 12);
  EXPECT_TRUE(tests_ffmpeg::Near(bitmap.Pixel(1, 0), {255, 255, 255}));
  EXPECT_TRUE(tests_ffmpeg::Near(bitmap.Pixel(1, 2), {0, 0, 0}));
}

TEST(VolumeTest, ScalesLinearly) {
  std::vector<int16_t> samples = {32767, -32768, 1000, -1000};
  std::vector<int16_t> half = samples;
  ScaleSamples(half.data(), half.size(), 32767);
  std::vector<int16_t> silent = samples;
  ScaleSamples(silent.data(), silent.size(), 0);
  std::vector<int16_t> full = samples;
  ScaleSamples(full.data(), full.size(), 65535);
  for (size_t i = 0; i < samples.size(); ++i) {
    EXPECT_NEAR(half[i], samples[i] / 2, 1);
    EXPECT_EQ(silent[i], 0);
    EXPECT_EQ(full[i], samples[i]);
  }
}

}  // namespace
}  // namespace decoder_ffmpeg
